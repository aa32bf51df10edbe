#pragma once

#include "db/database_settings.h"
#include "db/db_export.h"

#include <QSqlDatabase>
#include <QString>

namespace kpv::db {

// Opens the application database as the QtSql connection `connectionName` and returns it. A SQLite file
// or a Firebird database that does not exist yet is created, and an empty database receives the
// schema, so the first run needs no preparation. Throws DatabaseError with the engine's reason.
KPV_DB_EXPORT QSqlDatabase OpenDatabase(const DatabaseSettings& settings, const QString& connectionName);

// Creates every table, index and routine when the database has none of the tables yet. A database an
// earlier version made gets what it lacks of the server's own tables and of the columns added since; one
// that lacks a table of the host application is refused rather than patched.
KPV_DB_EXPORT void InstallSchema(QSqlDatabase& db);

// Opens the database as it is, creating nothing and installing nothing, for a program that reads what the
// server keeps: it never makes an empty database of its own by mistake. Throws DatabaseError, saying so
// when there is no such database.
KPV_DB_EXPORT QSqlDatabase OpenExistingDatabase(const DatabaseSettings& settings,
                                                const QString& connectionName);

// Removes the connection after its last handle is gone.
KPV_DB_EXPORT void CloseDatabase(const QString& connectionName);

// What a database holds, as its engine answers: an alias or a path on a server's disk reads as the
// server sees it, never as a file of this machine.
enum class DatabaseContent {
    Missing,  // no such database
    Empty,    // no row in any table of the schema, or no schema yet
    Data,     // rows in the schema's tables: writing demo data would replace them
};

// Asks the database what it holds, creating nothing. Throws DatabaseError when it cannot be reached for
// another reason than its absence (a stopped server, a wrong password).
KPV_DB_EXPORT DatabaseContent InspectDatabase(const DatabaseSettings& settings);

// Whether any table of the schema holds a row.
KPV_DB_EXPORT bool HoldsData(QSqlDatabase& db);

// The database as messages name it: the engine and where, e.g. Firebird "127.0.0.1/3055:kpvalias".
KPV_DB_EXPORT QString DescribeDatabase(const DatabaseSettings& settings);

}  // namespace kpv::db
