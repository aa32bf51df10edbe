#pragma once

namespace kpv::protocol {

// How long a client waits for the answer to one call unless told otherwise. The server's own limits on a
// call stay well below it, so that it never works on for a client that has given up.
inline constexpr int kCallTimeoutMs = 30000;

}  // namespace kpv::protocol
