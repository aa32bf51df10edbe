#include "appserver/access_control.h"

#include "accounts/account_store.h"
#include "accounts/session_store.h"
#include "appserver/call_failure.h"
#include "appserver/call_log.h"
#include "appserver/method_rights.h"
#include "appserver/own_write.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/server_fault.h"
#include "appserver/worker_pool.h"
#include "db/audit_trail.h"
#include "db/connection.h"
#include "protocol/codec.h"
#include "protocol/codes.h"

namespace kpv::server {

namespace {

using protocol::FaultCode;
using Clock = std::chrono::steady_clock;

// How long a checked session, and the database's having accounts at all, are believed without asking again.
constexpr std::chrono::seconds kBelieved{3};
// A session's last use is written at most this often.
constexpr std::chrono::seconds kTouchEvery{60};
constexpr std::size_t kKeptSessions = 4096;

const QString kInvoiceRps =
    QStringLiteral("SELECT CDSERIERPS, NRRPS FROM NOTAFISCAL WHERE CDFILIAL = ? AND NRLANCTONF = ?");

ServerFault sessionExpired(const QString& message) {
    return ServerFault(FaultCode::SessionExpired, message);
}

// The RPS the invoice stands with now: its series and number, empty when none.
std::pair<QString, QString> rpsOf(db::Connection& connection, const QString& branch, const QString& entry) {
    db::Statement& q = connection.prepare(kInvoiceRps);
    q.execute({branch, entry});
    if (!q.next()) return {};
    std::pair<QString, QString> rps{q.string(0).trimmed(), q.string(1).trimmed()};
    q.finish();
    return rps;
}

}  // namespace

AccessControl::AccessControl(std::chrono::minutes idle, WorkerPool& pool, CallLog& log)
    : idle_(idle), pool_(pool), log_(log) {}

bool AccessControl::accountsRequired() const {
    const std::lock_guard lock(mutex_);
    return required_;
}

bool AccessControl::refresh(db::Connection& connection) {
    const bool required = accounts::AccountStore(connection).anyActive();
    const std::lock_guard lock(mutex_);
    required_ = required;
    requiredCheckedAt_ = Clock::now();
    return required;
}

void AccessControl::remember(const QByteArray& session, const accounts::Account& account,
                             const QDateTime& now) {
    const std::lock_guard lock(mutex_);
    forgetOld();
    sessions_[session] = {account, now, Clock::now(), Clock::now()};
    required_ = true;
}

void AccessControl::forgetOld() {
    if (sessions_.size() < kKeptSessions) return;
    const Clock::time_point now = Clock::now();
    std::erase_if(sessions_, [now](const auto& entry) { return now - entry.second.checkedAt >= kBelieved; });
}

accounts::Account AccessControl::admitted(const QByteArray& session, Checked& checked, const QDateTime& now,
                                          bool* touch) {
    if (checked.lastUsed.secsTo(now) > std::chrono::seconds(idle_).count()) {
        const QString login = checked.account.login;
        sessions_.erase(session);
        throw sessionExpired(
            QStringLiteral("A sessão de %1 no servidor de aplicação expirou depois de %2 minutos "
                           "sem uso; entre novamente.")
                .arg(login)
                .arg(idle_.count()));
    }
    if (!checked.account.active) throw ServerFault::Of(FaultCode::AccountInactive, checked.account.login);
    const Clock::time_point steadyNow = Clock::now();
    *touch =
        checked.lastUsed.secsTo(now) >= kTouchEvery.count() && steadyNow - checked.touchedAt >= kTouchEvery;
    if (*touch) {
        checked.touchedAt = steadyNow;
        checked.lastUsed = now;
    }
    return checked.account;
}

void AccessControl::touchLater(const QByteArray& session, const QDateTime& now) {
    // Nobody waits for it: a use that could not be written is written with a later one.
    pool_.submit(
        OwnWrite(QStringLiteral("-"),
                 [session, now](db::Connection& c) { accounts::SessionStore(c).touch(session, now); }),
        [](const CallReply&) {});
}

bool AccessControl::requiredNow(db::Connection& connection) {
    {
        const std::lock_guard lock(mutex_);
        if (Clock::now() - requiredCheckedAt_ < kBelieved) return required_;
    }
    return refresh(connection);
}

std::optional<accounts::Account> AccessControl::admit(db::Connection& connection, const Caller& caller) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (caller.session.isEmpty()) {
        if (requiredNow(connection)) {
            throw ServerFault::Of(FaultCode::SessionRequired);
        }
        return std::nullopt;
    }
    bool touch = false;
    std::optional<accounts::Account> account;
    {
        const std::lock_guard lock(mutex_);
        const auto found = sessions_.find(caller.session);
        if (found != sessions_.end() && Clock::now() - found->second.checkedAt < kBelieved)
            account = admitted(caller.session, found->second, now, &touch);
    }
    if (!account) {
        const std::optional<accounts::Session> stored =
            accounts::SessionStore(connection).find(caller.session);
        const std::lock_guard lock(mutex_);
        if (!stored) {
            sessions_.erase(caller.session);
            throw sessionExpired(
                QStringLiteral("A sessão no servidor de aplicação terminou; entre novamente."));
        }
        forgetOld();
        // A new entry, or one believed too long: the database says when the session was last used, on any
        // server; when this server last wrote a use stays, so that it writes one at most once a minute.
        Checked& checked = sessions_[caller.session];
        checked.account = stored->account;
        checked.lastUsed = stored->lastUsed;
        checked.checkedAt = Clock::now();
        account = admitted(caller.session, checked, now, &touch);
    }
    if (touch) touchLater(caller.session, now);
    return account;
}

