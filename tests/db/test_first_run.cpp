// The first run of `make run` and every run after it: scripts/demo-database.sh fills a database once,
// asking the database itself what it holds, and neither a second run nor kpv-demodata without --replace
// replaces the data a database holds, on every engine and kind of path, while the application server has
// the database open (on the embedded engine, the same file in several processes at once). And the scripts
// that remove files remove only what they made.
#include "appserver_process.h"
#include "db/database.h"
#include "test_database.h"
#include "test_database_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kKept = QStringLiteral("Mantida pela segunda execução");

struct Run {
    int exitCode = -1;
    QString output;
};

Run run(const QString& program, const QStringList& args) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    const bool finished = process.waitForFinished(180000);
    if (!finished) process.kill();
    const QString output = QString::fromUtf8(process.readAll());
    if (!finished || process.exitStatus() != QProcess::NormalExit) return {-1, output};
    return {process.exitCode(), output};
}

// What `make run` does with the database before it starts the server.
Run runStep(const QString& config) {
    return run(qEnvironmentVariable("KPV_SOURCE_DIR") + QStringLiteral("/scripts/demo-database.sh"),
               {qEnvironmentVariable("KPV_BIN_DIR"), config});
}

// Company 01's name: written by the test after the first run, gone when the data is replaced.
QString companyName(const TestDatabase& d, const QString& newName = QString()) {
    const QString connection = QStringLiteral("first-run");
    QString name;
    {
        QSqlDatabase db = kpv::db::OpenDatabase(SettingsOf(d), connection);
        QSqlQuery q(db);
        if (!newName.isEmpty()) {
            q.prepare(QStringLiteral("UPDATE EMPRESA SET NMRAZSOCEMPR = ? WHERE CDEMPRESA = '01'"));
            q.addBindValue(newName);
            if (!q.exec()) qWarning() << q.lastError().text();
        }
        if (q.exec(QStringLiteral("SELECT NMRAZSOCEMPR FROM EMPRESA WHERE CDEMPRESA = '01'")) && q.next())
            name = q.value(0).toString().trimmed();
    }
    kpv::db::CloseDatabase(connection);
    return name;
}

}  // namespace

class FirstRun : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private Q_SLOTS:
    void laterRunsKeepTheData_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("SQLite file") << "sqlite";
        QTest::newRow("Firebird server, path on its disk") << "server_path";
        QTest::newRow("Firebird server, alias") << "server_alias";
        QTest::newRow("Firebird embedded file") << "embedded";
    }
    void laterRunsKeepTheData() {
        QFETCH(QString, kind);
        const QString pid = QString::number(QCoreApplication::applicationPid());
        TestDatabase database = kind == u"sqlite"     ? TestDatabase::Sqlite(dir_.filePath(kind))
                                : kind == u"embedded" ? TestDatabase::FirebirdEmbedded(dir_.filePath(kind))
                                                      : TestDatabase::FirebirdServer(kind + u'_' + pid);
        if (!database.isValid()) QSKIP("the firebird_server fixture is not running");
        if (kind == u"server_alias") {
            // The alias the fixture's server knows (tests/README.md); a file left by an earlier run goes.
            const QString aliased = QFileInfo(database.path).dir().filePath(QStringLiteral("kpv_alias.fdb"));
            QFile::remove(aliased);
            database.path = QStringLiteral("kpv_alias");
        }
        const QString config = dir_.filePath(kind + QStringLiteral(".ini"));
        QFile ini(config);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(database.iniGroup().toUtf8());
        ini.close();
        const QString named = kpv::db::DescribeDatabase(SettingsOf(database));

        const Run first = runStep(config);
        QVERIFY2(first.exitCode == 0, qPrintable(first.output));
        QVERIFY2(first.output.contains(
                     QStringLiteral("o banco de dados %1 não existe; criando os dados de demonstração")
                         .arg(named)),
                 qPrintable(first.output));
        QCOMPARE(companyName(database, kKept), kKept);

        QString error;
        AppServerProcess server(database);
        QVERIFY2(server.start(&error), qPrintable(error));

        const Run second = runStep(config);
        QVERIFY2(second.exitCode == 0, qPrintable(second.output));
        QVERIFY2(
            second.output.contains(
                QStringLiteral("o banco de dados %1 já tem o esquema e dados; fica como está").arg(named)),
            qPrintable(second.output));
        const Run refused =
            run(BuildProgram(QStringLiteral("kpv-demodata")), {QStringLiteral("--config"), config});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.output.contains(
                     QStringLiteral("kpv-demodata: o banco de dados %1 já tem o esquema e dados; nada foi "
                                    "alterado. Use --replace para substituí-los pelos dados de demonstração.")
                         .arg(named)),
                 qPrintable(refused.output));
        QCOMPARE(companyName(database), kKept);

        const Run replaced = run(BuildProgram(QStringLiteral("kpv-demodata")),
                                 {QStringLiteral("--config"), config, QStringLiteral("--invoices"),
                                  QStringLiteral("50"), QStringLiteral("--replace")});
        QVERIFY2(replaced.exitCode == 0, qPrintable(replaced.output));
        const QString name = companyName(database);
        QVERIFY2(!name.isEmpty() && name != kKept, qPrintable(name));
        QCOMPARE(server.stop(), 0);
    }

    // Pointed at a folder it did not make, the Firebird test server's script refuses it, names it, and
    // leaves every file there as it was, whatever it is asked to do.
    void firebirdScriptRefusesAFolderItDidNotMake_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("start") << "start";
        QTest::newRow("stop") << "stop";
        QTest::newRow("purge") << "purge";
    }
    void firebirdScriptRefusesAFolderItDidNotMake() {
        QFETCH(QString, action);
        QTemporaryDir home;
        const QStringList planted{"lib/libmine.so", "tmp/draft.txt", "lock/x",
                                  "plugins/p",      "intl/i",        "UDF/u",
                                  "setup.log",      "firebird.conf", "databases/mine.fdb"};
        for (const QString& name : planted) {
            QVERIFY(QDir(home.path()).mkpath(QFileInfo(home.filePath(name)).path()));
            QFile file(home.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(name.toUtf8());
        }
        const Run refused =
            run(qEnvironmentVariable("KPV_SOURCE_DIR") + QStringLiteral("/scripts/firebird-test-server.sh"),
                {action, home.path()});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.output.contains(
                     QStringLiteral("a pasta %1 não foi criada por este script").arg(home.path())),
                 qPrintable(refused.output));
        for (const QString& name : planted) {
            QFile file(home.filePath(name));
            QVERIFY2(file.open(QIODevice::ReadOnly) && file.readAll() == name.toUtf8(), qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(FirstRun)
#include "test_first_run.moc"
