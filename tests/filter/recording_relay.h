#pragma once

// A relay between a client and the real application server that writes down every call passing through,
// so a test can read the arguments the server received, exactly as they were sent.
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

#include <memory>

namespace filtertest {

struct RelayedCall {
    QString method;
    QStringList args;  // texts as sent; dates as their ISO text
};

class RecordingRelay {
  public:
    // Relays to the server listening on 127.0.0.1:serverPort.
    explicit RecordingRelay(int serverPort);
    ~RecordingRelay();
    RecordingRelay(const RecordingRelay&) = delete;
    RecordingRelay& operator=(const RecordingRelay&) = delete;

    // Listens on a free port of 127.0.0.1; false when it cannot.
    bool start();
    int port() const { return port_; }

    // Every call relayed so far, in order. A call is written down before the server has all of it, so
    // once the client holds the answer the call is here.
    QList<RelayedCall> calls() const;
    // The calls of one method only.
    QList<RelayedCall> calls(const QString& method) const;
    void clear();

  private:
    friend class RelayWorker;
    void record(const RelayedCall& call);

    int serverPort_;
    int port_ = 0;
    QThread thread_;
    mutable QMutex mutex_;
    QList<RelayedCall> calls_;
};

}  // namespace filtertest
