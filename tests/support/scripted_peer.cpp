#include "scripted_peer.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

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
        buffer_.clear();
        ++connections_;
        // One connection may carry several requests.
        while (!stop_ && socket->state() == QAbstractSocket::ConnectedState) {
            std::optional<HttpMessage> request;
            while (!stop_ && !(request = TakeHttpMessage(buffer_))) {
                if (socket->waitForReadyRead(50)) buffer_ += socket->readAll();
                if (socket->state() != QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0)
                    break;
            }
            if (!request) break;
            {
                QMutexLocker locked(&mutex_);
                authorization_ = request->header("Authorization");
            }
            script_(*socket, *request);
            socket->waitForBytesWritten(1000);
        }
    }
}

void AnswerHttp(QTcpSocket& socket, int status, const QByteArray& body, const QByteArray& connection) {
    socket.write("HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: " + connection +
                 "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
    socket.flush();
}
