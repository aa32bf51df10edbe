#pragma once

#include "db/schema.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QVariant>

#include <chrono>
#include <memory>

class QSqlDatabase;
class QSqlDriver;
class QSqlError;

namespace kpv::db {

// While it lives, a statement of its connection that waits too long for a lock held by a concurrent
// transaction fails as a conflict (Dialect::isConflict). It is released before the transaction ends.
class LockWaitLimit {
  public:
    virtual ~LockWaitLimit() = default;
};

// What differs between the engines the application server writes to: DDL, write transactions, how
// dates are stored, and which errors mean "another writer got there first, try again".
class Dialect {
  public:
    virtual ~Dialect() = default;

    virtual QString name() const = 0;
    virtual QString typeName(const Column& column) const = 0;
    // The whole schema: tables, indexes and the database routines.
    QStringList createStatements() const;

    // Starts a transaction that will write; it holds the engine's write lock as early as the engine
    // allows, so concurrent writers queue instead of failing late.
    virtual void begin(QSqlDatabase& db) const = 0;
    virtual void commit(QSqlDatabase& db) const = 0;
    virtual void rollback(QSqlDatabase& db) const = 0;
    // Bounds each wait for a lock, from beginning a write transaction to the end of its work, to `wait`.
    virtual std::unique_ptr<LockWaitLimit> limitLockWaits(QSqlDatabase& db,
                                                          std::chrono::milliseconds wait) const = 0;

    // Values to bind for date columns, and their reading back.
    virtual QVariant timestamp(const QDateTime& value) const = 0;
    virtual QVariant date(const QDate& value) const = 0;
    static QDateTime readTimestamp(const QVariant& value);
    static QDate readDate(const QVariant& value);

    // True for a lock or update conflict with a concurrent transaction: the work may be retried.
    virtual bool isConflict(const QSqlError& error) const = 0;

  protected:
    virtual QStringList routineStatements() const { return {}; }
};

// The dialect of an open connection, by its Qt driver; throws DatabaseError for other engines.
const Dialect& DialectOf(const QSqlDatabase& db);
const Dialect& DialectOf(const QSqlDriver* driver);

}  // namespace kpv::db
