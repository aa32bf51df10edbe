#include "db/database_settings.h"

#include "db/database_error.h"
#include "settings/settings_file.h"

namespace kpv::db {

namespace {
struct EngineNameRow {
    Engine engine;
    const char* name;
};
constexpr EngineNameRow kEngineNames[] = {
    {Engine::SQLite, "sqlite"},
    {Engine::Firebird, "firebird"},
    {Engine::Oracle, "oracle"},
    {Engine::MSSQL, "mssql"},
};

const QString kGroup = QStringLiteral("database");

// What the embedded engine is given is a file when it names a folder or a file type; a bare name is an
// alias of databases.conf.
bool namesFile(const QString& path) {
    return path.contains(u'/') || path.contains(u'.');
}
}  // namespace

QString EngineName(Engine engine) {
    for (const auto& row : kEngineNames) {
        if (row.engine == engine) return QString::fromLatin1(row.name);
    }
    return {};
}

Engine EngineFromName(const QString& name) {
    const QString wanted = name.trimmed().toLower();
    for (const auto& row : kEngineNames) {
        if (wanted == QLatin1String(row.name)) return row.engine;
    }
    throw DatabaseError(QStringLiteral("Banco de dados desconhecido na configuração: \"%1\" (use sqlite, "
                                       "firebird, oracle ou mssql).")
                            .arg(name));
}

DatabaseSettings ReadDatabaseSettings(const settings::SettingsFile& file) {
    DatabaseSettings s;
    try {
        s.engine = EngineFromName(file.text(kGroup, QStringLiteral("engine"), QStringLiteral("sqlite")));
    } catch (const DatabaseError&) {
        file.invalid(kGroup, QStringLiteral("engine"),
                     QStringLiteral("use sqlite, firebird, oracle ou mssql"));
    }
    s.host = file.text(kGroup, QStringLiteral("host"));
    s.path = file.text(kGroup, QStringLiteral("path"));
    const bool local =
        s.engine == Engine::SQLite || (s.engine == Engine::Firebird && s.host.isEmpty() && namesFile(s.path));
    if (local) s.path = file.path(kGroup, QStringLiteral("path"));
    s.port = int(file.integer(kGroup, QStringLiteral("port"), 0, 0, 65535));
    s.user = file.text(kGroup, QStringLiteral("user"));
    s.password = file.text(kGroup, QStringLiteral("password"));
    s.busyTimeoutMs = int(file.integer(kGroup, QStringLiteral("busyTimeoutMs"), s.busyTimeoutMs, 0, 600000));
    return s;
}

DatabaseSettings ReadServerDatabaseSettings(const settings::SettingsFile& file) {
    DatabaseSettings s = ReadDatabaseSettings(file);
    if (s.path.isEmpty() && s.engine == Engine::SQLite)
        s.path = settings::ResolvePath(file.folder(), QStringLiteral("kpv.db"));
    return s;
}

}  // namespace kpv::db
