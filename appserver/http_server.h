#pragma once

#include "appserver/server_settings.h"
#include "protocol/fault_codes.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace kpv::server {

class ServerFault;

// One request, whole.
struct HttpRequest {
    QByteArray method;
    QByteArray target;
    QByteArray authorization;
    QByteArray body;
    QString peer;     // address:port
    QString address;  // the peer's address alone
};

struct HttpReply {
    int status = protocol::kPayloadStatus;
    QByteArray body;  // JSON
    // Told whether the answer reached the client's connection whole.
    std::function<void(bool delivered)> sent;
    int retryAfterSeconds = 0;  // said in Retry-After when set
};

// Answers its request once; may be called from any thread.
using Responder = std::function<void(HttpReply)>;

// HTTP/1.1 (and HTTPS with tlsCert/tlsKey) over Boost.Beast, on one thread of its own: requests of a
// connection are answered in their order, pipelined ones included, while the handler's work runs
// elsewhere. The limits of the settings are kept here: a head above 16 KiB (431), a body above
// maxBodyBytes (413, before the body is read), a request not whole within readTimeoutMs of its first byte
// (408, while others are served), chunked bodies (501), conflicting Content-Length (400), more than
// maxConnections connections (503); each is answered with the protocol's error reply and closed.
class HttpServer {
  public:
    using Handler = std::function<void(const HttpRequest& request, const Responder& respond)>;
    // Told of every request refused before the handler saw it, and why.
    using RejectionLog = std::function<void(const QString& peer, const ServerFault& fault)>;

    HttpServer(ServerSettings settings, Handler handler, RejectionLog rejected);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds and starts serving. Throws std::runtime_error with the reason, in Portuguese, when the
    // address cannot be bound or the certificate cannot be read.
    void listen();
    QString address() const;
    quint16 port() const;

    // Stops accepting, lets the answers under way reach their clients, closes every connection; returns
    // when done, at the latest after a few seconds.
    void shutdown();

    class Impl;  // the sessions reach it

  private:
    std::unique_ptr<Impl> impl_;
};

QByteArray ReasonPhrase(int status);

}  // namespace kpv::server
