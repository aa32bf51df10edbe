#include "scripted_peer.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

using kpv::protocol::HttpReader;

ScriptedPeer::ScriptedPeer(Script script) : script_(std::move(script)) {
    start();
    while (port_ == 0) QThread::msleep(5);
}

ScriptedPeer::~ScriptedPeer() {
    stop_ = true;
    wait();
}

QByteArray ScriptedPeer::lastAuthorization() {
    QMutexLocker locked(&mutex_);
    return authorization_;
}

void ScriptedPeer::run() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    port_ = server.serverPort();
    while (!stop_) {
        if (!server.waitForNewConnection(50)) continue;
        std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
        ++connections_;
        // One connection may carry several requests.
        while (!stop_ && socket->state() == QAbstractSocket::ConnectedState) {
            HttpReader reader(HttpReader::Kind::Request, {});
            QByteArray buffer;
            while (!stop_ && reader.read(buffer) == HttpReader::State::NeedMore) {
                if (socket->waitForReadyRead(50)) buffer += socket->readAll();
                if (socket->state() != QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0)
                    break;
            }
            if (reader.read(buffer) != HttpReader::State::Complete) break;
            {
                QMutexLocker locked(&mutex_);
                authorization_ = reader.head().header("Authorization");
            }
            script_(*socket, reader);
            socket->waitForBytesWritten(1000);
        }
    }
}

void AnswerHttp(QTcpSocket& socket, int status, const QByteArray& body, const QByteArray& connection) {
    socket.write(kpv::protocol::SerializeResponse(status, "X", {{"Connection", connection}}, body));
    socket.flush();
}
