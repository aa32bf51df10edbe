#include "appserver/endpoint.h"

#include "appserver/remote_dispatcher.h"
#include "protocol/codec.h"

#include <QDateTime>
#include <QElapsedTimer>

namespace kpv::server {

namespace {

HttpReply fault(int status, const QString& code, const QString& message) {
    return {status, protocol::EncodeFaultReply({code, message})};
}

// Compares in time that does not depend on where the texts first differ.
bool sameSecret(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace

void CallLog::write(const QString& peer, const QString& method, double milliseconds, const QString& outcome) {
    note(QStringLiteral("%1 %2 %3 ms %4").arg(peer, method).arg(milliseconds, 0, 'f', 1).arg(outcome));
}

void CallLog::note(const QString& text) {
    const QString line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs) + QLatin1Char(' ') + text;
    std::fprintf(stream_, "%s\n", line.toUtf8().constData());
    std::fflush(stream_);
}

bool Endpoint::authorized(const protocol::HttpHead& head) const {
    if (token_.isEmpty()) return true;
    return sameSecret(head.header("Authorization"), "Bearer " + token_.toUtf8());
}

HttpReply Endpoint::handle(const protocol::HttpHead& head, const QByteArray& body, const QString& peer) {
    QElapsedTimer clock;
    clock.start();
    const auto refuse = [&](int status, const QString& code, const QString& message) {
        log_.write(peer, QStringLiteral("-"), clock.nsecsElapsed() / 1e6,
                   QStringLiteral("error %1: %2").arg(code, message));
        return fault(status, code, message);
    };
    if (head.target != "/call") {
        return refuse(
            404, QStringLiteral("not_found"),
            QStringLiteral("Recurso inexistente: %1 (use POST /call).").arg(QString::fromUtf8(head.target)));
    }
    if (head.method != "POST") {
        return refuse(
            405, QStringLiteral("method_not_allowed"),
            QStringLiteral("Método HTTP %1 não aceito (use POST).").arg(QString::fromUtf8(head.method)));
    }
    if (!authorized(head)) {
        return refuse(401, QStringLiteral("unauthorized"),
                      QStringLiteral("Token de acesso ao servidor de aplicação inválido."));
    }
    const CallReply reply = dispatcher_.dispatch(body);
    log_.write(peer, reply.method, clock.nsecsElapsed() / 1e6, reply.outcome);
    return {reply.httpStatus, reply.body};
}

void Endpoint::rejected(const QString& peer, int status, const QString& code, const QString& message) {
    log_.write(peer, QStringLiteral("-"), 0,
               QStringLiteral("error %1: %2 (HTTP %3)").arg(code, message).arg(status));
}

}  // namespace kpv::server
