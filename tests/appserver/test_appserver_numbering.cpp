// RPS numbering under load: eight clients over three kpv-appserver processes on one database issue the
// RPS of 2,000 invoices of one series, each invoice asked for twice. The numbers end as 1..2000 exactly
// once, with the transactions alone keeping the servers apart; a cancelled number is never reissued. The
// server's writer runs the writes that wait as one group in one transaction: each call of a group gets its
// own answer, and a server killed in the middle of its groups loses nothing it answered "S" for and leaves
// no invoice half issued.
#include "appserver_process.h"
#include "db/database.h"
#include "db/demodata/table_writer.h"
#include "db/dialect.h"
#include "db/firebird_tools.h"
#include "framework/core/errors.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "protocol/data_packet.h"
#include "test_database.h"
#include "test_database_settings.h"

#include <QMutex>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>
#include <numeric>
#include <optional>
#include <set>

using namespace kpv;

namespace {

constexpr int kInvoices = 2000;
constexpr int kClients = 8;

QString entry(int i) {
    return QStringLiteral("%1").arg(i + 1, 10, 10, QLatin1Char('0'));
}

// One company, branch, registration and series with its counter at zero, and the invoices, none issued.
void seed(const TestDatabase& target) {
    {
        QSqlDatabase db = db::OpenDatabase(SettingsOf(target), "seed");
        const db::Dialect& dialect = db::DialectOf(db);
        dialect.begin(db);
        demo::TableWriter(db, "MUNICIPIO",
                          {"CDPAIS", "SGESTADO", "CDMUNICIPIO", "NMMUNICIPIO", "CDMUNICIBGE"})
            .insert({"1058", "SP", "0001", "São Paulo", "3550308"});
        demo::TableWriter(db, "EMPRESA", {"CDEMPRESA", "NMRAZSOCEMPR"})
            .insert({"01", "Numeração Teste Ltda"});
        demo::TableWriter(db, "FILIAL", {"CDFILIAL", "NMFILIAL", "CDEMPRESA"})
            .insert({"0001", "Matriz", "01"});
        demo::TableWriter(db, "INSCRMUNIC", {"CDEMPRESA", "CDINSCMUNI", "CDPAIS", "SGESTADO", "CDMUNICIPIO"})
            .insert({"01", "11122233", "1058", "SP", "0001"});
        demo::TableWriter(db, "SERIENF", {"CDEMPRESA", "CDINSCESTA", "CDINSCMUNI", "CDSERIE", "CDSERIERPS"})
            .insert({"01", "110042490114", "11122233", "1", "RPS"});
        demo::TableWriter(db, "SERIERPS", {"CDEMPRESA", "CDINSCMUNI", "CDSERIERPS", "NRULTRPS"})
            .insert({"01", "11122233", "RPS", 0});
        demo::TableWriter(db, "TIPOOPER", {"IDOPERACAO", "CDTIPOOPER", "NMTIPOOPER"})
            .insert({"S", "01", "Serviços"});
        demo::TableWriter(db, "CLIENTE", {"CDCLIENTE", "IDTPIJURCLIE", "NRINSJURCLIE", "NMRAZSOCCLIE"})
            .insert({"000001", "J", "11222333000181", "Cliente Teste S.A."});
        demo::TableWriter invoices(
            db, "NOTAFISCAL",
            {"CDFILIAL", "NRLANCTONF", "CDEMPRESA", "CDFILIEMIT", "CDINSCESTA", "CDINSCMUNI", "CDSERIE",
             "NRNOTAFISC", "CDCLIENTE", "NRINSJURNF", "IDTPIJURNF", "IDOPERACAO", "CDTIPOOPER", "DTENTRSAID",
             "DTEMISSAO", "VRNOTAFISC", "IDEMISSAORPS", "IDTRANSMISRPS"});
        const QDateTime day(QDate(2026, 5, 4), QTime(9, 0));
        for (int i = 0; i < kInvoices; ++i) {
            invoices.insert({"0001", entry(i), "01", "0001", "110042490114", "11122233", "1",
                             QString::number(i + 1), "000001", "11222333000181", "J", "S", "01",
                             day.addSecs(i), day, 100.0 + i, "1", "1"});
        }
        dialect.commit(db);
    }
    db::CloseDatabase("seed");
}

// An invoice issued under the series RPX whose ledger holds two standing numbers: its cancellation finds
// the fault, and is refused.
void seedBrokenInvoice(const TestDatabase& target) {
    {
        QSqlDatabase db = db::OpenDatabase(SettingsOf(target), "broken");
        const db::Dialect& dialect = db::DialectOf(db);
        dialect.begin(db);
        demo::TableWriter(db, "NOTAFISCAL",
                          {"CDFILIAL", "NRLANCTONF", "CDEMPRESA", "CDFILIEMIT", "CDINSCESTA", "CDINSCMUNI",
                           "CDSERIE", "NRNOTAFISC", "CDCLIENTE", "IDOPERACAO", "CDTIPOOPER", "DTENTRSAID",
                           "DTEMISSAO", "VRNOTAFISC", "CDSERIERPS", "NRRPS", "IDEMISSAORPS", "IDTRANSMISRPS"})
            .insert({"0001", "9000000000", "01", "0001", "110042490114", "11122233", "1", "9000", "000001",
                     "S", "01", QDateTime(QDate(2026, 5, 4), QTime(9, 0)),
                     QDateTime(QDate(2026, 5, 4), QTime(9, 0)), 100.0, "RPX", "8", "2", "1"});
        demo::TableWriter ledger(db, "RPSEMITIDO",
                                 {"CDEMPRESA", "CDINSCMUNI", "CDSERIERPS", "NRRPS", "CDFILIAL", "NRLANCTONF",
                                  "DTEMISRPS", "IDSITRPS", "DTSITRPS"});
        for (int number : {7, 8}) {
            const QDateTime at(QDate(2026, 5, 4), QTime(9, 0));
            ledger.insert({"01", "11122233", "RPX", number, "0001", "9000000000", at, "E", at});
        }
        dialect.commit(db);
    }
    db::CloseDatabase("broken");
}

// What the database holds of the series RPS: the number of each issued invoice, the standing numbers of
// the ledger in order, the counter, and every invoice that is issued only in part.
struct Ledger {
    std::map<QString, qint64> issued;  // entry -> RPS number
    std::vector<qint64> standing;
    qint64 counter = -1;
    QStringList halfWritten;
};

Ledger readLedger(const TestDatabase& target) {
    Ledger l;
    {
        QSqlDatabase db = db::OpenDatabase(SettingsOf(target), "ledger");
        std::map<QString, qint64> inLedger;
        QSqlQuery ledger(db);
        ledger.exec(
            "SELECT NRLANCTONF, NRRPS FROM RPSEMITIDO WHERE CDSERIERPS = 'RPS' AND IDSITRPS = 'E' "
            "ORDER BY NRRPS");
        while (ledger.next()) {
            l.standing.push_back(ledger.value(1).toLongLong());
            inLedger[ledger.value(0).toString()] = ledger.value(1).toLongLong();
        }
        QSqlQuery invoices(db);
        invoices.exec(
            "SELECT NRLANCTONF, IDEMISSAORPS, NRRPS FROM NOTAFISCAL WHERE CDSERIERPS IS NULL OR "
            "CDSERIERPS = 'RPS'");
        while (invoices.next()) {
            const QString entry = invoices.value(0).toString();
            const bool issued = invoices.value(1).toString().trimmed() == u"2";
            const bool numbered = !invoices.value(2).isNull() && !invoices.value(2).toString().isEmpty();
            if (issued) l.issued[entry] = invoices.value(2).toLongLong();
            const bool whole = issued ? numbered && inLedger.count(entry) &&
                                            inLedger[entry] == invoices.value(2).toLongLong()
                                      : !numbered && !inLedger.count(entry);
            if (!whole) l.halfWritten << entry;
        }
        QSqlQuery counter(db);
        if (counter.exec("SELECT NRULTRPS FROM SERIERPS WHERE CDSERIERPS = 'RPS'") && counter.next())
            l.counter = counter.value(0).toLongLong();
    }
    db::CloseDatabase("ledger");
    return l;
}

std::vector<qint64> oneTo(qint64 n) {
    std::vector<qint64> numbers(size_t(std::max<qint64>(0, n)));
    std::iota(numbers.begin(), numbers.end(), 1);
    return numbers;
}

// A client thread that makes its calls on a connection of its own and keeps what each answered.
struct Answered {
    QString method;
    QString entry;
    QVariantList status;  // empty when the call failed
    QString failure;
};

QThread* client(int port, std::vector<std::pair<QString, QString>> calls, QMutex& lock,
                std::vector<Answered>& answers) {
    return QThread::create([port, calls = std::move(calls), &lock, &answers] {
        net::TNetConnection connection(nullptr, "netEmissaoRPS");
        connection.ServerName = "Kpv41000.rdmEmissaoRPS";
        connection.Timeout = 120000;
        connection.SetHost("127.0.0.1");
        connection.SetPort(port);
        connection.SetConnected(true);
        for (const auto& [method, entry] : calls) {
            Answered a{method, entry, {}, {}};
            try {
                a.status =
                    CheckResultServ(connection.AppServer().Call(method, {"0001", entry}), true, rkStatusArray)
                        .toList();
            } catch (const Error& e) {
                a.failure = e.message();
            }
            QMutexLocker locked(&lock);
            answers.push_back(a);
        }
    });
}

TestDatabase freshTarget(const QString& engine, const QTemporaryDir& dir, const QString& name) {
    return engine == "sqlite" ? TestDatabase::Sqlite(dir.filePath(name))
                              : TestDatabase::FirebirdServer(QStringLiteral("%1-%2").arg(name).arg(
                                    QCoreApplication::applicationPid()));
}

void engineRows() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("firebird server") << "firebird-server";
}

}  // namespace

