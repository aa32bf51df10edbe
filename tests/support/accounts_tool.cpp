#include "accounts_tool.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

AccountsRun RunAccountsTool(const TestDatabase& database, const QStringList& arguments,
                            const QByteArray& input) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("kpv.ini"));
    QFile ini(config);
    AccountsRun run;
    if (!ini.open(QIODevice::WriteOnly) || ini.write(database.iniGroup().toUtf8()) < 0) return run;
    ini.close();
    QProcess tool;
    tool.start(BuildProgram(QStringLiteral("kpv-accounts")),
               QStringList{QStringLiteral("--config"), config} + arguments);
    tool.write(input);
    tool.closeWriteChannel();
    if (tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit)
        run.exitCode = tool.exitCode();
    else
        tool.kill();
    tool.waitForFinished();
    run.output = QString::fromUtf8(tool.readAllStandardOutput());
    run.errors = QString::fromUtf8(tool.readAllStandardError());
    return run;
}

bool AddAccount(const TestDatabase& database, const QString& login, const QString& rights,
                const QString& password, QString* error) {
    const AccountsRun run =
        RunAccountsTool(database,
                        {QStringLiteral("add"), login, QStringLiteral("--name"),
                         QStringLiteral("Conta %1").arg(login), QStringLiteral("--rights"), rights},
                        password.toUtf8() + '\n');
    if (run.exitCode == 0) return true;
    if (error) *error = run.errors + run.output;
    return false;
}
