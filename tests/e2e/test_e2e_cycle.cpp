// The whole cycle as a user lives it: the real kpv-host with the package, the real kpv-appserver and a
// real database (a SQLite file, the run's Firebird server, and a Firebird file that the host, the server
// and the test open with the embedded engine at once), driven through the controls by their names. What
// is checked is what the user sees: the list, the messages, the printed RPS.
#include "accounts_tool.h"
#include "appserver_process.h"
#include "db/database.h"
#include "host_session.h"
#include "test_database.h"
#include "test_database_settings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

const QDate kProcessingDate(2026, 3, 31);
const QString kGrid = QStringLiteral("dbgPadrao");
// Invoices without an NFS-e show no number; within one list the amount tells them apart.
const QString kAmount = QStringLiteral("Valor Nota");
const QString kSituation = QStringLiteral("Situação RPS");

// Company 01 chosen on the emission screen; leaving the company strip opens the filter, confirmed with
// its defaults.
QString listLoaded() {
    return QStringLiteral(
        "type medCdEmpresa 99\n"
        "key Tab\n"
        "expect-message \"Empresa não cadastrada.\"\n"
        "expect-focus medCdEmpresa\n"
        "type medCdEmpresa 1\n"
        "key Tab\n"
        "expect-text medCdFilial 0001\n"
        "click sbtConfirma\n"
        "expect-text medCdEmpresa 01\n"
        "expect-no-message\n"
        "expect-focus dbgPadrao\n"
        "expect-enabled edtNmEmpresa no\n"
        "dump dbgPadrao\n");
}

QString pdfText(const QString& file) {
    QProcess tool;
    tool.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")), {file, QStringLiteral("-")});
    tool.waitForFinished(30000);
    return QString::fromUtf8(tool.readAllStandardOutput());
}

QString ledgerState(const TestDatabase& d, const QString& branch, const QString& rps) {
    const QString name = QStringLiteral("e2e-ledger");
    QString state;
    {
        QSqlDatabase db = kpv::db::OpenDatabase(SettingsOf(d), name);
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT IDSITRPS FROM RPSEMITIDO WHERE CDFILIAL = ? AND NRRPS = ?"));
        q.addBindValue(branch);
        q.addBindValue(rps.toLongLong());
        // Firebird's driver pads a CHAR(1) of a UTF8 database to the column's four bytes.
        if (q.exec() && q.next()) state = q.value(0).toString().trimmed();
    }
    kpv::db::CloseDatabase(name);
    return state;
}

// The clerk's kpv.ini: the package, the processing date, the server and the database it names.
QString writeHostConfig(const QTemporaryDir& dir, const AppServerProcess& server,
                        const TestDatabase& database) {
    const QString config = dir.filePath(QStringLiteral("kpv.ini"));
    QFile ini(config);
    if (!ini.open(QIODevice::WriteOnly)) return {};
    ini.write(
        QStringLiteral("[host]\npackage=%1\n[context]\nbranch=0001\nbillingBranch=0001\nactiveModule=15\n"
                       "processingDate=%2\n[server]\nhost=127.0.0.1\nport=%3\n[reports]\nfolder=%4\n"
                       "output=%5\n%6")
            .arg(BuildProgram(QStringLiteral("libPKG_KPV41000.so")), kProcessingDate.toString(Qt::ISODate))
            .arg(server.port())
            .arg(qEnvironmentVariable("KPV_SOURCE_DIR") + QStringLiteral("/reports"),
                 dir.filePath(QStringLiteral("rps")), database.iniGroup())
            .toUtf8());
    return config;
}

// How many rows a statement counts on the database.
int count(const TestDatabase& d, const QString& sql) {
    const QString name = QStringLiteral("e2e-count");
    int n = -1;
    {
        QSqlDatabase db = kpv::db::OpenDatabase(SettingsOf(d), name);
        QSqlQuery q(db);
        if (q.exec(sql) && q.next()) n = q.value(0).toInt();
    }
    kpv::db::CloseDatabase(name);
    return n;
}

