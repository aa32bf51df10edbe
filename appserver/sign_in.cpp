#include "appserver/sign_in.h"

#include "accounts/account_store.h"
#include "accounts/password_hash.h"
#include "accounts/session_store.h"
#include "appserver/access_control.h"
#include "appserver/http_server.h"
#include "appserver/own_write.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/server_fault.h"
#include "appserver/worker_pool.h"
#include "db/audit_trail.h"
#include "protocol/codec.h"
#include "protocol/codes.h"
#include "protocol/sign_in.h"

#include <memory>

namespace kpv::server {

namespace {

using protocol::FaultCode;

const QString kMethod = QStringLiteral("IniciaSessao");

// A login nobody has is checked against this, so that a wrong login costs the time a wrong password does.
const QString& unknownAccountHash() {
    static const QString hash = accounts::HashPassword(QStringLiteral("nobody signs in with this"));
    return hash;
}

CallReply fault(const ServerFault& refusal, const QString& login) {
    CallReply reply = FaultReply(kMethod, refusal);
    reply.outcome += QStringLiteral(" (%1)").arg(login);
    return reply;
}

// An attempt the throttle let through: settled once verified, abandoned when it never was.
class Attempt {
  public:
    Attempt(SignInThrottle& throttle, QString login, QString address)
        : throttle_(throttle), login_(std::move(login)), address_(std::move(address)) {}
    ~Attempt() {
        if (!settled_) throttle_.abandon(login_, address_);
    }
    Attempt(const Attempt&) = delete;
    Attempt& operator=(const Attempt&) = delete;

    void settle(bool rightPassword) {
        settled_ = true;
        throttle_.settle(login_, address_, rightPassword);
    }

  private:
    SignInThrottle& throttle_;
    QString login_;
    QString address_;
    bool settled_ = false;
};

}  // namespace

void SignIn::handle(const HttpRequest& request, const std::function<void(const CallReply&)>& send) {
    if (request.method != "POST") {
        return send(FaultReply(
            kMethod, ServerFault::Of(FaultCode::MethodNotAllowed, QString::fromUtf8(request.method))));
    }
    protocol::SignInRequest asked;
    try {
        asked = protocol::DecodeSignIn(request.body);
    } catch (const protocol::WireError& e) {
        return send(FaultReply(kMethod, ServerFault(FaultCode::BadRequest, e.message())));
    }
    const QString login = accounts::NormalizeLogin(asked.login);
    const SignInThrottle::Verdict verdict = throttle_.admit(login, request.address);
    if (verdict.wait.count() > 0) {
        CallReply reply = fault(ServerFault(FaultCode::TooManyAttempts, verdict.reason), login);
        reply.retryAfterSeconds = int(verdict.wait.count());
        return send(reply);
    }
    auto attempt = std::make_shared<Attempt>(throttle_, login, request.address);
    CheckedCall call;
    call.name = kMethod;
    call.work = [this, attempt, login, password = asked.password, address = request.address](
                    TrdmEmissaoRPS& module, const CheckedCall&) {
        const std::optional<accounts::Account> account =
            accounts::IsValidLogin(login) ? accounts::AccountStore(module.connection()).find(login)
                                          : std::nullopt;
        const bool right =
            accounts::VerifyPassword(account ? account->passwordHash : unknownAccountHash(), password) &&
            account.has_value();
        attempt->settle(right);
        return answer(login, account, right, address, module.deadline());
    };
    workers_.submit(std::move(call), send);
}

CallReply SignIn::answer(const QString& login, const std::optional<accounts::Account>& account,
                         bool rightPassword, const QString& address, const QDeadlineTimer& deadline) {
    db::AuditEntry entry;
    entry.login = login;
    entry.address = address;
    entry.action = kMethod;
    const auto refuse = [&](const ServerFault& refusal) {
        entry.outcome = FaultReply(kMethod, refusal).outcome;
        // A refusal stands even when its row cannot be written.
        WriteAndWait(workers_, OwnWrite(kMethod, [entry](db::Connection& c) { db::RecordAudit(c, entry); }),
                     deadline);
        return fault(refusal, login);
    };
    if (!rightPassword) return refuse(ServerFault::Of(FaultCode::WrongPassword));
    if (!account->active) return refuse(ServerFault::Of(FaultCode::AccountInactive, login));

    const QString token = accounts::NewSessionToken();
    const QByteArray session = accounts::SessionDigest(token.toLatin1());
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDateTime idleSince = now.addSecs(-std::chrono::seconds(access_.idle()).count());
    entry.outcome = kSucceeded;
    CallReply opened =
        WriteAndWait(workers_,
                     OwnWrite(kMethod,
                              [entry, session, now, idleSince](db::Connection& c) {
                                  accounts::SessionStore(c).open(session, entry.login, now, idleSince);
                                  db::RecordAudit(c, entry);
                              }),
                     deadline);
    if (!opened.success) return opened;
    access_.remember(session, *account, now);
    return {protocol::kPayloadStatus,
            protocol::EncodeStatusReply(protocol::kSim, QString(), {token, account->name}), kMethod,
            QStringLiteral("ok (%1)").arg(login), true};
}

}  // namespace kpv::server
