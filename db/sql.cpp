#include "db/sql.h"

#include "db/dialect_p.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace kpv::db {

namespace {
// Enough for dozens of writers queuing on one counter row.
constexpr int kAttempts = 200;
}  // namespace

void Prepare(QSqlQuery& query, const QString& sql) {
    if (!query.prepare(sql)) {
        ThrowSqlError(QStringLiteral("Falha ao preparar comando SQL (%1)").arg(sql.simplified().left(60)),
                      query.lastError());
    }
}

void Exec(QSqlQuery& query, const QString& what) {
    if (!query.exec()) ThrowStatementError(DialectOf(query.driver()), what, query.lastError());
}

void RunWriteTransaction(QSqlDatabase& db, const std::function<bool()>& work) {
    const Dialect& dialect = DialectOf(db);
    for (int attempt = 1;; ++attempt) {
        try {
            dialect.begin(db);
            try {
                if (work())
                    dialect.commit(db);
                else
                    dialect.rollback(db);
                return;
            } catch (...) {
                db.rollback();
                throw;
            }
        } catch (const ConflictError&) {
            if (attempt == kAttempts) throw;
        }
        // A short random pause keeps the writers that lost from colliding again in step.
        QThread::msleep(1 + QRandomGenerator::global()->bounded(qMin(2 * attempt, 20)));
    }
}

}  // namespace kpv::db
