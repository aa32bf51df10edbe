#include "db/write_transaction.h"

#include "db/connection.h"

#include <QRandomGenerator>
#include <QThread>

namespace kpv::db {

BusyError BusyFor(qint64 seconds) {
    return BusyError(
        QStringLiteral("O banco de dados esteve ocupado com outras gravações por mais de %1 s; nada "
                       "foi gravado. Tente novamente.")
            .arg(seconds));
}

void RunWriteTransaction(Connection& connection, const std::function<bool()>& work,
                         const QDeadlineTimer& deadline) {
    const qint64 budgetSeconds = std::max<qint64>(1, (deadline.remainingTime() + 999) / 1000);
    for (int attempt = 1;; ++attempt) {
        const auto remaining = std::chrono::milliseconds(deadline.remainingTime());
        if (deadline.hasExpired() || remaining <= std::chrono::milliseconds::zero()) {
            throw BusyFor(budgetSeconds);
        }
        try {
            connection.begin(Access::Write, std::min(kLockWait, remaining));
            bool commit = false;
            try {
                commit = work();
            } catch (...) {
                connection.rollback();
                throw;
            }
            if (!commit) {
                connection.rollback();
                return;
            }
            connection.commit();
            return;
        } catch (const ConflictError&) {
            // Lost against a concurrent writer: start over, after a short random pause that keeps the
            // writers that lost from colliding again in step.
            connection.rollback();
        }
        const qint64 pause = 1 + QRandomGenerator::global()->bounded(qMin(2 * attempt, 20));
        QThread::msleep(static_cast<unsigned long>(qMin(pause, qMax<qint64>(0, deadline.remainingTime()))));
    }
}

}  // namespace kpv::db
