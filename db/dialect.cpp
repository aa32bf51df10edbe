#include "db/dialect.h"

#include "db/database_error.h"
#include "db/dialect_p.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <array>

namespace kpv::db {

QString Dialect::typeName(const Column& c) const {
    switch (c.type) {
        case ColumnType::Text:
            return QStringLiteral("VARCHAR(%1)").arg(c.size);
        case ColumnType::FixedText:
            return QStringLiteral("CHAR(%1)").arg(c.size);
        case ColumnType::Integer:
            return QStringLiteral("INTEGER");
        case ColumnType::BigInt:
            return QStringLiteral("BIGINT");
        case ColumnType::Money:
            return QStringLiteral("NUMERIC(15,2)");
        case ColumnType::Rate:
            return QStringLiteral("NUMERIC(9,4)");
        case ColumnType::Date:
            return QStringLiteral("DATE");
        case ColumnType::Timestamp:
            return QStringLiteral("TIMESTAMP");
    }
    return {};
}

QString Dialect::columnDefinition(const Column& c) const {
    return c.name + QLatin1Char(' ') + typeName(c) + (c.required ? QStringLiteral(" NOT NULL") : QString());
}

QStringList Dialect::createStatements(const Table& table) const {
    QStringList parts;
    for (const Column& c : table.columns) parts << columnDefinition(c);
    parts << QStringLiteral("CONSTRAINT PK_%1 PRIMARY KEY (%2)").arg(table.name, table.primaryKey.join(", "));
    QStringList statements{QStringLiteral("CREATE TABLE %1 (%2)").arg(table.name, parts.join(", "))};
    for (const Index& index : table.indexes) {
        statements << QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                          .arg(index.name, table.name, index.columns.join(", "));
    }
    if (table.appendOnly) statements << appendOnlyStatements(table);
    return statements;
}

QString Dialect::appendOnlyRefusal(const Table& table) {
    return QStringLiteral(
               "A tabela %1 só recebe linhas novas: as que tem não podem ser alteradas nem removidas.")
        .arg(table.name);
}

bool Dialect::catalogueHolds(const QSqlDatabase& db, const QString& sql, const QString& name) {
    QSqlQuery q(db);
    q.prepare(sql);
    q.addBindValue(name);
    if (!q.exec()) ThrowSqlError(QStringLiteral("Falha ao ler o catálogo do banco de dados"), q.lastError());
    return q.next();
}

QStringList Dialect::createStatements() const {
    QStringList statements;
    for (const Table& table : Schema()) statements << createStatements(table);
    return statements + routineStatements();
}

void Dialect::begin(QSqlDatabase& db) const {
    if (!db.transaction())
        ThrowSqlError(QStringLiteral("Falha ao iniciar transação no %1").arg(name()), db.lastError());
}

void Dialect::commit(QSqlDatabase& db) const {
    if (!db.commit())
        ThrowSqlError(QStringLiteral("Falha ao confirmar transação no %1").arg(name()), db.lastError());
}

void Dialect::rollback(QSqlDatabase& db) const {
    if (!db.rollback())
        ThrowSqlError(QStringLiteral("Falha ao desfazer transação no %1").arg(name()), db.lastError());
}

QVariant Dialect::timestamp(const QDateTime& value) const {
    return value.isValid() ? QVariant(value) : QVariant(QMetaType::fromType<QDateTime>());
}

QVariant Dialect::date(const QDate& value) const {
    return value.isValid() ? QVariant(value) : QVariant(QMetaType::fromType<QDate>());
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

QStringList Dialect::tables(const QSqlDatabase& db) const {
    QStringList names;
    // Firebird pads the names to the width of its catalogue's column.
    for (const QString& t : db.tables(QSql::Tables)) names << t.trimmed().toUpper();
    return names;
}

void Dialect::requireDriver() const {
    if (!QSqlDatabase::isDriverAvailable(driverName())) {
        throw DatabaseError(QStringLiteral("O driver %1 do Qt não está instalado (pacote %2).")
                                .arg(driverName(), driverPackage()));
    }
}

namespace {

const std::array<const Dialect*, 4>& dialects() {
    static const std::array<const Dialect*, 4> all{&SqliteDialect(), &FirebirdDialect(), &OracleDialect(),
                                                   &MssqlDialect()};
    return all;
}

}  // namespace

const Dialect& DialectForEngine(Engine engine) {
    for (const Dialect* dialect : dialects()) {
        if (dialect->engine() == engine) return *dialect;
    }
    throw DatabaseError(QStringLiteral("Banco de dados desconhecido: %1.").arg(int(engine)));
}

const Dialect& DialectForDriver(const QString& driverName) {
    for (const Dialect* dialect : dialects()) {
        if (dialect->drives(driverName)) return *dialect;
    }
    throw DatabaseError(QStringLiteral("O banco de dados do driver '%1' não é suportado.").arg(driverName));
}

void MakeParentFolder(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        throw DatabaseError(
            QStringLiteral("Não foi possível criar a pasta do banco de dados: %1").arg(folder));
    }
}

const Dialect& DialectOf(const QSqlDatabase& db) {
    return DialectForDriver(db.driverName());
}

void ThrowSqlError(const QString& what, const QSqlError& error) {
    QString detail = error.databaseText().trimmed();
    if (detail.isEmpty()) detail = error.driverText().trimmed();
    throw DatabaseError(what, detail);
}

}  // namespace kpv::db
