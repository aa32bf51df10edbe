#include "db/dialect_p.h"
#include "db/firebird_lock_wait.h"

#include <QSqlDatabase>
#include <QSqlError>

namespace kpv::db {

namespace {

class Firebird final : public Dialect {
  public:
    QString name() const override { return QStringLiteral("Firebird"); }

    QString typeName(const Column& c) const override {
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

    // Firebird has no early write lock: the first statement of a numbering transaction updates the
    // counter row, and a concurrent writer of that row waits and then sees an update conflict.
    void begin(QSqlDatabase& db) const override {
        if (!db.transaction())
            ThrowStatementError(*this, QStringLiteral("Falha ao iniciar transação no Firebird"),
                                db.lastError());
    }
    void commit(QSqlDatabase& db) const override {
        if (!db.commit())
            ThrowStatementError(*this, QStringLiteral("Falha ao confirmar transação no Firebird"),
                                db.lastError());
    }
    void rollback(QSqlDatabase& db) const override {
        if (!db.rollback())
            ThrowStatementError(*this, QStringLiteral("Falha ao desfazer transação no Firebird"),
                                db.lastError());
    }
    std::unique_ptr<LockWaitLimit> limitLockWaits(QSqlDatabase& db,
                                                  std::chrono::milliseconds wait) const override {
        return std::make_unique<FirebirdLockWait>(db, wait);
    }

    QVariant timestamp(const QDateTime& value) const override {
        return value.isValid() ? QVariant(value) : QVariant(QMetaType::fromType<QDateTime>());
    }
    QVariant date(const QDate& value) const override {
        return value.isValid() ? QVariant(value) : QVariant(QMetaType::fromType<QDate>());
    }

    bool isConflict(const QSqlError& error) const override {
        // SQLCODE -913: deadlock, update conflict or lock conflict with a concurrent transaction; a
        // cancelled statement is one that waited too long for such a lock (FirebirdLockWait).
        const QString text = error.databaseText();
        return error.nativeErrorCode() == QLatin1String("-913") ||
               text.contains(QLatin1String("update conflicts")) || text.contains(QLatin1String("deadlock")) ||
               text.contains(QLatin1String("lock conflict")) ||
               text.contains(QLatin1String("operation was cancelled"));
    }

  protected:
    // The routines the module's Firebird statements rely on: PARAM turns a parameter into a one-row
    // table so a statement can use it as a value; NVLSTR is NVL for texts.
    QStringList routineStatements() const override {
        return {
            QStringLiteral("CREATE PROCEDURE PARAM (VALOR VARCHAR(1000))\n"
                           "RETURNS (PARAM VARCHAR(1000))\n"
                           "AS\n"
                           "BEGIN\n"
                           "  PARAM = VALOR;\n"
                           "  SUSPEND;\n"
                           "END"),
            QStringLiteral("CREATE FUNCTION NVLSTR (VALOR VARCHAR(1000), SUBSTITUTO VARCHAR(1000))\n"
                           "RETURNS VARCHAR(1000)\n"
                           "AS\n"
                           "BEGIN\n"
                           "  RETURN COALESCE(VALOR, SUBSTITUTO);\n"
                           "END"),
        };
    }
};

}  // namespace

const Dialect& FirebirdDialect() {
    static const Firebird dialect;
    return dialect;
}

}  // namespace kpv::db
