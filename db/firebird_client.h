#pragma once

namespace kpv::db {

// Makes the Firebird client library stop its engine when the application object goes away. The embedded
// engine keeps worker threads (cache writer, garbage collector, timers) until the process ends; left to
// the library's own exit code they are torn down while exit handlers of other libraries already run.
// Stopping them while the program still owns its main thread is the shutdown the library asks for.
// Safe to call often; does nothing before the client library is loaded.
void ShutdownFirebirdOnExit();

}  // namespace kpv::db
