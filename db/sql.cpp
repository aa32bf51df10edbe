#include "db/sql.h"

#include "db/dialect_p.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace kpv::db {

namespace {
// How long one attempt waits for a lock another writer holds before it starts over: long enough for
// writes as short as the server's, short enough to leave retries before the deadline.
constexpr std::chrono::milliseconds kLockWait{1000};

std::chrono::milliseconds remaining(const QDeadlineTimer& deadline) {
    return std::chrono::ceil<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
}
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

void RunWriteTransaction(QSqlDatabase& db, const std::function<bool()>& work,
                         std::chrono::milliseconds deadline) {
    const Dialect& dialect = DialectOf(db);
    const QDeadlineTimer timer(deadline);
    for (int attempt = 1;; ++attempt) {
        const std::chrono::milliseconds wait = std::min(kLockWait, remaining(timer));
        if (wait <= std::chrono::milliseconds::zero()) {
            throw BusyError(QStringLiteral("O banco de dados esteve ocupado com outras gravações por mais de "
                                           "%1 s; nada foi gravado. Tente novamente.")
                                .arg(std::chrono::ceil<std::chrono::seconds>(deadline).count()));
        }
        try {
            try {
                bool commit = false;
                {  // released before the transaction ends: no lock wait limit may cut a commit short
                    const std::unique_ptr<LockWaitLimit> limit = dialect.limitLockWaits(db, wait);
                    dialect.begin(db);
                    commit = work();
                }
                if (commit)
                    dialect.commit(db);
                else
                    dialect.rollback(db);
                return;
            } catch (...) {
                db.rollback();
                throw;
            }
        } catch (const ConflictError&) {
            // Lost against a concurrent writer: start over, after a short random pause that keeps the
            // writers that lost from colliding again in step.
        }
        const std::chrono::milliseconds pause(1 + QRandomGenerator::global()->bounded(qMin(2 * attempt, 20)));
        QThread::msleep(static_cast<unsigned long>(std::min(pause, remaining(timer)).count()));
    }
}

}  // namespace kpv::db
