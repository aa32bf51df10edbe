#pragma once

#include "db/db_export.h"

#include <QString>

namespace kpv::settings {
class SettingsFile;
}

namespace kpv::db {

enum class Engine { SQLite, Firebird, Oracle, MSSQL };

// Where the application database lives: the [database] group of kpv.ini (keys in db/README.md).
struct DatabaseSettings {
    Engine engine = Engine::SQLite;
    QString path;  // SQLite file; Firebird database file or alias; Oracle service; MSSQL database
    QString host;  // empty: SQLite file, or Firebird embedded in the calling process
    int port = 0;  // 0: the engine's default port
    QString user;
    QString password;
    int busyTimeoutMs = 10000;  // how long a writer waits for another one to finish
};

// Reads and checks the [database] group. A relative path of a file on this machine (SQLite, or a Firebird
// file opened by the embedded engine) is taken from the configuration file's folder; an alias or a path on
// a Firebird server's disk is the server's. Throws settings::ConfigurationError.
KPV_DB_EXPORT DatabaseSettings ReadDatabaseSettings(const settings::SettingsFile& file);
// The application server's database, as kpv-appserver and kpv-accounts read it: the [database] group, and
// for SQLite without a path the file kpv.db beside the configuration.
KPV_DB_EXPORT DatabaseSettings ReadServerDatabaseSettings(const settings::SettingsFile& file);

KPV_DB_EXPORT QString EngineName(Engine engine);
// Throws DatabaseError for a name that is not sqlite, firebird, oracle or mssql.
KPV_DB_EXPORT Engine EngineFromName(const QString& name);

}  // namespace kpv::db
