#include "appserver/http_server.h"

#include "protocol/codec.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>
#include <stdexcept>

namespace kpv::server {

namespace {

constexpr int kShutdownGraceMs = 3000;
// How long a closing connection waits for its client to close too.
constexpr int kLingerMs = 2000;

const protocol::HttpHeaders kJson{{"Content-Type", "application/json; charset=utf-8"}};

QByteArray response(int status, const QByteArray& body, bool keepAlive) {
    protocol::HttpHeaders headers = kJson;
    headers.append({QByteArray("Connection"), QByteArray(keepAlive ? "keep-alive" : "close")});
    return protocol::SerializeResponse(status, ReasonPhrase(status), headers, body);
}

QHostAddress bindAddress(const QString& host) {
    if (host == QLatin1String("localhost")) return QHostAddress(QHostAddress::LocalHost);
    if (host == QLatin1String("*")) return QHostAddress(QHostAddress::Any);
    return QHostAddress(host);
}

}  // namespace

QByteArray ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 413:
            return "Payload Too Large";
        case 422:
            return "Unprocessable Entity";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

// One client connection: reads requests as they arrive, answers each in turn, watches its time limits.
class HttpConnection : public QObject {
  public:
    HttpConnection(QTcpSocket* socket, HttpServer& server)
        : QObject(&server),
          server_(server),
          socket_(socket),
          reader_(protocol::HttpReader::Kind::Request, {16 * 1024, server.settings_.maxBodyBytes}),
          peer_(socket->peerAddress().toString() + QLatin1Char(':') + QString::number(socket->peerPort())) {
        socket_->setParent(this);
        readTimer_.setSingleShot(true);
        idleTimer_.setSingleShot(true);
        connect(socket_, &QTcpSocket::readyRead, this, [this] { onReadyRead(); });
        connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
            if (!closing_) idleTimer_.start(server_.settings_.idleTimeoutMs);
        });
        connect(socket_, &QTcpSocket::disconnected, this, [this] { server_.forget(this); });
        connect(&readTimer_, &QTimer::timeout, this, [this] {
            reject(408, QStringLiteral("request_timeout"),
                   QStringLiteral("A requisição não chegou inteira em %1 ms.")
                       .arg(server_.settings_.readTimeoutMs));
        });
        // An idle connection, or one whose client stopped reading its answer, is let go.
        connect(&idleTimer_, &QTimer::timeout, this, [this] { socket_->abort(); });
        idleTimer_.start(server_.settings_.idleTimeoutMs);
    }

    // Refuses at once, answering with the error reply and closing.
    void reject(int status, const QString& code, const QString& message) {
        if (closing_) return;
        if (server_.rejected_) server_.rejected_(peer_, status, code, message);
        closeAfter(response(status, protocol::EncodeFaultReply({code, message}), false));
    }

    // Closes once the answer is out. A client may still be sending (a body too large, a long head): its
    // bytes are read and dropped until it closes too, for closing over unread bytes would reset the
    // connection and could destroy the answer before the client reads it.
    void closeGracefully() {
        if (closing_) return;
        closing_ = true;
        readTimer_.stop();
        idleTimer_.start(kLingerMs);
        if (socket_->bytesToWrite() == 0) {
            halfClose();
        } else {
            connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
                if (socket_->bytesToWrite() == 0) halfClose();
            });
        }
    }

  private:
    void halfClose() {
        socket_->flush();
        ::shutdown(static_cast<int>(socket_->socketDescriptor()), SHUT_WR);
    }

    void closeAfter(const QByteArray& bytes) {
        socket_->write(bytes);
        closeGracefully();
    }

    void onReadyRead() {
        if (closing_) {
            socket_->readAll();
            return;
        }
        buffer_ += socket_->readAll();
        while (!closing_) {
            const auto state = reader_.read(buffer_);
            if (state == protocol::HttpReader::State::NeedMore) {
                if (reader_.started() && !readTimer_.isActive())
                    readTimer_.start(server_.settings_.readTimeoutMs);
                return;
            }
            readTimer_.stop();
            if (state == protocol::HttpReader::State::Failed) {
                rejectFailure();
                return;
            }
            const HttpReply reply = server_.handler_(reader_.head(), reader_.body(), peer_);
            const bool keepAlive = reader_.keepAlive() && !server_.shutdownDone_;
            reader_.reset();
            if (!keepAlive) {
                closeAfter(response(reply.status, reply.body, false));
                return;
            }
            socket_->write(response(reply.status, reply.body, true));
            idleTimer_.start(server_.settings_.idleTimeoutMs);
        }
    }

    void rejectFailure() {
        using F = protocol::HttpReader::Failure;
        switch (reader_.failure()) {
            case F::BodyTooLarge:
                reject(413, QStringLiteral("payload_too_large"),
                       QStringLiteral("Requisição grande demais: %1 bytes (máximo %2).")
                           .arg(QString::fromLatin1(reader_.head().header("Content-Length")))
                           .arg(server_.settings_.maxBodyBytes));
                break;
            case F::HeadTooLarge:
                reject(431, QStringLiteral("header_too_large"),
                       QStringLiteral("Cabeçalho HTTP grande demais."));
                break;
            case F::Unsupported:
                reject(501, QStringLiteral("not_implemented"),
                       QStringLiteral("Corpo da requisição sem Content-Length não é suportado."));
                break;
            case F::Malformed:
            case F::None:
                reject(400, QStringLiteral("bad_request"), QStringLiteral("Requisição HTTP malformada."));
                break;
        }
    }

    HttpServer& server_;
    QTcpSocket* socket_;
    protocol::HttpReader reader_;
    QString peer_;
    QByteArray buffer_;
    QTimer readTimer_;
    QTimer idleTimer_;
    bool closing_ = false;
};

