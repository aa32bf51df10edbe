// The application server shared by an office, over the real wire: eight clerks issuing RPS at once
// (PreparaImpressao per second, on SQLite and on the Firebird server scripts/bench.sh started, with the
// numbers checked for duplicates and gaps afterwards), and how long a print waits while another clerk
// loads a list of 100,000 invoices (p99). Prints "name value" lines for scripts/bench.sh.
#include "appserver_process.h"
#include "demo_database.h"
#include "framework/net/http_transport.h"
#include "measure.h"
#include "protocol/codec.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

using namespace bench;

namespace {

constexpr int kClients = 8;
constexpr int kInvoices = 20000;

QByteArray call(const char* method, const QStringList& args) {
    QString list;
    for (const QString& a : args) list += (list.isEmpty() ? "\"" : ",\"") + a + "\"";
    return QStringLiteral(R"({"server":"Kpv41000.rdmEmissaoRPS","method":"%1","args":[%2]})")
        .arg(QLatin1String(method), list)
        .toUtf8();
}

QSqlDatabase open(const TestDatabase& d, const QString& name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(d.engine == "sqlite" ? "QSQLITE" : "QIBASE", name);
    db.setDatabaseName(d.path);
    db.setHostName(d.host);
    if (d.port) db.setPort(d.port);
    db.setUserName(d.user);
    db.setPassword(d.password);
    if (!db.open()) Fail(QStringLiteral("cannot open %1: %2").arg(d.path, db.lastError().text()));
    return db;
}

// "branch|entry" of each invoice `sql` selects, read from the database directly.
QStringList invoiceKeys(const TestDatabase& d, const QString& sql) {
    QStringList out;
    {
        QSqlDatabase db = open(d, "keys");
        QSqlQuery q(db);
        if (!q.exec(sql)) Fail(q.lastError().text());
        while (q.next()) out << q.value(0).toString().trimmed() + "|" + q.value(1).toString().trimmed();
    }
    QSqlDatabase::removeDatabase("keys");
    return out;
}

// A kpv-appserver process over `database`, started or the benchmark ends.
std::unique_ptr<AppServerProcess> startServer(const TestDatabase& database) {
    auto server = std::make_unique<AppServerProcess>(database);
    QString error;
    if (!server->start(&error)) Fail(error);
    return server;
}

// What the engine itself allows on this disk: one client committing a one-row change after another,
// straight through Qt's driver, durable as the server's commits are. Every PreparaImpressao commits once,
// and commits to one database do not overlap, so no number of clients issues faster than this.
double rawCommitRate(const TestDatabase& database) {
    constexpr int kCommits = 500;  // even: the counters end as they were
    double rate = 0;
    {
        QSqlDatabase db = open(database, "raw");
        QSqlQuery q(db);
        QElapsedTimer clock;
        clock.start();
        // Up by one and back again, so that every commit writes (SQLite skips a change to the same value)
        // and the counters end as they were.
        for (int i = 0; i < kCommits; ++i) {
            if (!db.transaction()) Fail(db.lastError().text());
            if (!q.exec(i % 2 == 0 ? "UPDATE SERIERPS SET NRULTRPS = NRULTRPS + 1"
                                   : "UPDATE SERIERPS SET NRULTRPS = NRULTRPS - 1"))
                Fail(q.lastError().text());
            if (!db.commit()) Fail(db.lastError().text());
        }
        rate = kCommits / (clock.nsecsElapsed() / 1e9);
    }
    QSqlDatabase::removeDatabase("raw");
    return rate;
}

// Eight clients, each on a connection of its own, issue the RPS of every invoice that can have one.
// Returns RPS per second; dies on a refusal, a duplicate number or a gap.
double issueRate(const TestDatabase& database) {
    FillDemoData(database, kInvoices);
    const auto server = startServer(database);
    const QStringList eligible =
        invoiceKeys(database,
                    "SELECT NF.CDFILIAL, NF.NRLANCTONF FROM NOTAFISCAL NF"
                    " JOIN SERIENF S ON S.CDEMPRESA = NF.CDEMPRESA AND S.CDINSCESTA = NF.CDINSCESTA"
                    " AND S.CDINSCMUNI = NF.CDINSCMUNI AND S.CDSERIE = NF.CDSERIE"
                    " JOIN SERIERPS R ON R.CDEMPRESA = NF.CDEMPRESA AND R.CDINSCMUNI = NF.CDINSCMUNI"
                    " AND R.CDSERIERPS = S.CDSERIERPS"
                    " WHERE NF.IDEMISSAORPS = '1' AND NF.IDTRANSMISRPS = '1'");
    std::atomic<int> refused{0};
    QElapsedTimer clock;
    clock.start();
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            kpv::net::HttpTransport transport;
            transport.setEndpoint(server->host(), server->port());
            for (qsizetype i = c; i < eligible.size(); i += kClients) {
                const QStringList key = eligible[i].split('|');
                const kpv::net::HttpAnswer a = transport.post("/call", {{"Content-Type", "application/json"}},
                                                              call("PreparaImpressao", key), 30000);
                if (a.status != 200 || !a.body.contains("[\"S\",\"\"]")) ++refused;
            }
        });
    }
    for (auto& t : clients) t.join();
    const double seconds = clock.elapsed() / 1000.0;
    if (refused)
        Fail(QStringLiteral("%1 of %2 PreparaImpressao refused").arg(refused.load()).arg(eligible.size()));
    server->stop();

    // Every number of a counter was issued once: the ledger holds 1..NRULTRPS of it, each once.
    QSqlDatabase db = open(database, "check");
    QSqlQuery q(db);
    if (!q.exec(
            "SELECT R.NRULTRPS, COUNT(E.NRRPS), COUNT(DISTINCT E.NRRPS), MIN(E.NRRPS), MAX(E.NRRPS)"
            "  FROM SERIERPS R JOIN RPSEMITIDO E ON E.CDEMPRESA = R.CDEMPRESA AND E.CDINSCMUNI = R.CDINSCMUNI"
            "   AND E.CDSERIERPS = R.CDSERIERPS GROUP BY R.CDEMPRESA, R.CDINSCMUNI, R.CDSERIERPS, "
            "R.NRULTRPS"))
        Fail(q.lastError().text());
    int duplicates = 0, gaps = 0;
    while (q.next()) {
        const qint64 last = q.value(0).toLongLong(), count = q.value(1).toLongLong(),
                     distinct = q.value(2).toLongLong();
        duplicates += int(count - distinct);
        if (distinct != last || q.value(3).toLongLong() != 1 || q.value(4).toLongLong() != last) ++gaps;
    }
    q = QSqlQuery();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("check");
    Report(database.engine == "sqlite" ? "issue_sqlite_raw_commit_per_s" : "issue_firebird_raw_commit_per_s",
           rawCommitRate(database));
    Report(database.engine == "sqlite" ? "issue_sqlite_invoices" : "issue_firebird_invoices",
           double(eligible.size()));
    Report(database.engine == "sqlite" ? "issue_sqlite_duplicates" : "issue_firebird_duplicates", duplicates);
    Report(database.engine == "sqlite" ? "issue_sqlite_gaps" : "issue_firebird_gaps", gaps);
    return eligible.size() / seconds;
}

