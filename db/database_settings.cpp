#include "db/database_settings.h"

#include "db/database_error.h"

#include <QSettings>

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

DatabaseSettings ReadDatabaseSettings(QSettings& settings) {
    DatabaseSettings s;
    settings.beginGroup(QStringLiteral("database"));
    s.engine = EngineFromName(settings.value(QStringLiteral("engine"), QStringLiteral("sqlite")).toString());
    s.path = settings.value(QStringLiteral("path")).toString();
    s.host = settings.value(QStringLiteral("host")).toString();
    s.port = settings.value(QStringLiteral("port"), 0).toInt();
    s.user = settings.value(QStringLiteral("user")).toString();
    s.password = settings.value(QStringLiteral("password")).toString();
    s.busyTimeoutMs = settings.value(QStringLiteral("busyTimeoutMs"), s.busyTimeoutMs).toInt();
    settings.endGroup();

    return s;
}

}  // namespace kpv::db
