#pragma once

#include "http_message.h"

#include <QByteArray>
#include <QMutex>
#include <QThread>

#include <atomic>
#include <functional>

class QTcpSocket;

// A peer on 127.0.0.1 in a thread of its own, standing in for the application server: it answers each
// request of each connection as its script says, and so can misbehave in every way a network can.
class ScriptedPeer : public QThread {
  public:
    // Gets the connection and the request it sent (empty when it never sent a whole one).
    using Script = std::function<void(QTcpSocket& socket, const HttpMessage& request)>;

    explicit ScriptedPeer(Script script);
    ~ScriptedPeer() override;

    int port() const { return port_; }
    int connections() const { return connections_; }
    QByteArray lastAuthorization();

  protected:
    void run() override;

  private:
    Script script_;
    std::atomic<int> port_{0};
    std::atomic<int> connections_{0};
    std::atomic<bool> stop_{false};
    QMutex mutex_;
    QByteArray authorization_;
    QByteArray buffer_;  // what arrived of the connection's next request
};

// Writes a whole HTTP answer with `body` on the connection.
void AnswerHttp(QTcpSocket& socket, int status, const QByteArray& body,
                const QByteArray& connection = "keep-alive");
