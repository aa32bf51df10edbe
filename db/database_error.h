#pragma once

#include "db/db_export.h"

#include <QString>

#include <stdexcept>

namespace kpv::db {

// A database that cannot be opened, created or used. `summary` says in Portuguese what failed, for the
// user; `message` adds the engine's reason (and the statement, when there was one), for the log and for
// the tools that print it.
class KPV_DB_EXPORT DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const QString& message) : DatabaseError(message, QString()) {}
    DatabaseError(const QString& summary, const QString& detail)
        : std::runtime_error(joined(summary, detail).toStdString()),
          summary_(summary),
          message_(joined(summary, detail)) {}
    // Out of line, so that the type's identity lives in libkpvdb alone.
    ~DatabaseError() override;

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
class KPV_DB_EXPORT ConflictError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
    ~ConflictError() override;
};

// A write that kept losing against concurrent writers until its deadline passed; nothing was written.
class KPV_DB_EXPORT BusyError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
    ~BusyError() override;
};

// The connection to the database is gone (network, a server that stopped or restarted); a transaction
// that had not committed is rolled back by the engine. The connection must be opened again.
class KPV_DB_EXPORT ConnectionLostError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
    ~ConnectionLostError() override;
};

// The connection was lost while a commit was on its way: whether it took effect is unknown.
class KPV_DB_EXPORT CommitUnknownError : public ConnectionLostError {
  public:
    using ConnectionLostError::ConnectionLostError;
    ~CommitUnknownError() override;
};

// The call's deadline passed and its running statement was interrupted; nothing of it was committed.
class KPV_DB_EXPORT DeadlineError : public DatabaseError {
  public:
    using DatabaseError::DatabaseError;
    ~DeadlineError() override;
};

}  // namespace kpv::db
