#include "db/dialect.h"

#include "db/database_error.h"
#include "db/dialect_p.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>

namespace kpv::db {

QStringList Dialect::createStatements() const {
    QStringList statements;
    for (const Table& table : Schema()) {
        QStringList parts;
        for (const Column& c : table.columns) {
            parts << c.name + QLatin1Char(' ') + typeName(c) +
                         (c.required ? QStringLiteral(" NOT NULL") : QString());
        }
        parts << QStringLiteral("CONSTRAINT PK_%1 PRIMARY KEY (%2)")
                     .arg(table.name, table.primaryKey.join(", "));
        statements << QStringLiteral("CREATE TABLE %1 (%2)").arg(table.name, parts.join(", "));
        for (const Index& index : table.indexes) {
            statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                              .arg(index.name, table.name, index.columns.join(", "));
        }
    }
    return statements + routineStatements();
}

QDateTime Dialect::readTimestamp(const QVariant& value) {
    if (value.isNull()) return {};
    if (value.metaType().id() == QMetaType::QDateTime) return value.toDateTime();
    if (value.metaType().id() == QMetaType::QDate) return value.toDate().startOfDay();
    const QString text = value.toString();
    QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid()) parsed = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!parsed.isValid()) parsed = QDate::fromString(text, Qt::ISODate).startOfDay();
    return parsed;
}

QDate Dialect::readDate(const QVariant& value) {
    if (value.isNull()) return {};
    if (value.metaType().id() == QMetaType::QDate) return value.toDate();
    return readTimestamp(value).date();
}

const Dialect& DialectOf(const QSqlDriver* driver) {
    if (driver && driver->dbmsType() == QSqlDriver::SQLite) return SqliteDialect();
    if (driver && driver->dbmsType() == QSqlDriver::Interbase) return FirebirdDialect();
    throw DatabaseError(
        QStringLiteral("Este banco de dados não é suportado pelo servidor de aplicação; use SQLite ou "
                       "Firebird."));
}

const Dialect& DialectOf(const QSqlDatabase& db) {
    return DialectOf(db.driver());
}

namespace {
QString describe(const QString& what, const QSqlError& error) {
    QString detail = error.databaseText().trimmed();
    if (detail.isEmpty()) detail = error.driverText().trimmed();
    return what + QStringLiteral(": ") + detail;
}
}  // namespace

void ThrowSqlError(const QString& what, const QSqlError& error) {
    throw DatabaseError(describe(what, error));
}

void ThrowStatementError(const Dialect& dialect, const QString& what, const QSqlError& error) {
    if (dialect.isConflict(error)) throw ConflictError(describe(what, error));
    throw DatabaseError(describe(what, error));
}

}  // namespace kpv::db
