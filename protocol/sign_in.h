#pragma once

#include "protocol/protocol_export.h"

#include <QByteArray>
#include <QLatin1String>
#include <QString>

// Signing in to the application server (docs/protocol.md, section 8): POST /session with the login and the
// password, answered with a session token that later calls present instead of the shared token.
namespace kpv::protocol {

inline constexpr QLatin1String kSessionTarget{"/session"};

struct SignInRequest {
    QString login;
    QString password;
};

KPV_PROTOCOL_EXPORT QByteArray EncodeSignIn(const SignInRequest& request);
// Throws WireError for a body that is not such a request.
KPV_PROTOCOL_EXPORT SignInRequest DecodeSignIn(const QByteArray& body);

}  // namespace kpv::protocol
