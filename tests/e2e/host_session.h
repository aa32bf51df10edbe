#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// One run of the real kpv-host playing a session script, and what it printed.
struct HostSession {
    int exitCode = -1;
    QString output;

    bool passed() const { return exitCode == 0 && output.contains(QStringLiteral("session: passed")); }
    // The message boxes shown, in order, as "[type] text".
    QStringList messages() const;
    // The rows of the n-th dump of a grid (0-based), each a map from column title to cell text.
    QList<QMap<QString, QString>> dump(const QString& grid, int n) const;
};

// Runs kpv-host with the package, the configuration and the script text, and the environment's variables
// besides ("KPV_PASSWORD=..."); waits for it to end.
HostSession RunHostSession(const QString& folder, const QString& config, const QString& script,
                           int timeoutMs = 240000, const QStringList& environment = {});
