#include "db/dialect_p.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace kpv::db {

namespace {

// The connection's busy timeout, shortened while it lives and put back after.
class BusyTimeout final : public LockWaitLimit {
  public:
    BusyTimeout(QSqlDatabase& db, std::chrono::milliseconds wait) : db_(db) {
        QSqlQuery current(db);
        if (!current.exec(QStringLiteral("PRAGMA busy_timeout")) || !current.next())
            ThrowSqlError(QStringLiteral("Falha ao ler a espera por bloqueios do SQLite"),
                          current.lastError());
        previous_ = current.value(0).toLongLong();
        set(wait.count());
    }
    ~BusyTimeout() override { set(previous_); }

  private:
    void set(qint64 milliseconds) {
        QSqlQuery q(db_);
        q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(milliseconds));
    }

    QSqlDatabase& db_;
    qint64 previous_ = 0;
};

class Sqlite final : public Dialect {
  public:
    QString name() const override { return QStringLiteral("SQLite"); }

    QString typeName(const Column& c) const override {
        switch (c.type) {
            case ColumnType::Text:
                return QStringLiteral("VARCHAR(%1)").arg(c.size);
            case ColumnType::FixedText:
                return QStringLiteral("CHAR(%1)").arg(c.size);
            case ColumnType::Integer:
            case ColumnType::BigInt:
                return QStringLiteral("INTEGER");
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

    // IMMEDIATE takes the write lock at once: two writers never both read the same counter value.
    void begin(QSqlDatabase& db) const override { run(db, QStringLiteral("BEGIN IMMEDIATE")); }
    void commit(QSqlDatabase& db) const override { run(db, QStringLiteral("COMMIT")); }
    void rollback(QSqlDatabase& db) const override { run(db, QStringLiteral("ROLLBACK")); }
    std::unique_ptr<LockWaitLimit> limitLockWaits(QSqlDatabase& db,
                                                  std::chrono::milliseconds wait) const override {
        return std::make_unique<BusyTimeout>(db, wait);
    }

    // SQLite's own text forms, so its date functions and plain comparisons work on them.
    QVariant timestamp(const QDateTime& value) const override {
        return value.isValid() ? QVariant(value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                               : QVariant(QMetaType::fromType<QString>());
    }
    QVariant date(const QDate& value) const override {
        return value.isValid() ? QVariant(value.toString(Qt::ISODate))
                               : QVariant(QMetaType::fromType<QString>());
    }

    bool isConflict(const QSqlError& error) const override {
        // SQLITE_BUSY and SQLITE_LOCKED: the busy timeout ran out while another writer held the lock.
        const QString code = error.nativeErrorCode();
        return code == QLatin1String("5") || code == QLatin1String("6") ||
               error.databaseText().contains(QLatin1String("database is locked"));
    }

  private:
    void run(QSqlDatabase& db, const QString& statement) const {
        QSqlQuery q(db);
        if (!q.exec(statement)) {
            ThrowStatementError(*this, QStringLiteral("Falha em %1 no SQLite").arg(statement), q.lastError());
        }
    }
};

}  // namespace

const Dialect& SqliteDialect() {
    static const Sqlite dialect;
    return dialect;
}

}  // namespace kpv::db
