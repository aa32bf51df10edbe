#include "settings/settings_file.h"

#include "settings/known_keys_p.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace kpv::settings {

namespace {

QString asText(const QVariant& value) {
    // QSettings splits a value at its commas; the file's text is what counts.
    if (value.metaType() == QMetaType::fromType<QStringList>()) return value.toStringList().join(u',');
    return value.toString();
}

}  // namespace

SettingsFile::SettingsFile(const QString& file) {
    const QFileInfo info(file);
    if (!info.exists())
        throw ConfigurationError(QStringLiteral("arquivo de configuração não encontrado: %1").arg(file));
    if (!info.isFile() || !info.isReadable())
        throw ConfigurationError(
            QStringLiteral("arquivo de configuração sem permissão de leitura: %1").arg(file));
    fileName_ = info.absoluteFilePath();
    folder_ = info.absolutePath();

    QSettings ini(fileName_, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        throw ConfigurationError(
            QStringLiteral("arquivo de configuração ilegível (formato inválido): %1").arg(file));
    }
    for (const QString& path : ini.allKeys()) {
        const qsizetype slash = path.indexOf(u'/');
        const QString group = slash < 0 ? QStringLiteral("General") : path.left(slash);
        const QString key = slash < 0 ? path : path.mid(slash + 1);
        const QString value = asText(ini.value(path));
        if (!IsKnownGroup(group)) {
            throw ConfigurationError(QStringLiteral("configuração inválida: %1 (grupo desconhecido em %2)")
                                         .arg(slash < 0
                                                  ? QStringLiteral("%1=%2 fora de um grupo").arg(key, value)
                                                  : QStringLiteral("[%1]").arg(group),
                                              fileName_));
        }
        if (!IsKnownKey(group, key)) {
            throw ConfigurationError(QStringLiteral("configuração inválida: [%1] %2=%3 (chave desconhecida)")
                                         .arg(group, key, value));
        }
        values_[group].insert(key, value);
    }
}

bool SettingsFile::contains(const QString& group, const QString& key) const {
    return values_.value(group).contains(key);
}

QStringList SettingsFile::keys(const QString& group) const {
    return values_.value(group).keys();
}

QString SettingsFile::text(const QString& group, const QString& key, const QString& fallback) const {
    const auto g = values_.constFind(group);
    if (g == values_.constEnd()) return fallback;
    const auto v = g->constFind(key);
    return v == g->constEnd() ? fallback : v->trimmed();
}

void SettingsFile::invalid(const QString& group, const QString& key, const QString& expected) const {
    throw ConfigurationError(QStringLiteral("configuração inválida: [%1] %2=%3 (%4)")
                                 .arg(group, key, values_.value(group).value(key), expected));
}

qint64 SettingsFile::integer(const QString& group, const QString& key, qint64 fallback, qint64 low,
                             qint64 high) const {
    if (!contains(group, key)) return fallback;
    bool ok = false;
    const qint64 value = text(group, key).toLongLong(&ok);
    if (!ok || value < low || value > high)
        invalid(group, key, QStringLiteral("esperado um número inteiro de %1 a %2").arg(low).arg(high));
    return value;
}

bool SettingsFile::boolean(const QString& group, const QString& key, bool fallback) const {
    if (!contains(group, key)) return fallback;
    const QString value = text(group, key).toLower();
    if (value == u"true" || value == u"1" || value == u"yes" || value == u"sim") return true;
    if (value == u"false" || value == u"0" || value == u"no" || value == u"nao" || value == u"não")
        return false;
    invalid(group, key, QStringLiteral("esperado true ou false"));
}

QDate SettingsFile::date(const QString& group, const QString& key) const {
    const QString value = text(group, key);
    if (value.isEmpty()) return {};
    // Qt's ISO reading takes "2026-12-8" and a trailing time; a configuration names the day in full.
    const QDate date = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) invalid(group, key, QStringLiteral("esperada uma data AAAA-MM-DD, como 2026-12-08"));
    return date;
}

QString SettingsFile::path(const QString& group, const QString& key) const {
    return ResolvePath(folder_, text(group, key));
}

QString ResolvePath(const QString& folder, const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path)) return path;
    return QDir::cleanPath(QDir(folder).filePath(path));
}

}  // namespace kpv::settings
