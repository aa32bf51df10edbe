#pragma once

#include "test_database.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// [server] keys for a test's server; zero or empty leaves the server's default.
struct AppServerLimits {
    QString token;
    qint64 maxBodyBytes = 0;
    int readTimeoutMs = 0;
    int idleTimeoutMs = 0;
    int maxConnections = 0;
    QString more;    // further lines of the group, "workers=2\ndeadlineMs=2000"
    QString groups;  // further groups of the file, "[nfse]\ncertificate.0001=..."
};

// The real kpv-appserver, started by a test on a free port of 127.0.0.1 over the given database, and
// stopped (SIGTERM, then kill) when the object goes.
class AppServerProcess {
  public:
    explicit AppServerProcess(const TestDatabase& database,
                              const AppServerLimits& limits = AppServerLimits());
    ~AppServerProcess();
    AppServerProcess(const AppServerProcess&) = delete;
    AppServerProcess& operator=(const AppServerProcess&) = delete;

    // Starts the server and waits until it listens. False with the reason (and its log) in `error`.
    bool start(QString* error);
    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return port_; }
    bool running() const { return process_.state() == QProcess::Running; }

    // Sends SIGTERM and waits for the exit: the exit code, or -1 when it had to be killed.
    int stop();
    // Kills it at once (SIGKILL), wherever it is: a power cut, as far as the process can tell.
    void crash();
    // What the server wrote on standard error so far: one line per call.
    QString log() const;

  private:
    TestDatabase database_;
    AppServerLimits limits_;
    QTemporaryDir dir_;
    QString logFile() const;

    QProcess process_;
    int port_ = 0;
};
