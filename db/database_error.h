#pragma once

#include <QString>

#include <stdexcept>

namespace kpv::db {

// A database that cannot be opened, created or used. The message is Portuguese and names the cause.
class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

  private:
    QString message_;
};

// A statement lost against a concurrent transaction; running the whole transaction again can succeed.
class ConflictError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
};

// A write that kept losing against concurrent writers until its deadline passed; nothing was written.
class BusyError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
};

}  // namespace kpv::db
