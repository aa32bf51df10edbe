#pragma once

#include "db/database_error.h"

#include <QString>

#include <chrono>
#include <functional>

class QSqlDatabase;
class QSqlQuery;

namespace kpv::db {

// Prepares a statement, for the connection the query was made on. Throws DatabaseError.
void Prepare(QSqlQuery& query, const QString& sql);

// Executes a prepared query. Throws ConflictError for a lock or update conflict, DatabaseError for any
// other failure; `what` says in Portuguese what the statement was for.
void Exec(QSqlQuery& query, const QString& what);

// Runs `work` inside a write transaction of the connection: committed when it returns true, rolled back
// when it returns false or throws. Work that meets a conflict (a concurrent writer's lock held for more
// than a short wait, or an update conflict) is rolled back and run again from the start, so its effects
// are applied exactly once. Once `deadline` has passed it gives up with BusyError, nothing committed.
void RunWriteTransaction(QSqlDatabase& db, const std::function<bool()>& work,
                         std::chrono::milliseconds deadline);

}  // namespace kpv::db