class AppServerNumbering : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private Q_SLOTS:
    void numbersAreIssuedOnceEachUnderConcurrentClients_data() { engineRows(); }

    void aGroupAnswersEachCallItsOwn_data();
    void aGroupAnswersEachCallItsOwn();
    void answeredIssuesSurviveAKill_data();
    void answeredIssuesSurviveAKill();

    void numbersAreIssuedOnceEachUnderConcurrentClients() {
        QFETCH(QString, engine);
        const TestDatabase target =
            engine == "sqlite" ? TestDatabase::Sqlite(dir_.path())
                               : TestDatabase::FirebirdServer(
                                     QStringLiteral("numbering-%1").arg(QCoreApplication::applicationPid()));
        if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
        seed(target);
        if (engine != "sqlite")
            db::SetFirebirdForcedWrites(SettingsOf(target), false);  // a test database: speed

        // Three servers on the same database, as an office grows: only its transactions keep their
        // numbers apart.
        std::vector<std::unique_ptr<AppServerProcess>> servers;
        for (int s = 0; s < 3; ++s) {
            servers.push_back(std::make_unique<AppServerProcess>(target));
            QString error;
            QVERIFY2(servers.back()->start(&error), qPrintable(error));
        }

        QMutex lock;
        QStringList failures;
        std::vector<std::unique_ptr<QThread>> clients;
        for (int c = 0; c < kClients; ++c) {
            // Clients c and c + 4 share the invoices i % 4 == c % 4, from opposite ends and on different
            // servers: every invoice is asked for twice, and half of the second asks meet the first.
            const int server = c % 3;
            const int port = servers[server]->port();
            clients.emplace_back(QThread::create([&, c, port] {
                net::TNetConnection connection(nullptr, "netEmissaoRPS");
                connection.ServerName = "Kpv41000.rdmEmissaoRPS";
                connection.Timeout = 120000;
                connection.SetHost("127.0.0.1");
                connection.SetPort(port);
                connection.SetConnected(true);
                std::vector<int> mine;
                for (int i = c % 4; i < kInvoices; i += 4) mine.push_back(i);
                if (c >= 4) std::reverse(mine.begin(), mine.end());
                for (int i : mine) {
                    try {
                        const QVariantList status =
                            CheckResultServ(
                                connection.AppServer().Call("PreparaImpressao", {"0001", entry(i)}), true,
                                rkStatusArray)
                                .toList();
                        if (status.mid(0, 2) != QVariantList{"S", ""}) {
                            QMutexLocker locked(&lock);
                            failures << entry(i) + ": " + status.value(1).toString();
                        }
                    } catch (const Error& e) {
                        QMutexLocker locked(&lock);
                        failures << entry(i) + ": " + e.message();
                    }
                }
            }));
            clients.back()->start();
        }
        for (auto& t : clients) QVERIFY(t->wait(600000));
        if (!failures.isEmpty()) {
            // What the servers logged of the failures, under the ids the clients were told.
            for (auto& s : servers) {
                for (const QString& line : s->log().split('\n'))
                    if (line.contains(" error ")) failures << line;
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.mid(0, 12).join('\n')));
        for (auto& s : servers) QCOMPARE(s->stop(), 0);

        std::vector<qint64> issued;
        {
            QSqlDatabase db = db::OpenDatabase(SettingsOf(target), "check");
            QSqlQuery invoices(db);
            QVERIFY(invoices.exec("SELECT NRRPS, IDEMISSAORPS FROM NOTAFISCAL"));
            while (invoices.next()) {
                QCOMPARE(invoices.value(1).toString().trimmed(), QStringLiteral("2"));
                issued.push_back(invoices.value(0).toLongLong());
            }
            QSqlQuery ledger(db);
            QVERIFY(
                ledger.exec("SELECT COUNT(*), COUNT(DISTINCT NRRPS), MIN(NRRPS), MAX(NRRPS) FROM RPSEMITIDO "
                            "WHERE IDSITRPS = 'E'"));
            QVERIFY(ledger.next());
            QCOMPARE(ledger.value(0).toInt(), kInvoices);
            QCOMPARE(ledger.value(1).toInt(), kInvoices);
            QCOMPARE(ledger.value(2).toInt(), 1);
            QCOMPARE(ledger.value(3).toInt(), kInvoices);
            QSqlQuery counter(db);
            QVERIFY(counter.exec("SELECT NRULTRPS FROM SERIERPS"));
            QVERIFY(counter.next());
            QCOMPARE(counter.value(0).toInt(), kInvoices);
        }
        db::CloseDatabase("check");
        std::sort(issued.begin(), issued.end());
        std::vector<qint64> expected(kInvoices);
        std::iota(expected.begin(), expected.end(), 1);
        QVERIFY(issued == expected);

        // A cancelled number stays spent: the invoice gets the next one, never its old one back.
        AppServerProcess again(target);
        QString error;
        QVERIFY2(again.start(&error), qPrintable(error));
        net::TNetConnection connection(nullptr, "netEmissaoRPS");
        connection.ServerName = "Kpv41000.rdmEmissaoRPS";
        connection.SetHost(again.host());
        connection.SetPort(again.port());
        connection.SetConnected(true);
        const QVariantList ok{"S", ""};
        std::set<qint64> reissued;
        for (int i : {16, 700, 1999}) {
            QCOMPARE(connection.AppServer().Call("CancelaEmissao", {"0001", entry(i)}).toList(), ok);
            QCOMPARE(connection.AppServer().Call("PreparaImpressao", {"0001", entry(i)}).toList().mid(0, 2),
                     ok);
            const QVariant p = connection.AppServer().Call(
                "GetNotaFiscal",
                {"0001", "T", "01", "", "", "", "T", QDate(2026, 5, 4), QDate(2026, 5, 4), "S", "_2"});
            for (const QVariantList& row : p.value<protocol::DataPacket>().rows()) {
                if (row[2].toString() == entry(i)) reissued.insert(row[15].toLongLong());
            }
        }
        QCOMPARE(reissued, (std::set<qint64>{kInvoices + 1, kInvoices + 2, kInvoices + 3}));
        QCOMPARE(again.stop(), 0);
    }
};

