#pragma once

#include "db/dialect.h"

class QSqlError;

namespace kpv::db {

const Dialect& SqliteDialect();
const Dialect& FirebirdDialect();
const Dialect& OracleDialect();
const Dialect& MssqlDialect();

// Raises DatabaseError with the statement's error; `what` says what was being done, in Portuguese.
[[noreturn]] void ThrowSqlError(const QString& what, const QSqlError& error);

// Makes the folder of a database file that is about to be created. Throws DatabaseError.
void MakeParentFolder(const QString& file);

}  // namespace kpv::db