// The demo cycle of `make run`, as scripts/demo-cycle.script has it: the steps before the cycle proper, and
// the cycle itself, without its pictures and dumps.
std::pair<QString, QString> demoCycleScript() {
    QFile file(qEnvironmentVariable("KPV_SOURCE_DIR") + QStringLiteral("/scripts/demo-cycle.script"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString before, cycle;
    bool inCycle = false;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(QLatin1String("# cycle:"))) inCycle = true;
        if (line.startsWith(QLatin1String("shot ")) || line.startsWith(QLatin1String("dump "))) continue;
        (inCycle ? cycle : before) += line + u'\n';
    }
    return {before, cycle};
}

std::optional<QMap<QString, QString>> rowOf(const QList<QMap<QString, QString>>& rows,
                                            const QString& amount) {
    for (const auto& row : rows) {
        if (row.value(kAmount) == amount) return row;
    }
    return std::nullopt;
}

}  // namespace

class Cycle : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void wholeCycle_data();
    void wholeCycle();
    void hostOverACopyOfTheServersDatabaseIsRefused();
    void demoCycleLeavesTheDemoAsItFoundIt();
    void clerkSignsInAndDoesWhatTheAccountAllows();
};

void Cycle::wholeCycle_data() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("SQLite") << "sqlite";
    QTest::newRow("Firebird server") << "firebird";
    QTest::newRow("Firebird embedded") << "embedded";
}

void Cycle::wholeCycle() {
    QFETCH(QString, engine);
    QTemporaryDir dir;
    const TestDatabase database = engine == u"sqlite" ? TestDatabase::Sqlite(dir.path())
                                  : engine == u"embedded"
                                      ? TestDatabase::FirebirdEmbedded(dir.path())
                                      : TestDatabase::FirebirdServer(QStringLiteral("e2e_cycle"));
    QVERIFY2(database.isValid(), "the run's Firebird server is not running");
    QString error;
    QVERIFY2(RunDemoData(database, 3000, 11, kProcessingDate, &error), qPrintable(error));
    AppServerProcess server(database);
    QVERIFY2(server.start(&error), qPrintable(error));

    const QString output = dir.filePath(QStringLiteral("rps"));
    const QString config = writeHostConfig(dir, server, database);
    QVERIFY(!config.isEmpty());

    // First the list as the filter's defaults bring it: the branch and the month of the processing date.
    const HostSession first = RunHostSession(dir.path(), config, listLoaded());
    QVERIFY2(first.passed(), qPrintable(first.output));
    const auto listed = first.dump(kGrid, 0);
    QVERIFY2(listed.size() > 3, qPrintable(first.output));
    QString chosen;
    QMap<QString, int> amounts;
    for (const auto& row : listed) {
        // A date-time shows its time too when it has one.
        const QDate exit =
            QDate::fromString(row.value(QStringLiteral("Data Saída")).left(10), QStringLiteral("dd/MM/yyyy"));
        QVERIFY2(exit >= QDate(2026, 3, 1) && exit <= kProcessingDate, qPrintable(row.value("Data Saída")));
        ++amounts[row.value(kAmount)];
    }
    for (const auto& row : listed) {
        if (row.value(kSituation) == u"Não Emitido" && row.value(QStringLiteral("Nº RPS")).isEmpty() &&
            amounts.value(row.value(kAmount)) == 1) {
            chosen = row.value(kAmount);
            break;
        }
    }
    QVERIFY2(!chosen.isEmpty(), qPrintable(first.output));

    // Then one invoice ticked, its RPS issued and printed, and cancelled again.
    const QString find = QStringLiteral("find-row dbgPadrao \"%1\" \"%2\"\n").arg(kAmount, chosen);
    const HostSession second =
        RunHostSession(dir.path(), config,
                       listLoaded() + find + QStringLiteral("key Space\nclick sbtPrint\n") + find +
                           QStringLiteral("dump dbgPadrao\nanswer OK\nclick sbtCancelaEmissao\n") + find +
                           QStringLiteral("dump dbgPadrao\n"));
    QVERIFY2(second.passed(), qPrintable(second.output));

    const auto printed = rowOf(second.dump(kGrid, 1), chosen);
    QVERIFY(printed);
    QCOMPARE(printed->value(kSituation), QStringLiteral("Emitido"));
    const QString rps = printed->value(QStringLiteral("Nº RPS"));
    QVERIFY2(!rps.isEmpty(), qPrintable(second.output));

    const QStringList messages = second.messages();
    QCOMPARE(messages.size(), 4);  // the wrong company, the PDF written, the question, the success
    QCOMPARE(messages[0], QStringLiteral("[erro]: Empresa não cadastrada."));
    static const QRegularExpression written(
        QStringLiteral("^\\[informação\\]: Nenhuma impressora instalada: o "
                       "relatório foi gravado em '(.+\\.pdf)'\\.$"));
    const QRegularExpressionMatch pdf = written.match(messages[1]);
    QVERIFY2(pdf.hasMatch(), qPrintable(messages[1]));
    QVERIFY(pdf.captured(1).startsWith(output));
    const QString text = pdfText(pdf.captured(1));
    QVERIFY2(text.contains(rps), qPrintable(text));
    QCOMPARE(messages[2],
             QStringLiteral("[confirmação]: Confirma a exclusão do Recibo Provisório de Serviço (RPS)?"));
    QCOMPARE(messages[3],
             QStringLiteral(
                 "[informação]: Cancelamento do Recibo Provisório de Serviço (RPS) realizado com sucesso."));

    const auto cancelled = rowOf(second.dump(kGrid, 2), chosen);
    QVERIFY(cancelled);
    QCOMPARE(cancelled->value(kSituation), QStringLiteral("Não Emitido"));
    QCOMPARE(cancelled->value(QStringLiteral("Nº RPS")), QString());
    // The number stays in the ledger as cancelled, so it is never issued again.
    QCOMPARE(ledgerState(database, QStringLiteral("0001"), rps), QStringLiteral("C"));

    // Last, every invoice ticked by the title of the tick column, as the user clicks it, and printed.
    const HostSession third = RunHostSession(
        dir.path(), config,
        listLoaded() + QStringLiteral("title dbgPadrao \"✓\"\nclick sbtPrint\ndump dbgPadrao\n"));
    QVERIFY2(third.passed(), qPrintable(third.output));
    QVERIFY2(!third.messages().contains(QStringLiteral("[erro]: Nota fiscal não selecionada.")),
             qPrintable(third.output));
    const auto reissued = rowOf(third.dump(kGrid, 1), chosen);
    QVERIFY(reissued);
    QCOMPARE(reissued->value(kSituation), QStringLiteral("Emitido"));
    QVERIFY2(!reissued->value(QStringLiteral("Nº RPS")).isEmpty(), qPrintable(third.output));
    QCOMPARE(server.stop(), 0);
}

