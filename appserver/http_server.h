#pragma once

#include "appserver/server_settings.h"
#include "protocol/http.h"

#include <QObject>
#include <QString>

#include <functional>
#include <set>

class QTcpServer;

namespace kpv::server {

class HttpConnection;

struct HttpReply {
    int status = 200;
    QByteArray body;  // JSON
};

// HTTP/1.1 on QTcpServer, one event loop: requests are served one at a time, in arrival order, on
// kept-alive connections. The limits of the settings (body size, read time, idle time, connections)
// are enforced here; what breaks them is answered with the protocol's error reply and closed.
class HttpServer : public QObject {
    Q_OBJECT

  public:
    // Answers one whole request; must not throw.
    using Handler =
        std::function<HttpReply(const protocol::HttpHead& head, const QByteArray& body, const QString& peer)>;
    // Told of every request refused before the handler saw it: peer, HTTP status, error code, message.
    using RejectionLog =
        std::function<void(const QString& peer, int status, const QString& code, const QString& message)>;

    HttpServer(ServerSettings settings, Handler handler, RejectionLog rejected, QObject* parent = nullptr);
    ~HttpServer() override;

    // Throws std::runtime_error with the reason when the address cannot be bound.
    void listen();
    QString address() const;
    quint16 port() const;

    // Stops accepting, lets the answers already written reach their clients, closes every connection
    // and then runs `done` (at the latest after a few seconds).
    void shutdown(std::function<void()> done);

  private:
    friend class HttpConnection;
    void accept();
    void forget(HttpConnection* connection);
    void finishShutdownIfIdle();

    ServerSettings settings_;
    Handler handler_;
    RejectionLog rejected_;
    QTcpServer* listener_;
    std::set<HttpConnection*> connections_;
    std::function<void()> shutdownDone_;
};

QByteArray ReasonPhrase(int status);

}  // namespace kpv::server
