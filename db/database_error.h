#pragma once

#include <QString>

#include <stdexcept>

namespace kpv::db {

// A database that cannot be opened, created or used. `summary` says in Portuguese what failed, for the
// user; `message` adds the engine's reason (and the statement, when there was one), for the log and for
// the tools that print it.
class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const QString& message) : DatabaseError(message, QString()) {}
    DatabaseError(const QString& summary, const QString& detail)
        : std::runtime_error(joined(summary, detail).toStdString()),
          summary_(summary),
          message_(joined(summary, detail)) {}
    QString summary() const { return summary_; }
    QString message() const { return message_; }

  private:
    static QString joined(const QString& summary, const QString& detail) {
        return detail.isEmpty() ? summary : summary + QStringLiteral(": ") + detail;
    }
    QString summary_;
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

// The connection to the database is gone (network, a server that stopped or restarted); a transaction
// that had not committed is rolled back by the engine. The connection must be opened again.
class ConnectionLostError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
};

// The connection was lost while a commit was on its way: whether it took effect is unknown.
class CommitUnknownError : public ConnectionLostError {
  public:
    using ConnectionLostError::ConnectionLostError;
};

// The call's deadline passed and its running statement was interrupted; nothing of it was committed.
class DeadlineError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
};

}  // namespace kpv::db
