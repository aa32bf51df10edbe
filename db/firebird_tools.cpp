#include "db/firebird_tools.h"

#include "db/database_error.h"
#include "db/database_settings.h"
#include "db/dialect_p.h"
#include "db/firebird_client.h"

#include <QProcess>
#include <QStandardPaths>

namespace kpv::db {

namespace {

constexpr int kToolTimeoutMs = 60000;

QString quoted(const QString& literal) {
    QString text = literal;
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// Debian names the tools isql-fb and gfix; Firebird's own packages keep them in /opt/firebird/bin.
QString firebirdTool(const QStringList& names) {
    for (const QString& name : names) {
        QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty()) return found;
        QString own = QStandardPaths::findExecutable(name, {QStringLiteral("/opt/firebird/bin")});
        if (!own.isEmpty()) return own;
    }
    throw DatabaseError(QStringLiteral("Ferramenta %1 do Firebird não encontrada (pacote firebird3.0-utils).")
                            .arg(names.last()));
}

// Runs a Firebird tool; the credentials travel in its environment, never on its command line.
QString runFirebirdTool(const DatabaseSettings& s, const QStringList& names, const QStringList& arguments,
                        const QByteArray& input, const QString& what) {
    // The tool runs the same embedded engine as this process, so both share a file the same way.
    UseProjectFirebirdConfiguration();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ISC_USER"), FirebirdUser(s));
    env.insert(QStringLiteral("ISC_PASSWORD"), s.password);
    tool.setProcessEnvironment(env);
    tool.start(firebirdTool(names), arguments);
    if (!tool.waitForStarted()) {
        throw DatabaseError(
            QStringLiteral("Não foi possível executar %1: %2").arg(names.last(), tool.errorString()));
    }
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(kToolTimeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        throw DatabaseError(
            QStringLiteral("%1 não terminou ao %2 \"%3\".").arg(names.last(), what, FirebirdTarget(s)));
    }
    QString output = QString::fromUtf8(tool.readAll()).trimmed();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0 ||
        output.contains(QLatin1String("Statement failed"))) {
        throw DatabaseError(QStringLiteral("Não foi possível %1 o banco de dados Firebird \"%2\": %3")
                                .arg(what, FirebirdTarget(s), output));
    }
    return output;
}

}  // namespace

void CreateFirebirdDatabase(const DatabaseSettings& s) {
    if (s.host.isEmpty()) MakeParentFolder(s.path);
    QString script = QStringLiteral("SET SQL DIALECT 3;\nCREATE DATABASE %1 USER %2")
                         .arg(quoted(FirebirdTarget(s)), quoted(FirebirdUser(s)));
    if (!s.password.isEmpty()) script += QStringLiteral(" PASSWORD ") + quoted(s.password);
    script += QStringLiteral(" PAGE_SIZE 16384 DEFAULT CHARACTER SET UTF8;\nEXIT;\n");
    // The password is in the script on standard input, never on the command line.
    runFirebirdTool(s, {QStringLiteral("isql-fb"), QStringLiteral("isql")},
                    {QStringLiteral("-q"), QStringLiteral("-b")}, script.toUtf8(), QStringLiteral("criar"));
}

void SetFirebirdForcedWrites(const DatabaseSettings& s, bool on) {
    runFirebirdTool(
        s, {QStringLiteral("gfix")},
        {QStringLiteral("-write"), on ? QStringLiteral("sync") : QStringLiteral("async"), FirebirdTarget(s)},
        {}, QStringLiteral("configurar"));
}

}  // namespace kpv::db
