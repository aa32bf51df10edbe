#pragma once

#include <QLatin1String>

// The codes of the failures the connection reports itself, in the Fault shape beside the server's
// (docs/protocol.md, section 4); an error status without a JSON body is "http_<status>".
namespace kpv::net {

inline constexpr QLatin1String kTransportFault{"transport"};  // cannot connect, or closed before the end
inline constexpr QLatin1String kTlsFault{"tls"};              // the server unverified, or not HTTPS
inline constexpr QLatin1String kTimeoutFault{"timeout"};      // no whole answer within the timeout
inline constexpr QLatin1String kBadReplyFault{"bad_reply"};   // not HTTP, no Content-Length, no payload
inline constexpr QLatin1String kWrongDatabaseFault{"wrong_database"};
inline constexpr QLatin1String kNotConnectedFault{"not_connected"};
inline constexpr QLatin1String kSignInCancelledFault{"sign_in_cancelled"};

}  // namespace kpv::net
