// The database fails under a running kpv-appserver with clerks waiting: a Firebird server that stops
// answering (SIGSTOP) or is killed and started again, a SQLite file whose write lock another process
// holds. Every caller gets a clear answer within the server's deadline, a dead database answers at once,
// and service resumes within a second of the database coming back, without restarting the server.
#include "appserver_process.h"
#include "framework/net/http_transport.h"
#include "protocol/codec.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <thread>

using namespace kpv;

namespace {

constexpr int kDeadlineMs = 2000;
// What an answer may take beyond the deadline on a loaded machine with sanitizers.
constexpr int kSlackMs = 1500;

struct Outcome {
    int status = 0;
    QString code;
    qint64 ms = 0;
};

QByteArray call(const char* method, const QString& args) {
    return QStringLiteral(R"({"server":"Kpv41000.rdmEmissaoRPS","method":"%1","args":%2})")
        .arg(QLatin1String(method), args)
        .toUtf8();
}

const QByteArray kLookup = call("GetTipoOper", R"(["","T","S"])");
const QByteArray kList =
    call("GetNotaFiscal", R"(["","T","01","","","","T","2020-01-01","2030-12-31","S","_1_2_3"])");
QByteArray issue(int entry) {
    return call("PreparaImpressao", QStringLiteral(R"(["0001","%1"])").arg(entry, 10, 10, QLatin1Char('0')));
}

Outcome post(int port, const QByteArray& body) {
    net::HttpTransport transport;
    transport.setEndpoint(QStringLiteral("127.0.0.1"), port);
    QElapsedTimer clock;
    clock.start();
    Outcome o;
    try {
        const net::HttpAnswer a =
            transport.post("/call", {{"Content-Type", "application/json"}}, body, 30000);
        o.status = a.status;
        const QVariant payload = protocol::DecodeReply(a.body);
        if (payload.metaType() == QMetaType::fromType<protocol::Fault>())
            o.code = payload.value<protocol::Fault>().code;
    } catch (const net::TransportError& e) {
        o.code = e.code();
    }
    o.ms = clock.elapsed();
    return o;
}

// All at once, each from a client of its own.
std::vector<Outcome> postAll(int port, const std::vector<QByteArray>& bodies) {
    std::vector<Outcome> outcomes(bodies.size());
    std::vector<std::thread> clients;
    for (size_t i = 0; i < bodies.size(); ++i)
        clients.emplace_back([&, i] { outcomes[i] = post(port, bodies[i]); });
    for (auto& c : clients) c.join();
    return outcomes;
}

// The first success after `clock` started, polling; -1 when none came within `withinMs`.
qint64 firstSuccess(int port, const QElapsedTimer& clock, int withinMs) {
    while (clock.elapsed() < withinMs) {
        if (post(port, kLookup).status == 200) return clock.elapsed();
        QThread::msleep(20);
    }
    return -1;
}

// A Firebird server of the test's own, which it may stop, kill and start again.
class OwnFirebird {
  public:
    bool start(QString* error) {
        QProcess script;
        script.start(QDir(qEnvironmentVariable("KPV_SOURCE_DIR")).filePath("scripts/firebird-test-server.sh"),
                     {"start", dir_.path()});
        script.waitForFinished(60000);
        if (script.exitCode() != 0) {
            *error = QString::fromUtf8(script.readAllStandardError());
            return false;
        }
        QSettings ini(dir_.filePath("connection.ini"), QSettings::IniFormat);
        port_ = ini.value("firebird/port").toInt();
        return true;
    }
    ~OwnFirebird() {
        signal(SIGCONT);
        QProcess::execute(
            QDir(qEnvironmentVariable("KPV_SOURCE_DIR")).filePath("scripts/firebird-test-server.sh"),
            {"stop", dir_.path()});
    }
    TestDatabase database() const {
        return {"firebird", dir_.filePath("databases/faults.fdb"), "127.0.0.1", port_, "SYSDBA", "kpv-test"};
    }
    void signal(int number) const { ::kill(pid(), number); }
    // The server process again, over the same root and databases.
    void relaunch() const {
        QProcess server;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("FIREBIRD", dir_.path());
        env.insert("FIREBIRD_LOCK", dir_.filePath("lock"));
        env.insert("FIREBIRD_TMP", dir_.filePath("tmp"));
        server.setProcessEnvironment(env);
        server.setProgram("/usr/sbin/firebird");
        qint64 pid = 0;
        server.startDetached(&pid);
        QFile file(dir_.filePath("firebird.pid"));
        if (file.open(QIODevice::WriteOnly)) file.write(QByteArray::number(pid));
    }
    bool listening() const {
        QTcpSocket s;
        s.connectToHost("127.0.0.1", quint16(port_));
        return s.waitForConnected(200);
    }