CallReply AccessControl::run(TrdmEmissaoRPS& module, const CheckedCall& call, const Caller& caller) {
    db::Connection& connection = module.connection();
    const std::optional<accounts::Account> account = admit(connection, caller);
    const MethodRule& rule = RuleOf(call.method());
    const bool allowed = !account || !rule.right || account->rights.has(*rule.right);
    if (account) module.setUser(account->login);
    const auto refused = [&] {
        const QString text = rule.refusal.arg(account->login);
        return CallReply{protocol::kPayloadStatus, protocol::EncodeStatusReply(protocol::kNao, text),
                         call.method(), QStringLiteral("refused: ") + text, false};
    };
    if (!rule.audited) return allowed ? RemoteDispatcher::method(module, call) : refused();

    db::AuditEntry entry;
    entry.login = account ? account->login : QString();
    entry.address = caller.address;
    entry.action = call.method();
    entry.branch = call.args.value(0).toString();
    entry.entry = call.args.value(1).toString();
    if (!call.writes) {
        // The RPS the call is about: the one the invoice stands with.
        std::tie(entry.rpsSeries, entry.rpsNumber) = rpsOf(connection, entry.branch, entry.entry);
        // A reading worker writes nothing: the row goes to the writer, and the answer waits for it, so that
        // nothing is handed out that the trail does not say.
        CallReply reply = allowed ? RemoteDispatcher::method(module, call) : refused();
        entry.outcome = reply.outcome;
        CallReply recorded = WriteAndWait(
            pool_, OwnWrite(call.method(), [entry](db::Connection& c) { db::RecordAudit(c, entry); }),
            module.deadline());
        return recorded.success ? reply : recorded;
    }
    // The write and its row go to the database in one batch; a refusal writes nothing but its row.
    entry.outcome = kSucceeded;  // what the row says when the write stands
    module.setTrail(&entry);
    CallReply reply;
    try {
        reply = allowed ? RemoteDispatcher::method(module, call) : refused();
    } catch (const db::ConflictError&) {
        throw;  // starts over, its row with it
    } catch (const db::ConnectionLostError&) {
        throw;
    } catch (const db::DeadlineError&) {
        throw;
    } catch (const db::DatabaseError&) {
        // A failure the transaction outlives: the engine undid the write's batch, and the row says how it
        // ended.
        if (!connection.usable() || !connection.inTransaction()) throw;
        // No deadline is spoken of: the failures of time were passed on above.
        reply = FailureOf(std::current_exception(), call.method(), true, log_, std::chrono::milliseconds(0))
                    .reply;
        std::tie(entry.rpsSeries, entry.rpsNumber) = module.rpsRead();
        entry.outcome = reply.outcome;
        db::RecordAudit(connection, entry);
        reply.recorded = true;
        return reply;
    }
    reply.recorded = true;
    if (module.trailWritten()) return reply;
    // The RPS the call is about: the one the invoice had when the call read it (a refused right read
    // nothing: the invoice is asked now).
    std::tie(entry.rpsSeries, entry.rpsNumber) =
        allowed ? module.rpsRead() : rpsOf(connection, entry.branch, entry.entry);
    entry.outcome = reply.outcome;
    db::RecordAudit(connection, entry);
    return reply;
}

}  // namespace kpv::server