HttpServer::HttpServer(ServerSettings settings, Handler handler, RejectionLog rejected, QObject* parent)
    : QObject(parent),
      settings_(std::move(settings)),
      handler_(std::move(handler)),
      rejected_(std::move(rejected)),
      listener_(new QTcpServer(this)) {
    connect(listener_, &QTcpServer::newConnection, this, [this] { accept(); });
}

HttpServer::~HttpServer() = default;

void HttpServer::listen() {
    const QHostAddress address = bindAddress(settings_.host);
    if (address.isNull()) {
        throw std::runtime_error(
            QStringLiteral("Endereço inválido para o servidor: \"%1\".").arg(settings_.host).toStdString());
    }
    if (settings_.port < 0 || settings_.port > 65535 ||
        !listener_->listen(address, static_cast<quint16>(settings_.port))) {
        throw std::runtime_error(QStringLiteral("Não foi possível escutar em %1:%2: %3.")
                                     .arg(settings_.host)
                                     .arg(settings_.port)
                                     .arg(listener_->errorString())
                                     .toStdString());
    }
}

QString HttpServer::address() const {
    return listener_->serverAddress().toString();
}

quint16 HttpServer::port() const {
    return listener_->serverPort();
}

void HttpServer::accept() {
    while (QTcpSocket* socket = listener_->nextPendingConnection()) {
        auto* connection = new HttpConnection(socket, *this);
        connections_.insert(connection);
        if (static_cast<int>(connections_.size()) > settings_.maxConnections) {
            connection->reject(
                503, QStringLiteral("too_many_connections"),
                QStringLiteral("O servidor de aplicação atingiu o limite de %1 conexões simultâneas.")
                    .arg(settings_.maxConnections));
        }
    }
}

void HttpServer::forget(HttpConnection* connection) {
    if (connections_.erase(connection) == 0) return;
    connection->deleteLater();
    finishShutdownIfIdle();
}

void HttpServer::shutdown(std::function<void()> done) {
    shutdownDone_ = std::move(done);
    listener_->close();
    for (HttpConnection* c : std::set<HttpConnection*>(connections_)) c->closeGracefully();
    QTimer::singleShot(kShutdownGraceMs, this, [this] {
        for (HttpConnection* c : std::set<HttpConnection*>(connections_)) forget(c);
        finishShutdownIfIdle();
    });
    finishShutdownIfIdle();
}

void HttpServer::finishShutdownIfIdle() {
    if (!shutdownDone_ || !connections_.empty()) return;
    const auto done = std::exchange(shutdownDone_, nullptr);
    done();
}

}  // namespace kpv::server