  private:
    pid_t pid() const {
        QFile file(dir_.filePath("firebird.pid"));
        return file.open(QIODevice::ReadOnly) ? pid_t(file.readAll().trimmed().toInt()) : 0;
    }
    QTemporaryDir dir_;
    int port_ = 0;
};

}  // namespace

class AppServerFaults : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void everyCallerIsAnsweredAndServiceResumes_data() {
        QTest::addColumn<QString>("fault");
        QTest::newRow("firebird stops answering") << "firebird-stopped";
        QTest::newRow("firebird killed and started again") << "firebird-restarted";
        QTest::newRow("sqlite write lock held by another process") << "sqlite-locked";
    }

    void everyCallerIsAnsweredAndServiceResumes() {
        QFETCH(QString, fault);
        const bool firebird = fault.startsWith("firebird");
        QTemporaryDir dir;
        OwnFirebird server;
        QString error;
        if (firebird) QVERIFY2(server.start(&error), qPrintable(error));
        const TestDatabase database = firebird ? server.database() : TestDatabase::Sqlite(dir.path());
        QVERIFY2(RunDemoData(database, 300, 3, QDate(2026, 6, 30), &error), qPrintable(error));
        AppServerLimits limits;
        limits.more = QStringLiteral("workers=4\ndeadlineMs=%1").arg(kDeadlineMs);
        AppServerProcess app(database, limits);
        QVERIFY2(app.start(&error), qPrintable(error));
        const int port = app.port();
        QCOMPARE(postAll(port, {kLookup, kLookup, kLookup, kLookup}).front().status,
                 200);  // connections open

        QProcess holder;
        if (fault == "firebird-stopped") server.signal(SIGSTOP);
        if (fault == "firebird-restarted") {
            server.signal(SIGKILL);
            QTRY_VERIFY(!server.listening());
        }
        if (fault == "sqlite-locked") {
            holder.start("python3", {"-c",
                                     "import sqlite3,sys,time\n"
                                     "c=sqlite3.connect(sys.argv[1],isolation_level=None)\n"
                                     "c.execute('BEGIN IMMEDIATE'); print('locked', flush=True)\n"
                                     "time.sleep(60)\n",
                                     database.path});
            QVERIFY(holder.waitForReadyRead(10000));
        }

        // Five writers and two readers queue up behind the fault.
        const std::vector<QByteArray> bodies{issue(1), issue(2), issue(3), issue(4),
                                             issue(5), kLookup,  kList};
        const std::vector<Outcome> outcomes = postAll(port, bodies);
        for (size_t i = 0; i < outcomes.size(); ++i) {
            const Outcome& o = outcomes[i];
            const QString what = QStringLiteral("%1: HTTP %2 %3 after %4 ms\n%5")
                                     .arg(QString::fromUtf8(bodies[i]))
                                     .arg(o.status)
                                     .arg(o.code)
                                     .arg(o.ms)
                                     .arg(app.log().right(3000));
            QVERIFY2(o.ms < kDeadlineMs + kSlackMs, qPrintable(what));
            const bool read = i >= 5;
            if (fault == "sqlite-locked" && read) {
                // Readers of a WAL database never wait for the writer, nor behind the writers queued.
                QVERIFY2(o.status == 200 && o.ms < kDeadlineMs / 2, qPrintable(what));
            } else if (fault == "sqlite-locked") {
                QVERIFY2(o.status == 503 && (o.code == "database_busy" || o.code == "database_timeout"),
                         qPrintable(what));
            } else {
                QVERIFY2(
                    o.status == 503 && (o.code == "database_unavailable" || o.code == "database_timeout"),
                    qPrintable(what));
            }
        }
        if (firebird) {
            // Known gone now: the next caller is refused at once instead of waiting for the deadline.
            const Outcome next = post(port, kLookup);
            QVERIFY2(next.status == 503 && next.code == "database_unavailable" && next.ms < 500,
                     qPrintable(QStringLiteral("%1 %2 %3 ms").arg(next.status).arg(next.code).arg(next.ms)));
        }

        QElapsedTimer back;
        if (fault == "firebird-stopped") server.signal(SIGCONT);
        if (fault == "firebird-restarted") {
            server.relaunch();
            QTRY_VERIFY_WITH_TIMEOUT(server.listening(), 20000);
        }
        if (fault == "sqlite-locked") holder.kill(), holder.waitForFinished();
        back.start();
        const qint64 resumed = firstSuccess(port, back, 5000);
        QVERIFY2(resumed >= 0 && resumed < 1000, qPrintable(QString::number(resumed)));
        QVERIFY(app.running());
        // Nothing was half-written: every invoice asked for is either issued once or untouched.
        const Outcome again = post(port, issue(1));
        QCOMPARE(again.status, 200);
        QCOMPARE(app.stop(), 0);
    }
};

QTEST_GUILESS_MAIN(AppServerFaults)
#include "test_appserver_faults.moc"
