#pragma once

#include "db/db_export.h"

#include <QString>

namespace kpv::db {

struct DatabaseSettings;

// The database as the client library and its tools name it: a file (or alias) for the embedded engine,
// host/port:path on a server; and the user, SYSDBA unless configured.
QString FirebirdTarget(const DatabaseSettings& settings);
QString FirebirdUser(const DatabaseSettings& settings);

// Makes the Firebird client library stop its engine when the application object goes away. The embedded
// engine keeps worker threads (cache writer, garbage collector, timers) until the process ends; left to
// the library's own exit code they are torn down while exit handlers of other libraries already run.
// Stopping them while the program still owns its main thread is the shutdown the library asks for.
// Safe to call often; does nothing before the client library is loaded.
KPV_DB_EXPORT void ShutdownFirebirdOnExit();

// Points the client library at the project's Firebird configuration, config/firebird, which the build
// copies to firebird/ beside bin/, unless the environment's FIREBIRD already names one. Its embedded
// engine shares a database file with the other processes of this machine that use it (kpv-host and
// kpv-appserver over one file); the packaged configuration opens the file for one process only. Runs
// before the library reads its configuration: before the first connection, and before a Firebird tool
// started by this process, which inherits the setting.
KPV_DB_EXPORT void UseProjectFirebirdConfiguration();

}  // namespace kpv::db
