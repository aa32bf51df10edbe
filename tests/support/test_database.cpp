#include "test_database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>

namespace {
constexpr int kDemoDataTimeoutMs = 180000;
}  // namespace

QString BuildProgram(const QString& name) {
    const QString bin = qEnvironmentVariable("KPV_BIN_DIR", QCoreApplication::applicationDirPath());
    return QDir(bin).filePath(name);
}

TestDatabase TestDatabase::Sqlite(const QString& folder) {
    TestDatabase d;
    d.engine = QStringLiteral("sqlite");
    d.path = QDir(folder).filePath(QStringLiteral("kpv.db"));
    return d;
}

TestDatabase TestDatabase::FirebirdEmbedded(const QString& folder) {
    TestDatabase d;
    d.engine = QStringLiteral("firebird");
    d.path = QDir(folder).filePath(QStringLiteral("kpv.fdb"));
    d.user = QStringLiteral("SYSDBA");
    return d;
}

TestDatabase TestDatabase::FirebirdServer(const QString& name) {
    const std::optional<FirebirdServerInfo> server = RunningFirebirdServer();
    if (!server) return {};
    TestDatabase d;
    d.engine = QStringLiteral("firebird");
    d.path = QDir(server->databases).filePath(name + QStringLiteral(".fdb"));
    QFile::remove(d.path);
    d.host = server->host;
    d.port = server->port;
    d.user = server->user;
    d.password = server->password;
    return d;
}

QString TestDatabase::describe() const {
    if (engine == QLatin1String("sqlite")) return QStringLiteral("SQLite");
    return host.isEmpty() ? QStringLiteral("Firebird embedded") : QStringLiteral("Firebird server");
}

QString TestDatabase::iniGroup() const {
    QString text = QStringLiteral("[database]\nengine=%1\npath=%2\n").arg(engine, path);
    if (!host.isEmpty()) text += QStringLiteral("host=%1\nport=%2\n").arg(host).arg(port);
    if (!user.isEmpty()) text += QStringLiteral("user=%1\n").arg(user);
    if (!password.isEmpty()) text += QStringLiteral("password=%1\n").arg(password);
    return text;
}

std::optional<FirebirdServerInfo> RunningFirebirdServer() {
    const QString file = QDir(BuildProgram(QString()))
                             .absoluteFilePath(QStringLiteral("../firebird-test-server/connection.ini"));
    if (!QFileInfo::exists(file)) return std::nullopt;
    QSettings ini(file, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("firebird"));
    FirebirdServerInfo info{
        ini.value(QStringLiteral("host")).toString(), ini.value(QStringLiteral("port")).toInt(),
        ini.value(QStringLiteral("user")).toString(), ini.value(QStringLiteral("password")).toString(),
        ini.value(QStringLiteral("databases")).toString()};
    if (info.port <= 0) return std::nullopt;
    return info;
}

bool RunDemoData(const TestDatabase& d, int invoices, quint64 seed, const QDate& until, QString* error) {
    QStringList args{QStringLiteral("--engine"),   d.engine,
                     QStringLiteral("--database"), d.path,
                     QStringLiteral("--invoices"), QString::number(invoices),
                     QStringLiteral("--seed"),     QString::number(seed),
                     QStringLiteral("--until"),    until.toString(Qt::ISODate),
                     QStringLiteral("--replace")};
    if (!d.host.isEmpty())
        args << QStringLiteral("--host") << d.host << QStringLiteral("--port") << QString::number(d.port);
    if (!d.user.isEmpty()) args << QStringLiteral("--user") << d.user;
    if (!d.password.isEmpty()) args << QStringLiteral("--password") << d.password;
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(BuildProgram(QStringLiteral("kpv-demodata")), args);
    const bool finished = tool.waitForFinished(kDemoDataTimeoutMs);
    const QString output = QString::fromUtf8(tool.readAll());
    if (finished && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0) return true;
    if (!finished) tool.kill();
    if (error) *error = QStringLiteral("kpv-demodata failed: %1 %2").arg(tool.errorString(), output);
    return false;
}