// The writes that wait together run as one group, in one transaction: two refusals among good issues are
// answered with their own reasons and spend nothing, while the good ones are committed with the numbers
// they were answered; an invoice the group cancels and then prints again is printed as the cancel left it.
// On SQLite the test holds the database's write lock while the calls arrive, so that all of them wait for
// the same transaction.
void AppServerNumbering::aGroupAnswersEachCallItsOwn_data() {
    engineRows();
}

void AppServerNumbering::aGroupAnswersEachCallItsOwn() {
    QFETCH(QString, engine);
    const TestDatabase target = freshTarget(engine, dir_, QStringLiteral("group"));
    if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
    seed(target);
    seedBrokenInvoice(target);
    AppServerProcess server(target);
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));

    QMutex lock;
    std::vector<Answered> answers;
    std::vector<std::unique_ptr<QThread>> clients;
    const auto launch = [&](const QString& method, const QString& entry) {
        clients.emplace_back(client(server.port(), {{method, entry}}, lock, answers));
        clients.back()->start();
    };
    // An invoice issued before the group, which the group cancels and then prints again: the print reads
    // the invoice as the cancel left it, and gives it a new number.
    const QString again = entry(6);
    launch("PreparaImpressao", again);
    QVERIFY(clients.back()->wait(60000));
    QCOMPARE(answers.at(0).status.value(3).toLongLong(), 1);
    answers.clear();
    clients.clear();

    std::optional<QSqlDatabase> holder;
    if (engine == "sqlite") {
        holder = db::OpenDatabase(SettingsOf(target), "holder");
        QVERIFY(QSqlQuery(*holder).exec("BEGIN IMMEDIATE"));
    }
    for (int i = 0; i < 6; ++i) launch("PreparaImpressao", entry(i));
    launch("CancelaEmissao", "9000000000");
    launch("PreparaImpressao", "9999999999");
    launch("CancelaEmissao", again);
    QThread::msleep(100);  // the cancel is on its way before the print
    launch("PreparaImpressao", again);
    if (holder) {
        QThread::msleep(400);  // every call is queued behind the lock by now
        QVERIFY(QSqlQuery(*holder).exec("ROLLBACK"));
        *holder = QSqlDatabase();
        db::CloseDatabase("holder");
    }
    for (auto& c : clients) QVERIFY(c->wait(60000));
    QCOMPARE(server.stop(), 0);

    QCOMPARE(int(answers.size()), 10);
    std::map<QString, QVariantList> by;
    for (const Answered& a : answers) {
        QVERIFY2(a.failure.isEmpty(), qPrintable(a.entry + ": " + a.failure));
        by[a.method + ' ' + a.entry] = a.status;
    }
    QCOMPARE(by["CancelaEmissao 9000000000"],
             (QVariantList{"N", "O RPS nº 8 da série RPX não consta como emitido no controle de RPS."}));
    QCOMPARE(by["PreparaImpressao 9999999999"],
             (QVariantList{"N", "Nota fiscal não encontrada (filial 0001, lançamento 9999999999)."}));
    QCOMPARE(by["CancelaEmissao " + again], (QVariantList{"S", ""}));
    const Ledger l = readLedger(target);
    QVERIFY2(l.halfWritten.isEmpty(), qPrintable(l.halfWritten.join(", ")));
    QCOMPARE(l.counter, 8);  // the refusals spent nothing; the cancelled number stays spent
    std::vector<qint64> standing = oneTo(8);
    standing.erase(standing.begin());
    QVERIFY(l.standing == standing);
    for (int i = 0; i <= 6; ++i) {
        const QVariantList& s = by["PreparaImpressao " + entry(i)];
        QCOMPARE(s.mid(0, 3), (QVariantList{"S", "", "RPS"}));
        QCOMPARE(s.value(3).toLongLong(), l.issued.at(entry(i)));
    }
    QSqlDatabase db = db::OpenDatabase(SettingsOf(target), "rpx");
    QSqlQuery rpx(db);
    QVERIFY(rpx.exec("SELECT IDSITRPS FROM RPSEMITIDO WHERE CDSERIERPS = 'RPX' ORDER BY NRRPS"));
    QStringList situations;
    while (rpx.next()) situations << rpx.value(0).toString().trimmed();
    QCOMPARE(situations, (QStringList{"E", "E"}));
}

