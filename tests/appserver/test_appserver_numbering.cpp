// RPS numbering under load: eight clients over three kpv-appserver processes on one database issue the
// RPS of 2,000 invoices of one series, each invoice asked for twice. The numbers end as 1..2000 exactly
// once, with the transactions alone keeping the servers apart; a cancelled number is never reissued.
#include "appserver_process.h"
#include "db/database.h"
#include "db/demodata/table_writer.h"
#include "db/dialect.h"
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
#include <memory>
#include <numeric>
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

}  // namespace

class AppServerNumbering : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private Q_SLOTS:
    void numbersAreIssuedOnceEachUnderConcurrentClients_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("firebird server") << "firebird-server";
    }

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

QTEST_GUILESS_MAIN(AppServerNumbering)
#include "test_appserver_numbering.moc"
