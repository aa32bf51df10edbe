#pragma once

#include "accounts/account.h"
#include "appserver/remote_dispatcher.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <map>
#include <mutex>
#include <optional>

namespace kpv::db {
class Connection;
}

namespace kpv::server {

class CallLog;
class WorkerPool;

// Who asks: the digest of the session token a call presents (empty when it presents none) and its address.
struct Caller {
    QByteArray session;
    QString address;
};

// Who may call, once the database holds an active account: from then on every call needs a session, on
// every server over the database, and each account may do what its rights allow. Before that, the shared
// token serves a single desk and nobody is asked who they are.
//
// A session is checked in the database once and then kept here for a few seconds, so a call with a session
// costs a lookup in memory; its last use is written at most once a minute, as a write of the server's writer.
// An account disabled elsewhere stops working here within those seconds.
class AccessControl {
  public:
    AccessControl(std::chrono::minutes idle, WorkerPool& pool, CallLog& log);

    // Whether the database held an active account when last asked, at most a few seconds ago: what the
    // endpoint knows without asking the database.
    bool accountsRequired() const;
    // Asks the database now.
    bool refresh(db::Connection& connection);

    // Runs the call for its caller, as the call's work: checks the session (ServerFault SessionRequired,
    // SessionExpired, AccountInactive) and the account's right for the method (the method's
    // refusal), runs the method on the account's behalf and, for an audited method, records the row of the
    // trail: a write's in the same batch as the write, so that the write stands only with its row (a refusal
    // writes its row alone); a read's (GeraDPS) through the writer, before the answer goes out.
    CallReply run(TrdmEmissaoRPS& module, const CheckedCall& call, const Caller& caller);

    // A session just opened: its first calls need no reading of the database.
    void remember(const QByteArray& session, const accounts::Account& account, const QDateTime& now);

    std::chrono::minutes idle() const { return idle_; }

  private:
    struct Checked {
        accounts::Account account;
        QDateTime lastUsed;  // UTC, as the database holds it or as this server wrote it
        std::chrono::steady_clock::time_point checkedAt;
        std::chrono::steady_clock::time_point touchedAt;
    };

    std::optional<accounts::Account> admit(db::Connection& connection, const Caller& caller);
    bool requiredNow(db::Connection& connection);
    // The account of a checked session; `touch` tells that its last use is due to be written. Called with
    // the lock held.
    accounts::Account admitted(const QByteArray& session, Checked& checked, const QDateTime& now,
                               bool* touch);
    void touchLater(const QByteArray& session, const QDateTime& now);
    void forgetOld();

    std::chrono::minutes idle_;
    WorkerPool& pool_;
    CallLog& log_;

    mutable std::mutex mutex_;
    bool required_ = false;
    std::chrono::steady_clock::time_point requiredCheckedAt_;
    std::map<QByteArray, Checked> sessions_;
};

}  // namespace kpv::server
