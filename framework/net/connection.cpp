#include "framework/net/connection.h"

#include "framework/core/context.h"
#include "framework/core/errors.h"
#include "framework/net/http_transport.h"
#include "protocol/codec.h"
#include "protocol/codes.h"
#include "protocol/methods.h"

namespace kpv::net {

using protocol::Fault;

namespace {
const QByteArray kCallTarget = QByteArrayLiteral("/call");

DatabaseCheck& databaseCheck() {
    static DatabaseCheck check;
    return check;
}
}  // namespace

void SetDatabaseCheck(DatabaseCheck check) {
    databaseCheck() = std::move(check);
}

QVariant TServerObject::Call(const QString& method, const QVariantList& args) const {
    return connection_->call(method, args);
}

TNetConnection::TNetConnection(QObject* owner, const QString& name)
    : QObject(owner), transport_(std::make_unique<HttpTransport>()) {
    setObjectName(name);
}

TNetConnection::~TNetConnection() = default;

void TNetConnection::SetHost(const QString& host) {
    host_ = host.trimmed();
}

void TNetConnection::SetPort(int port) {
    port_ = port;
}

QString TNetConnection::where() const {
    return host_ + QLatin1Char(':') + QString::number(port_);
}

void TNetConnection::SetConnected(bool connected) {
    if (connected == connected_) return;
    if (!connected) {
        transport_->close();
        connected_ = false;
        databaseConfirmed_ = false;
        return;
    }
    Fire(BeforeConnect, this);
    if (host_.isEmpty() || port_ < 1 || port_ > 65535) {
        throw Error(QStringLiteral("Endereço do servidor de aplicação inválido: \"%1\".").arg(where()));
    }
    transport_->setEndpoint(host_, port_, UseTls || Context().webTls,
                            CaFile.isEmpty() ? Context().webCaFile : CaFile);
    if (ThrowException) {
        try {
            transport_->open(Timeout);
        } catch (const TransportError& e) {
            throw Error(e.message());
        }
    }
    connected_ = true;
}

QVariant TNetConnection::fail(const QString& code, const QString& message) const {
    if (ThrowException) throw Error(message);
    return QVariant::fromValue(Fault{code, message});
}

QVariant TNetConnection::call(const QString& method, const QVariantList& args) {
    if (!connected_) {
        return fail(QStringLiteral("not_connected"),
                    QStringLiteral("A conexão com o servidor de aplicação não está ativa."));
    }
    if (!databaseConfirmed_ && databaseCheck()) {
        QVariant refused = confirmDatabase();
        if (refused.isValid()) return refused;
    }
    return exchange(method, args);
}

QVariant TNetConnection::confirmDatabase() {
    QVariant answer = exchange(protocol::kIdentificaBanco, {});
    if (answer.metaType() == QMetaType::fromType<Fault>()) return answer;
    const QVariantList status = answer.toList();
    if (status.size() < 3 || status.at(0).toString() != protocol::kSim) {
        return fail(QStringLiteral("bad_reply"),
                    QStringLiteral("O servidor de aplicação em %1 não identificou o seu banco de dados%2")
                        .arg(where(), status.size() > 1 && !status.at(1).toString().isEmpty()
                                          ? QStringLiteral(": ") + status.at(1).toString()
                                          : QStringLiteral(".")));
    }
    try {
        databaseCheck()(status.at(2).toString(), where());
    } catch (const Error& e) {
        return fail(QStringLiteral("wrong_database"), e.message());
    }
    databaseConfirmed_ = true;
    return {};
}

QVariant TNetConnection::exchange(const QString& method, const QVariantList& args) {
    const QString token = Token.isEmpty() ? Context().webToken : Token;
    HttpHeaders headers{{"Content-Type", "application/json; charset=utf-8"}, {"Accept", "application/json"}};
    if (!token.isEmpty())
        headers.append({QByteArray("Authorization"), QByteArray("Bearer " + token.toUtf8())});

    HttpAnswer answer;
    try {
        answer =
            transport_->post(kCallTarget, headers, protocol::EncodeCall({ServerName, method, args}), Timeout);
    } catch (const TransportError& e) {
        // The server may come back another one, over another database.
        databaseConfirmed_ = false;
        return fail(e.code(), e.message());
    }

    QVariant payload;
    try {
        payload = protocol::DecodeReply(answer.body);
    } catch (const protocol::WireError& e) {
        if (answer.status != 200) {
            return fail(QStringLiteral("http_%1").arg(answer.status),
                        QStringLiteral("O servidor de aplicação em %1 respondeu HTTP %2 %3.")
                            .arg(where())
                            .arg(answer.status)
                            .arg(QString::fromUtf8(answer.reason)));
        }
        return fail(
            QStringLiteral("bad_reply"),
            QStringLiteral("Resposta inválida do servidor de aplicação em %1: %2").arg(where(), e.message()));
    }
    if (payload.metaType() == QMetaType::fromType<Fault>()) {
        const Fault fault = payload.value<Fault>();
        return fail(fault.code, fault.message);
    }
    return payload;
}

}  // namespace kpv::net
