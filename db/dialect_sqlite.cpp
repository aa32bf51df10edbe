#include "db/dialect_p.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace kpv::db {

namespace {

class Sqlite final : public Dialect {
  public:
    QString name() const override { return QStringLiteral("SQLite"); }
    StatementTexts texts() const override { return StatementTexts::SQLite; }

    // Every integer is SQLite's INTEGER, as the databases made so far have them.
    QString typeName(const Column& c) const override {
        return c.type == ColumnType::BigInt ? QStringLiteral("INTEGER") : Dialect::typeName(c);
    }

    // IMMEDIATE takes the write lock at once: two writers never both read the same counter value.
    void begin(QSqlDatabase& db) const override { run(db, QStringLiteral("BEGIN IMMEDIATE")); }
    void commit(QSqlDatabase& db) const override { run(db, QStringLiteral("COMMIT")); }
    void rollback(QSqlDatabase& db) const override { run(db, QStringLiteral("ROLLBACK")); }

    // SQLite's own text forms, so its date functions and plain comparisons work on them.
    QVariant timestamp(const QDateTime& value) const override {
        return value.isValid() ? QVariant(value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                               : QVariant(QMetaType::fromType<QString>());
    }
    QVariant date(const QDate& value) const override {
        return value.isValid() ? QVariant(value.toString(Qt::ISODate))
                               : QVariant(QMetaType::fromType<QString>());
    }

  protected:
    QStringList appendOnlyStatements(const Table& t) const override {
        QStringList statements;
        for (const char* event : {"UPDATE", "DELETE"}) {
            statements << QStringLiteral(
                              "CREATE TRIGGER TR_%1_%2 BEFORE %2 ON %1 BEGIN SELECT RAISE(ABORT, '%3'); END")
                              .arg(t.name, QLatin1String(event), appendOnlyRefusal(t));
        }
        return statements;
    }

  private:
    static void run(QSqlDatabase& db, const QString& statement) {
        QSqlQuery q(db);
        if (!q.exec(statement))
            ThrowSqlError(QStringLiteral("Falha em %1 no SQLite").arg(statement), q.lastError());
    }
};

}  // namespace

const Dialect& SqliteDialect() {
    static const Sqlite dialect;
    return dialect;
}

}  // namespace kpv::db
