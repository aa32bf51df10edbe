#pragma once

#include <QString>

class QSettings;

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

// Reads the [database] group; a relative path is taken from the working folder, as the host does.
// Throws DatabaseError on an unknown engine.
DatabaseSettings ReadDatabaseSettings(QSettings& settings);

QString EngineName(Engine engine);
// Throws DatabaseError for a name that is not sqlite, firebird, oracle or mssql.
Engine EngineFromName(const QString& name);

}  // namespace kpv::db
