// The application server shared by an office, over the real wire: eight clerks issuing RPS at once on one
// server, and on the Firebird server scripts/bench.sh started also over two (PreparaImpressao per second,
// p50 and p99 of one call, a lone clerk's beside, the numbers checked for duplicates and gaps afterwards,
// the raw commit rate of the same disk); the same eight clerks again once the database holds their accounts,
// each calling with its session, with what signing in takes and what a session adds to a call; and how long
// a print waits while another clerk loads a list of 100,000 invoices (p99). Prints "name value" lines for
// scripts/bench.sh.
#include "accounts/account_store.h"
#include "accounts/password_hash.h"
#include "appserver_process.h"
#include "db/connection.h"
#include "db/write_transaction.h"
#include "demo_database.h"
#include "framework/net/http_transport.h"
#include "measure.h"
#include "protocol/codec.h"
#include "test_certificate.h"
#include "test_database.h"
#include "test_database_settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

using namespace bench;

namespace {

constexpr int kClients = 8;
// About a fifth of the demo invoices can have an RPS: enough for every round of every arrangement.
constexpr int kSqliteInvoices = 120000;
constexpr int kFirebirdInvoices = 160000;
const QString kClerkPassword = QStringLiteral("senha-da-bancada");
constexpr int kSignIns = 30;
constexpr int kRoundTrips = 2000;

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
        if (database.engine == "sqlite" && !q.exec("PRAGMA synchronous=FULL")) Fail(q.lastError().text());
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

// How issuing went for one arrangement of clients and servers: the median rate of its rounds, and the
// time one call took from the client's side, over every call of every round.
struct IssueRun {
    double perSecond = 0;
    double p50Ms = 0;
    double p99Ms = 0;
};

// The invoices that can have an RPS, one list per server its clients call. With two servers each serves
// the clerks of some branches of its own (a clerk works in a branch, the host's [context] branch), as an
// office that grows a server for another floor: the servers share the database, rarely a counter.
using Pools = std::vector<QStringList>;

// The clerks as accounts that may issue, "clerk0" to "clerk7": from then on every server over `database`
// asks each call for a session.
void addClerks(const TestDatabase& database) {
    const std::unique_ptr<kpv::db::Connection> connection = kpv::db::Connect(SettingsOf(database));
    const QString hash = kpv::accounts::HashPassword(kClerkPassword);
    QString error;
    const kpv::accounts::Rights rights = *kpv::accounts::Rights::Parse("emitir", &error);
    kpv::db::RunWriteTransaction(
        *connection,
        [&] {
            kpv::accounts::AccountStore store(*connection);
            for (int c = 0; c < kClients; ++c)
                store.add({QStringLiteral("clerk%1").arg(c), QStringLiteral("Clerk %1").arg(c), hash, true,
                           rights});
            return true;
        },
        QDeadlineTimer(30000));
}

// The session token of `login`, signed in on `transport`'s server. Dies on a refusal.
QString signIn(kpv::net::HttpTransport& transport, const QString& login) {
    const kpv::net::HttpAnswer a = transport.post(
        "/session", {{"Content-Type", "application/json"}},
        QStringLiteral(R"({"login":"%1","password":"%2"})").arg(login, kClerkPassword).toUtf8(), 30000);
    const QStringList status = kpv::protocol::DecodeReply(a.body).toStringList();
    if (a.status != 200 || status.size() < 3)
        Fail(QStringLiteral("%1 could not sign in: %2").arg(login, a.body));
    return status[2];
}

kpv::net::HttpHeaders headersWith(const QString& token) {
    kpv::net::HttpHeaders headers{{"Content-Type", "application/json"}};
    if (!token.isEmpty()) headers.append({"Authorization", "Bearer " + token.toUtf8()});
    return headers;
}

// `clients` clients, each on a connection of its own and spread over the servers of `pools`, issue `rounds`
// rounds of `perRound` RPS, taken from the front of their server's pool; with `sessions` each signs in
// first as a clerk of its own and calls with its session. Dies on a refusal.
IssueRun issue(const TestDatabase& database, Pools& pools, int clients, int rounds, int perRound,
               bool sessions = false) {
    const int servers = int(pools.size());
    std::vector<std::unique_ptr<AppServerProcess>> processes;
    for (int s = 0; s < servers; ++s) processes.push_back(startServer(database));
    std::vector<QString> tokens(static_cast<size_t>(clients));
    for (int c = 0; sessions && c < clients; ++c) {
        kpv::net::HttpTransport transport;
        transport.setEndpoint(processes[size_t(c % servers)]->host(), processes[size_t(c % servers)]->port());
        tokens[size_t(c)] = signIn(transport, QStringLiteral("clerk%1").arg(c));
    }
    std::vector<double> rates, latencies;
    for (int round = 0; round < rounds; ++round) {
        std::vector<QStringList> mine(static_cast<size_t>(clients));
        for (int s = 0; s < servers; ++s) {
            QStringList& pool = pools[size_t(s)];
            const qsizetype share = perRound / servers;
            if (pool.size() < share)
                Fail(QStringLiteral("the demo data has too few invoices for server %1").arg(s));
            for (qsizetype i = 0; i < share; ++i)
                mine[size_t(s + servers * (i % (clients / servers)))] << pool[i];
            pool.remove(0, share);
        }
        std::atomic<int> refused{0};
        std::vector<std::vector<double>> times(static_cast<size_t>(clients));
        QElapsedTimer clock;
        clock.start();
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c) {
            threads.emplace_back([&, c] {
                const AppServerProcess& server = *processes[size_t(c % servers)];
                kpv::net::HttpTransport transport;
                transport.setEndpoint(server.host(), server.port());
                const kpv::net::HttpHeaders headers = headersWith(tokens[size_t(c)]);
                for (const QString& key : mine[size_t(c)]) {
                    QElapsedTimer one;
                    one.start();
                    const kpv::net::HttpAnswer a =
                        transport.post("/call", headers, call("PreparaImpressao", key.split('|')), 30000);
                    times[size_t(c)].push_back(one.nsecsElapsed() / 1e6);
                    if (a.status != 200 || !a.body.startsWith("{\"result\":[\"S\",\"\"")) ++refused;
                }
            });
        }
        for (auto& t : threads) t.join();
        rates.push_back(perRound / (clock.nsecsElapsed() / 1e9));
        if (refused) Fail(QStringLiteral("%1 PreparaImpressao refused").arg(refused.load()));
        for (const auto& t : times) latencies.insert(latencies.end(), t.begin(), t.end());
    }
    for (auto& p : processes) p->stop();
    std::sort(latencies.begin(), latencies.end());
    return {Median(rates), Median(latencies), latencies[size_t(double(latencies.size()) * 0.99)]};
}

