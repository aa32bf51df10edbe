#pragma once

#include "db/database_settings.h"
#include "db/db_export.h"
#include "db/schema.h"

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace kpv::db {

class Connection;

// The per-database statement texts a query carries; each engine runs one of them.
enum class StatementTexts { SQLite, InterBase, Oracle, MSSQL };

// An engine as the system meets it: the Qt driver and the Debian package that serve it, how its database
// is opened (and created, where the engine allows), the tables it lists, whether the system only reads
// it, and the server's own connection to it; and what differs in what the system sends it through Qt:
// which of a query's statement texts runs, the schema's DDL and routines, transactions of the schema and
// demo tools, and how dates are bound. One class per engine, chosen by the configured engine or by the
// Qt driver's name; the base class holds what most engines share.
class KPV_DB_EXPORT Dialect {
  public:
    virtual ~Dialect() = default;

    virtual Engine engine() const = 0;
    virtual QString name() const = 0;
    virtual StatementTexts texts() const = 0;

    // The Qt driver the system opens the engine with, and the Debian package that brings it.
    virtual QString driverName() const = 0;
    virtual QString driverPackage() const = 0;
    // Whether a Qt driver of that name reaches the engine.
    virtual bool drives(const QString& driver) const { return driver == driverName(); }

    // Opens the database of the settings as the QtSql connection `connectionName`, creating an empty one
    // where the engine allows it. Throws DatabaseError with the engine's reason.
    virtual QSqlDatabase open(const DatabaseSettings& settings, const QString& connectionName) const = 0;
    // The database as it is, creating nothing: a connection that is not open when there is no such
    // database. Throws DatabaseError when it cannot be reached for another reason.
    virtual QSqlDatabase openExisting(const DatabaseSettings& settings,
                                      const QString& connectionName) const = 0;
    // The database as messages name it: the engine and where.
    virtual QString describe(const DatabaseSettings& settings) const = 0;
    // Whether the system only reads the database: Oracle and MSSQL hold the host application's own, where
    // the system installs no schema and the application server keeps no connections.
    virtual bool readOnly() const { return false; }
    // The application server's connection over the engine's own client library (Connect).
    virtual std::unique_ptr<Connection> connect(const DatabaseSettings& settings) const = 0;

    // The tables the database holds, upper case.
    QStringList tables(const QSqlDatabase& db) const;

    // The type of a column in DDL, in the spelling most engines share.
    virtual QString typeName(const Column& column) const;
    // A column as CREATE TABLE and ALTER TABLE ADD declare it.
    QString columnDefinition(const Column& column) const;
    // The whole schema: tables, indexes and the database routines.
    QStringList createStatements() const;
    // One table, its indexes and, for an append-only table, what keeps its rows as written.
    QStringList createStatements(const Table& table) const;
    // The routines a database made by an earlier version lacks.
    virtual QStringList missingRoutineStatements(const QSqlDatabase& db) const { return {}; }
    // Whether the database holds the index `name` (false on an engine whose schema is never changed here).
    virtual bool holdsIndex(const QSqlDatabase& db, const QString& name) const { return false; }

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
    // Whether the catalogue query `sql`, with `name` bound to its one parameter, finds a row.
    static bool catalogueHolds(const QSqlDatabase& db, const QString& sql, const QString& name);
    // Refuses, naming the package to install, when Qt lacks the engine's driver.
    void requireDriver() const;
};

// The dialect of a configured engine.
KPV_DB_EXPORT const Dialect& DialectForEngine(Engine engine);
// The dialect of a Qt driver: QSQLITE, QIBASE (InterBase and Firebird), QOCI, QODBC or QTDS (Microsoft
// SQL Server). Throws DatabaseError for any other driver.
KPV_DB_EXPORT const Dialect& DialectForDriver(const QString& driverName);
KPV_DB_EXPORT const Dialect& DialectOf(const QSqlDatabase& db);

}  // namespace kpv::db
