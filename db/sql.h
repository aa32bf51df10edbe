#pragma once

#include "db/database_error.h"
#include "db/db_export.h"

#include <QString>

class QSqlQuery;

namespace kpv::db {

// Prepares a statement through Qt, for the connection the query was made on. Throws DatabaseError.
KPV_DB_EXPORT void Prepare(QSqlQuery& query, const QString& sql);

// Executes a prepared query; `what` says in Portuguese what the statement was for. Throws DatabaseError.
KPV_DB_EXPORT void Exec(QSqlQuery& query, const QString& what);

}  // namespace kpv::db
