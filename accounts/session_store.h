#pragma once

#include "accounts/account.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

namespace kpv::db {
class Connection;
}

namespace kpv::accounts {

// A session token: 32 random bytes, base64url, behind a prefix that tells it from a shared token
// ("kpvs.…"). Only the client holds it; the database keeps its digest.
QString NewSessionToken();
bool IsSessionToken(QByteArrayView presented);
// The key of the token's session in SESSAOSERV: SHA-256, 64 hexadecimal digits.
QByteArray SessionDigest(QByteArrayView token);

// A session as a server checks it: its account, and when it was last used (UTC).
struct Session {
    Account account;
    QDateTime lastUsed;
};

// The sessions of the database (SESSAOSERV), over one connection, each change in the caller's transaction.
// Times are UTC. Throws db::DatabaseError when the database fails.
class SessionStore {
  public:
    explicit SessionStore(db::Connection& connection) : db_(connection) {}

    std::optional<Session> find(const QByteArray& digest);
    // A new session for `login`; the sessions idle since before `idleSince` go with it, so the table keeps
    // only those that may still be used.
    void open(const QByteArray& digest, const QString& login, const QDateTime& now,
              const QDateTime& idleSince);
    // Records a use at `now`; a later use another server recorded stays.
    void touch(const QByteArray& digest, const QDateTime& now);
    // Ends every session of the account (a password changed, an account disabled).
    void endAll(const QString& login);

  private:
    db::Connection& db_;
};

}  // namespace kpv::accounts
