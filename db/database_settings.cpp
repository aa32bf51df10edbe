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

namespace {
// An integer key within [low, high]; absent keeps `fallback`.
int integer(QSettings& s, const QString& key, int fallback, int low, int high) {
    if (!s.contains(key)) return fallback;
    const QString text = s.value(key).toString().trimmed();
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high) {
        throw DatabaseError(
            QStringLiteral("configuração inválida: [database] %1=%2 (esperado um número inteiro "
                           "de %3 a %4)")
                .arg(key, text)
                .arg(low)
                .arg(high));
    }
    return value;
}
}  // namespace

DatabaseSettings ReadDatabaseSettings(QSettings& settings) {
    DatabaseSettings s;
    settings.beginGroup(QStringLiteral("database"));
    s.engine = EngineFromName(settings.value(QStringLiteral("engine"), QStringLiteral("sqlite")).toString());
    s.path = settings.value(QStringLiteral("path")).toString();
    s.host = settings.value(QStringLiteral("host")).toString();
    s.port = integer(settings, QStringLiteral("port"), 0, 0, 65535);
    s.user = settings.value(QStringLiteral("user")).toString();
    s.password = settings.value(QStringLiteral("password")).toString();
    s.busyTimeoutMs = integer(settings, QStringLiteral("busyTimeoutMs"), s.busyTimeoutMs, 0, 600000);
    settings.endGroup();

    return s;
}

}  // namespace kpv::db
