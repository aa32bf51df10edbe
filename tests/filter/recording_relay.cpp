#include "recording_relay.h"

#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace filtertest {

namespace {

// Cuts whole HTTP requests off the front of `buffer` and hands each body to `onBody`.
template <class OnBody>
void TakeRequests(QByteArray& buffer, OnBody onBody) {
    for (;;) {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) return;
        qsizetype length = 0;
        for (const QByteArray& line : buffer.left(headEnd).split('\n')) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
                length = line.mid(colon + 1).trimmed().toLongLong();
        }
        const qsizetype end = headEnd + 4 + length;
        if (buffer.size() < end) return;
        onBody(buffer.mid(headEnd + 4, length));
        buffer.remove(0, end);
    }
}

}  // namespace

// Lives in the relay's own thread: the client's calls block the thread they are made in.
class RelayWorker : public QObject {
  public:
    RelayWorker(RecordingRelay* relay, int serverPort) : relay_(relay), serverPort_(serverPort) {}

    int listen() {
        server_ = new QTcpServer(this);
        if (!server_->listen(QHostAddress::LocalHost)) return 0;
        connect(server_, &QTcpServer::newConnection, this, &RelayWorker::accept);
        return server_->serverPort();
    }

  private:
    void accept() {
        while (QTcpSocket* client = server_->nextPendingConnection()) {
            auto* upstream = new QTcpSocket(client);
            auto pending = std::make_shared<QByteArray>();
            upstream->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(serverPort_));
            connect(client, &QTcpSocket::readyRead, this, [this, client, upstream, pending] {
                const QByteArray data = client->readAll();
                pending->append(data);
                TakeRequests(*pending, [this](const QByteArray& body) { record(body); });
                upstream->write(data);
            });
            connect(upstream, &QTcpSocket::readyRead, client,
                    [client, upstream] { client->write(upstream->readAll()); });
            connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
            connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        }
    }

    void record(const QByteArray& body) {
        const QJsonObject call = QJsonDocument::fromJson(body).object();
        RelayedCall relayed{call.value(QStringLiteral("method")).toString(), {}};
        for (const QJsonValue& arg : call.value(QStringLiteral("args")).toArray())
            relayed.args << arg.toString();
        relay_->record(relayed);
    }

    RecordingRelay* relay_;
    int serverPort_;
    QTcpServer* server_ = nullptr;
};

RecordingRelay::RecordingRelay(int serverPort) : serverPort_(serverPort) {}

RecordingRelay::~RecordingRelay() {
    thread_.quit();
    thread_.wait();
}

bool RecordingRelay::start() {
    auto* worker = new RelayWorker(this, serverPort_);
    worker->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, worker, &QObject::deleteLater);
    thread_.start();
    QMetaObject::invokeMethod(
        worker, [worker] { return worker->listen(); }, Qt::BlockingQueuedConnection, &port_);
    return port_ != 0;
}

QList<RelayedCall> RecordingRelay::calls() const {
    const QMutexLocker lock(&mutex_);
    return calls_;
}

QList<RelayedCall> RecordingRelay::calls(const QString& method) const {
    QList<RelayedCall> matching;
    for (const RelayedCall& call : calls()) {
        if (call.method == method) matching << call;
    }
    return matching;
}

void RecordingRelay::clear() {
    const QMutexLocker lock(&mutex_);
    calls_.clear();
}

void RecordingRelay::record(const RelayedCall& call) {
    const QMutexLocker lock(&mutex_);
    calls_ << call;
}

}  // namespace filtertest
