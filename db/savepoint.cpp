#include "db/savepoint.h"

#include "db/connection.h"

namespace kpv::db {

namespace {
// SQLite and Firebird both take these words; one name serves, as savepoints of one transaction never nest
// here.
const QString kSet = QStringLiteral("SAVEPOINT KPV_WRITE");
const QString kRelease = QStringLiteral("RELEASE SAVEPOINT KPV_WRITE");
const QString kRollback = QStringLiteral("ROLLBACK TO SAVEPOINT KPV_WRITE");
}  // namespace

Savepoint::Savepoint(Connection& connection) : connection_(connection) {
    connection_.prepare(kSet).execute({});
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
    connection_.prepare(kRelease).execute({});
}

void Savepoint::rollback() {
    open_ = false;
    connection_.prepare(kRollback).execute({});
    connection_.prepare(kRelease).execute({});
}

}  // namespace kpv::db
