#include "framework/net/connection.h"

#include "framework/core/context.h"
#include "framework/core/errors.h"
#include "framework/core/interaction.h"
#include "framework/net/connection_faults.h"
#include "framework/net/http_transport.h"
#include "protocol/codec.h"
#include "protocol/codes.h"
#include "protocol/methods.h"
#include "protocol/sign_in.h"

#include <QThread>

#include <map>
#include <mutex>

namespace kpv::net {

using protocol::Fault;
using protocol::FaultCode;

namespace {
const QByteArray kCallTarget = QByteArrayLiteral("/call");
// A sign-in the server asks to repeat after at most this is repeated without asking the user again.
constexpr int kLongestQuietWaitSeconds = 5;
constexpr int kQuietWaits = 3;

DatabaseCheck& databaseCheck() {
    static DatabaseCheck check;
    return check;
}

// The session of each server this host signed in to ("host:port"), shared by its connections, which may
// call from threads of their own: each reads and writes it whole, under the lock.
struct Session {
    QString login;
    QString token;  // empty once it has ended
};
class Sessions {
  public:
    Session of(const QString& server) const {
        const std::lock_guard lock(mutex_);
        const auto found = held_.find(server);
        return found == held_.end() ? Session{} : found->second;
    }
    void set(const QString& server, Session session) {
        const std::lock_guard lock(mutex_);
        held_[server] = std::move(session);
    }

  private:
    mutable std::mutex mutex_;
    std::map<QString, Session> held_;
};
Sessions& sessions() {
    static Sessions held;
    return held;
}

QVariant faultOf(const QString& code, const QString& message) {
    return QVariant::fromValue(Fault{code, message});
}

bool isFault(const QVariant& v) {
    return v.metaType() == QMetaType::fromType<Fault>();
}

const HttpHeaders& jsonHeaders() {
    static const HttpHeaders headers{{"Content-Type", "application/json; charset=utf-8"},
                                     {"Accept", "application/json"}};
    return headers;
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
        return fail(kNotConnectedFault,
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
        return fail(kBadReplyFault,
                    QStringLiteral("O servidor de aplicação em %1 não identificou o seu banco de dados%2")
                        .arg(where(), status.size() > 1 && !status.at(1).toString().isEmpty()
                                          ? QStringLiteral(": ") + status.at(1).toString()
                                          : QStringLiteral(".")));
    }
    try {
        databaseCheck()(status.at(2).toString(), where());
    } catch (const Error& e) {
        return fail(kWrongDatabaseFault, e.message());
    }
    databaseConfirmed_ = true;
    return {};
}

QVariant TNetConnection::exchange(const QString& method, const QVariantList& args) {
    for (;;) {
        QVariant answer = post(method, args);
        if (!isFault(answer)) return answer;
        const Fault fault = answer.value<Fault>();
        const bool expired = fault.is(FaultCode::SessionExpired);
        if (!expired && !fault.is(FaultCode::SessionRequired)) return fail(fault.code, fault.message);
        // The server ran nothing: once signed in, the same call goes again.
        const QVariant refused = signIn(expired ? fault.message : QString());
        if (refused.isValid()) {
            const Fault why = refused.value<Fault>();
            return fail(why.code, why.message);
        }
    }
}

QVariant TNetConnection::signIn(QString problem) {
    const QString known = sessions().of(where()).login;
    sessions().set(where(), {known, QString()});
    QString login = known.isEmpty() ? Context().webUser : known;
    for (;;) {
        const std::optional<SignInAnswer> given = Interaction::Current().SignIn(where(), login, problem);
        if (!given) {
            return faultOf(
                kSignInCancelledFault,
                QStringLiteral("Sem entrar com a sua conta não se usa o servidor de aplicação em %1.")
                    .arg(where()));
        }
        login = given->login;
        const QByteArray body = protocol::EncodeSignIn({login, given->password});
        QVariant payload;
        for (int waits = 0;; ++waits) {
            int retryAfter = 0;
            payload = request(protocol::kSessionTarget.data(), jsonHeaders(), body, &retryAfter);
            // Others signing in at the same moment: worth a short wait, not a question to the user.
            const bool busy = isFault(payload) && payload.value<Fault>().is(FaultCode::TooManyAttempts) &&
                              retryAfter > 0 && retryAfter <= kLongestQuietWaitSeconds;
            if (!busy || waits == kQuietWaits) break;
            QThread::sleep(retryAfter);
        }
        if (isFault(payload)) {
            const Fault refused = payload.value<Fault>();
            if (!refused.is(FaultCode::WrongPassword) && !refused.is(FaultCode::AccountInactive) &&
                !refused.is(FaultCode::TooManyAttempts))
                return payload;
            problem = refused.message;
            continue;
        }
        const QVariantList status = payload.toList();
        if (status.value(0).toString() != protocol::kSim || status.size() < 3) {
            return faultOf(
                kBadReplyFault,
                QStringLiteral("Resposta inválida do servidor de aplicação em %1: a entrada não trouxe "
                               "a sessão.")
                    .arg(where()));
        }
        sessions().set(where(), {login, status.at(2).toString()});
        return {};
    }
}

QVariant TNetConnection::post(const QString& method, const QVariantList& args) {
    const Session session = sessions().of(where());
    const QString token = !session.token.isEmpty() ? session.token
                          : !Token.isEmpty()       ? Token
                                                   : Context().webToken;
    HttpHeaders headers = jsonHeaders();
    if (!token.isEmpty())
        headers.append({QByteArray("Authorization"), QByteArray("Bearer " + token.toUtf8())});
    return request(kCallTarget, headers, protocol::EncodeCall({ServerName, method, args}));
}

QVariant TNetConnection::request(const QByteArray& target, const HttpHeaders& headers, const QByteArray& body,
                                 int* retryAfter) {
    HttpAnswer answer;
    try {
        answer = transport_->post(target, headers, body, Timeout);
    } catch (const TransportError& e) {
        // The server may come back another one, over another database.
        databaseConfirmed_ = false;
        return faultOf(e.code(), e.message());
    }
    if (retryAfter) *retryAfter = answer.retryAfterSeconds;

    QVariant payload;
    try {
        payload = protocol::DecodeReply(answer.body);
    } catch (const protocol::WireError& e) {
        if (answer.status != protocol::kPayloadStatus) {
            return faultOf(QStringLiteral("http_%1").arg(answer.status),
                           QStringLiteral("O servidor de aplicação em %1 respondeu HTTP %2 %3.")
                               .arg(where())
                               .arg(answer.status)
                               .arg(QString::fromUtf8(answer.reason)));
        }
        return faultOf(
            kBadReplyFault,
            QStringLiteral("Resposta inválida do servidor de aplicação em %1: %2").arg(where(), e.message()));
    }
    return payload;
}

}  // namespace kpv::net