// Killed while eight clients issue: every call answered "S" is in the database with the number it was
// answered, no invoice is issued in part, and the numbers stand without a gap up to the counter.
void AppServerNumbering::answeredIssuesSurviveAKill_data() {
    engineRows();
}

void AppServerNumbering::answeredIssuesSurviveAKill() {
    QFETCH(QString, engine);
    const TestDatabase target = freshTarget(engine, dir_, QStringLiteral("killed"));
    if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
    seed(target);
    AppServerProcess server(target);
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    QMutex lock;
    std::vector<Answered> answers;
    std::vector<std::unique_ptr<QThread>> clients;
    for (int c = 0; c < kClients; ++c) {
        std::vector<std::pair<QString, QString>> calls;
        for (int i = c; i < kInvoices; i += kClients) calls.emplace_back("PreparaImpressao", entry(i));
        clients.emplace_back(client(server.port(), std::move(calls), lock, answers));
        clients.back()->start();
    }
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QMutexLocker locked(&lock);
            return answers.size() >= 400;
        }(),
        120000);
    server.crash();
    for (auto& c : clients) QVERIFY(c->wait(300000));

    const Ledger l = readLedger(target);
    QVERIFY2(l.halfWritten.isEmpty(), qPrintable(l.halfWritten.join(", ")));
    QVERIFY(l.standing == oneTo(l.counter));
    int confirmed = 0;
    for (const Answered& a : answers) {
        if (a.status.value(0).toString() != u"S") continue;
        ++confirmed;
        QVERIFY2(l.issued.count(a.entry), qPrintable(a.entry + " was answered S and is not issued"));
        QCOMPARE(l.issued.at(a.entry), a.status.value(3).toLongLong());
    }
    QVERIFY(confirmed >= 400);
}

QTEST_GUILESS_MAIN(AppServerNumbering)
#include "test_appserver_numbering.moc"
