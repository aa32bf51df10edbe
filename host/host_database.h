#pragma once

#include "db/database_settings.h"

namespace kpv::settings {
class SettingsFile;
}

namespace kpv::host {

// The host's own connection to the application database, which the screens' queries and the reports use
// (dtmDBGeral). The host reads what the application server keeps: it opens the database as it is and
// never creates one. Throws db::DatabaseError.
void OpenHostDatabase(const db::DatabaseSettings& database);

// The branches the [context] group names must be branches of that database. Throws
// settings::ConfigurationError.
void CheckContextBranches(const settings::SettingsFile& file, const db::DatabaseSettings& database);

// Has every connection to an application server make sure, before its first call, that the server works
// on this very database: a clerk never prints an RPS from one database that was numbered in another.
void InstallDatabaseCheck(const db::DatabaseSettings& database);

}  // namespace kpv::host
