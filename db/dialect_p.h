#pragma once

#include "db/dialect.h"

namespace kpv::db {

const Dialect& SqliteDialect();
const Dialect& FirebirdDialect();

// Raises DatabaseError with the statement's error; `what` says what was being done, in Portuguese.
[[noreturn]] void ThrowSqlError(const QString& what, const QSqlError& error);
// The same, raising ConflictError when the dialect sees a conflict with a concurrent transaction.
[[noreturn]] void ThrowStatementError(const Dialect& dialect, const QString& what, const QSqlError& error);

}  // namespace kpv::db