// The invoices of `database` that can have an RPS, in `servers` pools of whole branches, the largest
// branch first into the smaller pool.
Pools eligibleInvoices(const TestDatabase& database, int servers) {
    const QStringList keys =
        invoiceKeys(database, QStringLiteral("SELECT NF.CDFILIAL, NF.NRLANCTONF") + kIssuableInvoices +
                                  " ORDER BY NF.CDFILIAL, NF.NRLANCTONF");
    std::map<QString, QStringList> byBranch;
    for (const QString& key : keys) byBranch[key.section('|', 0, 0)] << key;
    std::vector<QStringList> branches;
    for (auto& [branch, list] : byBranch) branches.push_back(std::move(list));
    std::sort(branches.begin(), branches.end(),
              [](const auto& a, const auto& b) { return a.size() > b.size(); });
    Pools pools(static_cast<size_t>(servers));
    for (QStringList& branch : branches)
        std::min_element(pools.begin(), pools.end(), [](const auto& a, const auto& b) {
            return a.size() < b.size();
        })->append(branch);
    return pools;
}

// Every number of a counter was issued once: the ledger holds 1..NRULTRPS of it, each once. Reports the
// duplicates and the counters with a gap.
void checkNumbering(const TestDatabase& database, const std::string& prefix) {
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
    Report((prefix + "_duplicates").c_str(), duplicates);
    Report((prefix + "_gaps").c_str(), gaps);
}

