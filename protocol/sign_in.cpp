#include "protocol/sign_in.h"

#include "protocol/codec.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace kpv::protocol {

QByteArray EncodeSignIn(const SignInRequest& request) {
    return QJsonDocument(QJsonObject{{QStringLiteral("login"), request.login},
                                     {QStringLiteral("password"), request.password}})
        .toJson(QJsonDocument::Compact);
}

SignInRequest DecodeSignIn(const QByteArray& body) {
    const QJsonDocument document = QJsonDocument::fromJson(body);
    const QJsonObject object = document.object();
    const QJsonValue login = object.value(QStringLiteral("login"));
    const QJsonValue password = object.value(QStringLiteral("password"));
    if (!document.isObject() || !login.isString() || !password.isString())
        throw WireError(
            QStringLiteral("A entrada deve ser um objeto JSON com os textos \"login\" e \"password\"."));
    return {login.toString(), password.toString()};
}

}  // namespace kpv::protocol