// One clerk loads the 100,000-invoice list over and over; another prints invoice after invoice. The
// 99th percentile of the print's PreparaImpressao.
double printLatencyUnderList(const QString& folder) {
    TestDatabase database;
    database.engine = "sqlite";
    database.path = SqliteDemoFile(folder, 100000);
    QTemporaryDir copy;
    const QString file = copy.filePath("list.db");
    if (!QFile::copy(database.path, file)) Fail("cannot copy the demo database");
    database.path = file;
    const auto server = startServer(database);
    const QStringList eligible =
        invoiceKeys(database,
                    "SELECT CDFILIAL, NRLANCTONF FROM NOTAFISCAL WHERE IDEMISSAORPS = '1'"
                    " AND IDTRANSMISRPS = '1' LIMIT 400");
    std::atomic<bool> done{false};
    std::atomic<int> lists{0};
    std::thread lister([&] {
        kpv::net::HttpTransport transport;
        transport.setEndpoint(server->host(), server->port());
        const QByteArray list = call(
            "GetNotaFiscal", {"", "T", "01", "", "", "", "T", "2000-01-01", "2100-12-31", "S", "_1_2_3"});
        while (!done) {
            transport.post("/call", {{"Content-Type", "application/json"}}, list, 30000);
            ++lists;
        }
    });
    QThread::msleep(300);  // the list is under way
    std::vector<double> latencies;
    kpv::net::HttpTransport transport;
    transport.setEndpoint(server->host(), server->port());
    for (const QString& key : eligible) {
        QElapsedTimer clock;
        clock.start();
        transport.post("/call", {{"Content-Type", "application/json"}},
                       call("PreparaImpressao", key.split('|')), 30000);
        latencies.push_back(clock.nsecsElapsed() / 1e6);
        QThread::msleep(5);
    }
    done = true;
    lister.join();
    std::sort(latencies.begin(), latencies.end());
    Report("print_during_list_lists", lists.load());
    Report("print_during_list_median_ms", Median(latencies));
    return latencies[size_t(latencies.size() * 0.99)];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    const QCommandLineOption dataOption("data", "Folder that keeps the demo databases.", "folder",
                                        "bench-data");
    options.addOption(dataOption);
    options.process(app);
    QTemporaryDir dir;
    TestDatabase sqlite;
    sqlite.engine = "sqlite";
    sqlite.path = dir.filePath("issue.db");
    Report("issue_sqlite_per_s", issueRate(sqlite));
    const TestDatabase firebird = TestDatabase::FirebirdServer("issue");
    if (firebird.isValid()) Report("issue_firebird_per_s", issueRate(firebird));
    Report("print_during_list_p99_ms", printLatencyUnderList(options.value(dataOption)));
    return 0;
}
