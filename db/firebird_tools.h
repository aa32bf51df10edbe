#pragma once

#include "db/db_export.h"

namespace kpv::db {

struct DatabaseSettings;

// Creates an empty Firebird database (embedded file, or on the server named by the settings) with the
// isql tool of the Firebird installation. Throws DatabaseError when it cannot.
KPV_DB_EXPORT void CreateFirebirdDatabase(const DatabaseSettings& settings);

// Switches Firebird's forced writes (every page write waits for the disk) on or off, with the gfix tool.
// A bulk load runs far faster without them; the database must not be attached by this process then.
KPV_DB_EXPORT void SetFirebirdForcedWrites(const DatabaseSettings& settings, bool on);

}  // namespace kpv::db
