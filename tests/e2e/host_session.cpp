#include "host_session.h"

#include "test_database.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

QStringList HostSession::messages() const {
    static const QRegularExpression line(QStringLiteral("^message (\\[[^]]+\\]: .*) -> \\w+$"),
                                         QRegularExpression::MultilineOption);
    QStringList shown;
    for (auto it = line.globalMatch(output); it.hasNext();) shown << it.next().captured(1);
    return shown;
}

QList<QMap<QString, QString>> HostSession::dump(const QString& grid, int n) const {
    const QStringList lines = output.split(QLatin1Char('\n'));
    const QString titlesPrefix = grid + QStringLiteral(" titles: ");
    const QString separator = QStringLiteral(" | ");
    int seen = -1;
    QStringList titles;
    QList<QMap<QString, QString>> rows;
    for (const QString& text : lines) {
        if (text.startsWith(titlesPrefix)) {
            if (++seen > n) break;
            titles = text.mid(titlesPrefix.size()).split(separator);
            continue;
        }
        static const QRegularExpression rowLine(QStringLiteral("^(\\S+) row \\d+: (.*)$"));
        const QRegularExpressionMatch m = rowLine.match(text);
        if (seen != n || !m.hasMatch() || m.captured(1) != grid) continue;
        const QStringList cells = m.captured(2).split(separator);
        QMap<QString, QString> row;
        for (int c = 0; c < titles.size() && c < cells.size(); ++c) row.insert(titles[c], cells[c]);
        rows.push_back(row);
    }
    return rows;
}

HostSession RunHostSession(const QString& folder, const QString& config, const QString& script, int timeoutMs,
                           const QStringList& environment) {
    const QString scriptFile = QDir(folder).filePath(QStringLiteral("session.script"));
    QFile file(scriptFile);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(script.toUtf8());
    file.close();
    QProcess host;
    host.setProcessChannelMode(QProcess::MergedChannels);
    host.setWorkingDirectory(folder);
    host.setEnvironment(QProcess::systemEnvironment() + environment);
    host.start(BuildProgram(QStringLiteral("kpv-host")),
               {QStringLiteral("--config"), config, QStringLiteral("--open"), QStringLiteral("--script"),
                scriptFile});
    HostSession session;
    if (!host.waitForFinished(timeoutMs)) host.kill();
    host.waitForFinished();
    session.output = QString::fromUtf8(host.readAll());
    session.exitCode = host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1;
    return session;
}
