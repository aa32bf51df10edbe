#pragma once

#include "accounts/account.h"

#include <optional>
#include <vector>

namespace kpv::db {
class Connection;
}

namespace kpv::accounts {

// The accounts of the database, over one connection; each change runs in the caller's transaction. Throws
// db::DatabaseError when the database fails.
class AccountStore {
  public:
    explicit AccountStore(db::Connection& connection) : db_(connection) {}

    std::optional<Account> find(const QString& login);
    // Ordered by login.
    std::vector<Account> all();
    // Whether some account may sign in: from then on every call to a server needs a session.
    bool anyActive();

    // Throws AccountError when the login is taken.
    void add(const Account& account);
    // False when there is no such account.
    bool setActive(const QString& login, bool active);
    bool setPasswordHash(const QString& login, const QString& hash);
    bool setRights(const QString& login, const Rights& rights);

  private:
    db::Connection& db_;
};

}  // namespace kpv::accounts