// A clerk whose configuration names a copy of the server's database, the same file as it was an hour ago,
// reaches nothing: the first call is refused, naming the host's database, before anything can be issued.
void Cycle::hostOverACopyOfTheServersDatabaseIsRefused() {
    QTemporaryDir dir;
    const TestDatabase database = TestDatabase::Sqlite(dir.path());
    QString error;
    QVERIFY2(RunDemoData(database, 200, 11, kProcessingDate, &error), qPrintable(error));
    const QString copy = dir.filePath(QStringLiteral("copia.db"));
    QVERIFY(QFile::copy(database.path, copy));
    AppServerProcess server(database);
    QVERIFY2(server.start(&error), qPrintable(error));
    TestDatabase stale = database;
    stale.path = copy;
    const QString config = writeHostConfig(dir, server, stale);
    QVERIFY(!config.isEmpty());
    const QString refusal =
        QStringLiteral(
            "O banco de dados deste computador, SQLite \"\"%1\"\", não é o do servidor de aplicação em "
            "127.0.0.1:%2: o servidor numera os RPS em outro banco, e nada pode ser emitido nem "
            "impresso daqui. O grupo [database] do kpv.ini desta estação deve indicar o mesmo banco "
            "que o servidor usa.")
            .arg(copy)
            .arg(server.port());
    const HostSession session = RunHostSession(
        dir.path(), config,
        QStringLiteral(
            "type medCdEmpresa 1\nkey Tab\nclick sbtConfirma\nexpect-message \"%1\"\nclick sbtCancel\n")
            .arg(refusal));
    QVERIFY2(session.passed(), qPrintable(session.output));
    QVERIFY2(!server.log().contains(QStringLiteral("GetNotaFiscal")), qPrintable(server.log()));
    QCOMPARE(server.stop(), 0);
}