// A lone clerk's round trip of a small read (the median of many): signed in as `login`, or without a session
// while the database has no accounts.
double roundTripMs(const TestDatabase& database, const QString& login) {
    const auto server = startServer(database);
    kpv::net::HttpTransport transport;
    transport.setEndpoint(server->host(), server->port());
    const kpv::net::HttpHeaders headers = headersWith(login.isEmpty() ? QString() : signIn(transport, login));
    const QByteArray read = call("GetTipoOper", {"", "T", "S"});
    std::vector<double> times;
    for (int i = 0; i < kRoundTrips; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (transport.post("/call", headers, read, 30000).status != 200) Fail("GetTipoOper refused");
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    return Median(times);
}

// What one sign-in takes at the wire, one after the other: the median and the slowest.
void signingIn(const TestDatabase& database) {
    const auto server = startServer(database);
    kpv::net::HttpTransport transport;
    transport.setEndpoint(server->host(), server->port());
    std::vector<double> times;
    for (int i = 0; i < kSignIns; ++i) {
        QElapsedTimer clock;
        clock.start();
        signIn(transport, QStringLiteral("clerk%1").arg(i % kClients));
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    Report("sign_in_median_ms", Median(times));
    Report("sign_in_max_ms", *std::max_element(times.begin(), times.end()));
}

// Eight clerks, and a lone one, on one server; on a Firebird server also eight clerks over two servers;
// then eight clerks on one server again, each with its account's session. Three rounds of 3,000 calls each
// (500 for the lone clerk), the raw commit rate of the same disk beside.
void issuing(const TestDatabase& database, int invoices, bool twoServers) {
    FillDemoData(database, invoices);
    const std::string engine = database.engine == "sqlite" ? "issue_sqlite" : "issue_firebird";
    const auto report = [&](const std::string& arrangement, const IssueRun& r) {
        Report((engine + "_" + arrangement + "_per_s").c_str(), r.perSecond);
        Report((engine + "_" + arrangement + "_p50_ms").c_str(), r.p50Ms);
        Report((engine + "_" + arrangement + "_p99_ms").c_str(), r.p99Ms);
    };
    Pools pools = eligibleInvoices(database, twoServers ? 2 : 1);
    // One server's clerks take from both pools in turn, so that both keep enough for two servers after.
    Pools all(1);
    for (qsizetype i = 0; i < std::max(pools.front().size(), pools.back().size()); ++i) {
        for (const QStringList& pool : pools) {
            if (i < pool.size()) all[0] << pool[i];
        }
    }
    report("lone", issue(database, all, 1, 3, 500));
    report("8c_1s", issue(database, all, kClients, 3, 3000));
    if (twoServers) {
        // What the single server took is no longer eligible.
        const QSet<QString> left(all[0].begin(), all[0].end());
        for (QStringList& pool : pools)
            pool.removeIf([&](const QString& key) { return !left.contains(key); });
        report("8c_2s", issue(database, pools, kClients, 3, 3000));
    }
    const bool sqlite = database.engine == "sqlite";
    if (sqlite) Report("call_without_session_ms", roundTripMs(database, {}));
    addClerks(database);
    if (twoServers) {
        // What the two servers issued is no longer eligible.
        QSet<QString> left;
        for (const QStringList& pool : pools) left.unite(QSet<QString>(pool.begin(), pool.end()));
        all[0].removeIf([&](const QString& key) { return !left.contains(key); });
    }
    report("8c_1s_session", issue(database, all, kClients, 3, 3000, true));
    if (sqlite) {
        Report("call_with_session_ms", roundTripMs(database, QStringLiteral("clerk0")));
        signingIn(database);
    }
    Report((engine + "_raw_commit_per_s").c_str(), rawCommitRate(database));
    checkNumbering(database, engine);
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

// The [nfse] group of a server over `database`: a test certificate for every branch, made in `folder`.
QString certificatesOfBranches(const TestDatabase& database, const QString& folder) {
    QString group = QStringLiteral("[nfse]\n");
    {
        QSqlDatabase db = open(database, "branches");
        QSqlQuery q(db);
        if (!q.exec("SELECT F.CDFILIAL, F.NMFILIAL, COALESCE(F.NRCNPJFILI, E.NRCNPJEMPR) FROM FILIAL F"
                    " JOIN EMPRESA E ON E.CDEMPRESA = F.CDEMPRESA"))
            Fail(q.lastError().text());
        while (q.next()) {
            const QString branch = q.value(0).toString().trimmed();
            TestCertificate made;
            QString error;
            if (!MakeTestCertificate(
                    folder, "filial-" + branch,
                    {q.value(1).toString().trimmed() + u':' + q.value(2).toString().trimmed(), {}}, &made,
                    &error))
                Fail(error);
            group += QStringLiteral("certificate.%1=%2\ncertificatePassword.%1=%3\n")
                         .arg(branch, made.pkcs12, made.password);
        }
    }
    QSqlDatabase::removeDatabase("branches");
    return group;
}

// One clerk asks the signed DPS of issued RPS one after the other, while eight others issue RPS on the
// same server. The 99th percentile of GeraDPS.
double dpsLatencyWhileIssuing() {
    QTemporaryDir dir;
    TestDatabase database;
    database.engine = "sqlite";
    database.path = dir.filePath("dps.db");
    FillDemoData(database, kSqliteInvoices);
    AppServerLimits limits;
    limits.groups = certificatesOfBranches(database, dir.path());
    AppServerProcess server(database, limits);
    QString error;
    if (!server.start(&error)) Fail(error);
    const QStringList standing = invoiceKeys(
        database, "SELECT CDFILIAL, NRLANCTONF FROM NOTAFISCAL WHERE IDEMISSAORPS = '2' LIMIT 600");
    const QStringList eligible = eligibleInvoices(database, 1).front();
    std::atomic<bool> done{false};
    std::atomic<int> issued{0};
    std::vector<std::thread> clerks;
    for (int c = 0; c < kClients; ++c) {
        clerks.emplace_back([&, c] {
            kpv::net::HttpTransport transport;
            transport.setEndpoint(server.host(), server.port());
            for (qsizetype i = c; i < eligible.size() && !done; i += kClients) {
                const kpv::net::HttpAnswer a =
                    transport.post("/call", {{"Content-Type", "application/json"}},
                                   call("PreparaImpressao", eligible[i].split('|')), 30000);
                if (a.status == 200 && a.body.startsWith("{\"result\":[\"S\",\"\"")) ++issued;
            }
        });
    }
    QThread::msleep(300);  // the clerks are under way
    std::vector<double> latencies;
    kpv::net::HttpTransport transport;
    transport.setEndpoint(server.host(), server.port());
    for (const QString& key : standing) {
        QElapsedTimer clock;
        clock.start();
        const kpv::net::HttpAnswer a = transport.post("/call", {{"Content-Type", "application/json"}},
                                                      call("GeraDPS", key.split('|')), 30000);
        latencies.push_back(clock.nsecsElapsed() / 1e6);
        if (a.status != 200 || !a.body.startsWith("{\"result\":[\"S\",\"\""))
            Fail(QStringLiteral("GeraDPS: ") + QString::fromUtf8(a.body));
    }
    const int issuedMeanwhile = issued.load();
    done = true;
    for (auto& t : clerks) t.join();
    server.stop();
    std::sort(latencies.begin(), latencies.end());
    Report("dps_during_issue_issued", issuedMeanwhile);
    Report("dps_during_issue_median_ms", Median(latencies));
    return latencies[size_t(latencies.size() * 0.99)];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    const QCommandLineOption dataOption = DataOption();
    const QCommandLineOption engineOption(
        "engine", "Only the issuing of one engine: sqlite or firebird (the reads under load are left out).",
        "engine");
    ReadCommandLine(options,
                    "The application server shared by an office: eight clerks issuing RPS at once, and a "
                    "print while another clerk loads a long list.",
                    {dataOption, engineOption});
    const QString only = options.value(engineOption);
    if (!only.isEmpty() && only != "sqlite" && only != "firebird")
        Fail(QStringLiteral("--engine: sqlite or firebird, not %1").arg(only));
    QTemporaryDir dir;
    if (only != "firebird") {
        TestDatabase sqlite;
        sqlite.engine = "sqlite";
        sqlite.path = dir.filePath("issue.db");
        issuing(sqlite, kSqliteInvoices, false);
    }
    if (only != "sqlite") {
        const TestDatabase firebird = TestDatabase::FirebirdServer("issue");
        if (firebird.isValid()) issuing(firebird, kFirebirdInvoices, true);
    }
    if (!only.isEmpty()) return 0;
    Report("print_during_list_p99_ms", printLatencyUnderList(options.value(dataOption)));
    Report("dps_during_issue_p99_ms", dpsLatencyWhileIssuing());
    return 0;
}
