#include "appserver_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

namespace {
// Sanitizers and the Firebird engine make the first start slow.
constexpr int kStartTimeoutMs = 60000;
constexpr int kStopTimeoutMs = 15000;
}  // namespace

AppServerProcess::AppServerProcess(const TestDatabase& database, const AppServerLimits& limits)
    : database_(database), limits_(limits) {}

AppServerProcess::~AppServerProcess() {
    stop();
}

bool AppServerProcess::start(QString* error) {
    const QString config = dir_.filePath(QStringLiteral("kpv.ini"));
    QString ini = QStringLiteral("[server]\nhost=127.0.0.1\nport=0\n");
    if (!limits_.token.isEmpty()) ini += QStringLiteral("token=%1\n").arg(limits_.token);
    if (limits_.maxBodyBytes) ini += QStringLiteral("maxBodyBytes=%1\n").arg(limits_.maxBodyBytes);
    if (limits_.readTimeoutMs) ini += QStringLiteral("readTimeoutMs=%1\n").arg(limits_.readTimeoutMs);
    if (limits_.idleTimeoutMs) ini += QStringLiteral("idleTimeoutMs=%1\n").arg(limits_.idleTimeoutMs);
    if (limits_.maxConnections) ini += QStringLiteral("maxConnections=%1\n").arg(limits_.maxConnections);
    if (!limits_.more.isEmpty()) ini += limits_.more + QLatin1Char('\n');
    ini += QLatin1Char('\n') + database_.iniGroup() + limits_.groups;
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(ini.toUtf8()) < 0) {
        if (error) *error = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    file.close();

    // Standard error goes to a file the server flushes line by line: the log is whole at any moment.
    process_.setStandardErrorFile(logFile());
    process_.start(BuildProgram(QStringLiteral("kpv-appserver")), {QStringLiteral("--config"), config});
    const QRegularExpression listening(QStringLiteral("listening on ([0-9.]+):([0-9]+)"));
    QByteArray out;
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch()) {
            port_ = match.captured(2).toInt();
            return true;
        }
    }
    if (error)
        *error = QStringLiteral("kpv-appserver did not start over %1: %2").arg(database_.describe(), log());
    stop();
    return false;
}

int AppServerProcess::stop() {
    if (process_.state() == QProcess::NotRunning)
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished();
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

void AppServerProcess::crash() {
    process_.kill();
    process_.waitForFinished();
}

QString AppServerProcess::logFile() const {
    return dir_.filePath(QStringLiteral("kpv-appserver.log"));
}

QString AppServerProcess::log() const {
    QFile file(logFile());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