// The cycle `make run` plays, a hundred times over in one session: each time it finds an invoice without
// RPS, issues, prints and cancels it, and the demo data is left with as many invoices without RPS as before.
void Cycle::demoCycleLeavesTheDemoAsItFoundIt() {
    QTemporaryDir dir;
    const TestDatabase database = TestDatabase::Sqlite(dir.path());
    QString error;
    QVERIFY2(RunDemoData(database, 3000, 1, kProcessingDate, &error), qPrintable(error));
    AppServerProcess server(database);
    QVERIFY2(server.start(&error), qPrintable(error));
    const QString config = writeHostConfig(dir, server, database);
    const auto [before, cycle] = demoCycleScript();
    QVERIFY2(cycle.contains(QStringLiteral("click sbtCancelaEmissao")), qPrintable(cycle));
    const QString notIssued = QStringLiteral("SELECT COUNT(*) FROM NOTAFISCAL WHERE IDEMISSAORPS = '1'");
    const QString cancelled = QStringLiteral("SELECT COUNT(*) FROM RPSEMITIDO WHERE IDSITRPS = 'C'");
    const int waiting = count(database, notIssued), cancelledBefore = count(database, cancelled);
    constexpr int kCycles = 100;

    const HostSession session = RunHostSession(dir.path(), config, before + cycle.repeated(kCycles), 600000);

    QVERIFY2(session.passed(), qPrintable(session.output.right(3000)));
    QCOMPARE(count(database, notIssued), waiting);
    QCOMPARE(count(database, cancelled), cancelledBefore + kCycles);
    QCOMPARE(server.stop(), 0);
}

// An office with accounts: the clerk's kpv-host signs in with [server] user and KPV_PASSWORD before its first
// call, prints as the account "emitir" allows, and is refused the cancellation it lacks the right for, in
// the server's words, the list left as it was. The trail says who issued the RPS and who was refused.
void Cycle::clerkSignsInAndDoesWhatTheAccountAllows() {
    QTemporaryDir dir;
    const TestDatabase database = TestDatabase::Sqlite(dir.path());
    QString error;
    QVERIFY2(RunDemoData(database, 300, 11, kProcessingDate, &error), qPrintable(error));
    QVERIFY2(AddAccount(database, QStringLiteral("emissor"), QStringLiteral("emitir"),
                        QStringLiteral("senha-do-emissor"), &error),
             qPrintable(error));
    AppServerProcess server(database);
    QVERIFY2(server.start(&error), qPrintable(error));
    const QString config = writeHostConfig(dir, server, database);
    QFile ini(config);
    QVERIFY(ini.open(QIODevice::ReadWrite));
    const QByteArray withUser = ini.readAll().replace("[server]\n", "[server]\nuser=emissor\n");
    ini.resize(0);
    ini.write(withUser);
    ini.close();
    const auto [before, cycle] = demoCycleScript();
    const QString refused = QStringLiteral("Usuário emissor sem permissão para cancelar a emissão do RPS.");
    const HostSession session = RunHostSession(
        dir.path(), config,
        before + cycle.section(QStringLiteral("click sbtCancelaEmissao"), 0, 0) +
            QStringLiteral(
                "click sbtCancelaEmissao\nfind-remembered dbgPadrao \"Situação RPS\" \"Emitido\"\n"),
        240000, {QStringLiteral("KPV_PASSWORD=senha-do-emissor")});
    QVERIFY2(session.passed(), qPrintable(session.output));
    QCOMPARE(session.messages().value(session.messages().size() - 1), QStringLiteral("[erro]: ") + refused);
    QVERIFY2(session.output.contains(
                 QStringLiteral("sign-in: emissor at 127.0.0.1:%1 -> KPV_PASSWORD").arg(server.port())),
             qPrintable(session.output));
    const AccountsRun trail = RunAccountsTool(database, {QStringLiteral("audit"), QStringLiteral("--csv")});
    QVERIFY2(trail.output.contains(
                 QRegularExpression(",emissor,127\\.0\\.0\\.1,PreparaImpressao,0001,\\d+,\\w+,\\d+,ok\n")),
             qPrintable(trail.output));
    QVERIFY2(trail.output.contains(",emissor,127.0.0.1,CancelaEmissao,"), qPrintable(trail.output));
    QVERIFY2(trail.output.contains("refused: " + refused), qPrintable(trail.output));
    QCOMPARE(server.stop(), 0);
}

QTEST_MAIN(Cycle)
#include "test_e2e_cycle.moc"
