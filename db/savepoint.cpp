#include "db/savepoint.h"

#include "db/connection.h"

namespace kpv::db {

Savepoint::Savepoint(Connection& connection, QLatin1String name) : connection_(connection), name_(name) {
    connection_.prepare(QStringLiteral("SAVEPOINT ") + name_).execute({});
}

Savepoint::~Savepoint() {
    if (!open_) return;
    // Unwinding from a failed write: the transaction is the writer's to judge, and a connection that
    // cannot even roll back is reported by its next statement.
    try {
        rollback();
    } catch (...) {
    }
}

void Savepoint::release() {
    open_ = false;
    connection_.prepare(QStringLiteral("RELEASE SAVEPOINT ") + name_).execute({});
}

void Savepoint::rollback() {
    open_ = false;
    connection_.prepare(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name_).execute({});
    connection_.prepare(QStringLiteral("RELEASE SAVEPOINT ") + name_).execute({});
}

}  // namespace kpv::db
