#pragma once

#include "db/db_export.h"
#include "db/schema.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QVariant>

class QSqlDatabase;

namespace kpv::db {

// The per-database statement texts a query carries; each engine runs one of them.
enum class StatementTexts { SQLite, InterBase, Oracle, MSSQL };

// What differs between the engines in what the system sends them through Qt: which of a query's
// statement texts runs, the schema's DDL and routines, transactions of the schema and demo tools, and how
// dates are bound. One class per engine, chosen once by the Qt driver's name; the base class holds what
// most engines share.
class KPV_DB_EXPORT Dialect {
  public:
    virtual ~Dialect() = default;

    virtual QString name() const = 0;
    virtual StatementTexts texts() const = 0;

    // The type of a column in DDL, in the spelling most engines share.
    virtual QString typeName(const Column& column) const;
    // A column as CREATE TABLE and ALTER TABLE ADD declare it.
    QString columnDefinition(const Column& column) const;
    // The whole schema: tables, indexes and the database routines.
    QStringList createStatements() const;
    // One table, its indexes and, for an append-only table, what keeps its rows as written.
    QStringList createStatements(const Table& table) const;

    // A transaction through Qt's driver; throws DatabaseError.
    virtual void begin(QSqlDatabase& db) const;
    virtual void commit(QSqlDatabase& db) const;
    virtual void rollback(QSqlDatabase& db) const;

    // Values to bind for date columns, and their reading back.
    virtual QVariant timestamp(const QDateTime& value) const;
    virtual QVariant date(const QDate& value) const;
    static QDateTime readTimestamp(const QVariant& value);
    static QDate readDate(const QVariant& value);

  protected:
    virtual QStringList routineStatements() const { return {}; }
    // What makes the engine refuse every change and removal of a row of an append-only table.
    virtual QStringList appendOnlyStatements(const Table& table) const { return {}; }
    // The engine's words when it refuses one.
    static QString appendOnlyRefusal(const Table& table);
};

// The dialect of a Qt driver: QSQLITE, QIBASE (InterBase and Firebird), QOCI, QODBC or QTDS (Microsoft
// SQL Server). Throws DatabaseError for any other driver.
KPV_DB_EXPORT const Dialect& DialectForDriver(const QString& driverName);
KPV_DB_EXPORT const Dialect& DialectOf(const QSqlDatabase& db);

}  // namespace kpv::db
