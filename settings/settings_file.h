#pragma once

#include "settings/configuration_error.h"
#include "settings/settings_export.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

namespace kpv::settings {

// A configuration file (kpv.ini) as every program of the system reads it: the file must exist, every group
// and key in it must be one the system knows, and each value is checked by the program that reads it, with
// messages of one style: "configuração inválida: [group] key=value (what was expected)". Relative paths in
// the file are taken from the file's own folder, wherever the program was started.
class KPV_SETTINGS_EXPORT SettingsFile {
  public:
    // Throws ConfigurationError when the file is not there, cannot be read, or holds an unknown group or
    // key.
    explicit SettingsFile(const QString& file);

    QString fileName() const { return fileName_; }  // absolute
    QString folder() const { return folder_; }

    bool contains(const QString& group, const QString& key) const;
    // The keys the group holds, in the file's order of no importance.
    QStringList keys(const QString& group) const;

    // The value as written, blanks around it dropped; `fallback` when the key is absent.
    QString text(const QString& group, const QString& key, const QString& fallback = {}) const;
    // An integer within [low, high]; `fallback` when absent.
    qint64 integer(const QString& group, const QString& key, qint64 fallback, qint64 low, qint64 high) const;
    // true/false (also 1/0, yes/no, sim/não); `fallback` when absent.
    bool boolean(const QString& group, const QString& key, bool fallback) const;
    // An ISO date (2026-12-08); an invalid date when absent or empty.
    QDate date(const QString& group, const QString& key) const;
    // A file or folder: a relative one is taken from the file's folder; empty when absent or empty.
    QString path(const QString& group, const QString& key) const;

    // Throws the house message for a value the program cannot use.
    [[noreturn]] void invalid(const QString& group, const QString& key, const QString& expected) const;

  private:
    QString fileName_;
    QString folder_;
    QHash<QString, QHash<QString, QString>> values_;
};

// Resolves a path written in a configuration file: relative ones are taken from `folder`.
KPV_SETTINGS_EXPORT QString ResolvePath(const QString& folder, const QString& path);

}  // namespace kpv::settings
