#pragma once

#include "db/db_export.h"

#include <QDateTime>
#include <QString>

class QSqlDatabase;

namespace kpv::db {

class Connection;

// How a host makes sure that it reads the very database its application server writes to, and not another
// one or a stale copy of it: when the host connects, the server records a fresh random value, the witness,
// and answers it; the host looks for it through its own connection. A copy made before cannot hold it.

// 32 hexadecimal digits from the system's random source.
KPV_DB_EXPORT QString NewDatabaseWitness();

// Records `witness` inside the caller's write transaction; witnesses older than a day go with it, so the
// table stays small.
KPV_DB_EXPORT void RecordDatabaseWitness(Connection& connection, const QString& witness,
                                         const QDateTime& now);

// Whether the database open as `db` holds `witness`. Throws DatabaseError when it cannot be asked.
KPV_DB_EXPORT bool HoldsDatabaseWitness(QSqlDatabase& db, const QString& witness);

}  // namespace kpv::db
