#pragma once

#include "accounts/rights.h"

#include <QString>

#include <stdexcept>

namespace kpv::accounts {

// A person who signs in to the application servers (USUARIOSERV).
struct Account {
    QString login;
    QString name;          // full name
    QString passwordHash;  // password_hash.h
    bool active = true;
    Rights rights;
};

// Logins are kept in lower case: what was typed, blanks around it dropped.
QString NormalizeLogin(const QString& typed);
// 1 to 30 lower-case letters, digits, ".", "_" or "-".
bool IsValidLogin(const QString& login);

// An account that cannot be made or changed as asked; the message says why, in Portuguese.
class AccountError : public std::runtime_error {
  public:
    explicit AccountError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

  private:
    QString message_;
};

}  // namespace kpv::accounts
