#include "appserver/http_server.h"

#include "appserver/server_fault.h"
#include "protocol/codec.h"

#include <utility>  // before Asio: Boost 1.74's asio/awaitable.hpp needs std::exchange

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <QHostAddress>

#include <array>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

namespace kpv::server {

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using protocol::FaultCode;

constexpr std::chrono::milliseconds kShutdownGrace{3000};
// How long a closing connection waits for its client to close too.
constexpr int kLingerMs = 2000;
constexpr std::size_t kMaxHead = std::size_t(16) * 1024;

QString portuguese(const error_code& ec) {
    if (ec == asio::error::address_in_use)
        return QStringLiteral("o endereço já está em uso por outro programa");
    if (ec == asio::error::access_denied)
        return QStringLiteral("sem permissão (portas abaixo de 1024 exigem privilégio)");
    if (ec == boost::system::errc::address_not_available)
        return QStringLiteral("o endereço não pertence a esta máquina");
    return QString::fromStdString(ec.message());
}

QByteArray faultBody(const ServerFault& fault) {
    return protocol::EncodeFaultReply({fault.code(), fault.message()});
}

}  // namespace

QByteArray ReasonPhrase(int status) {
    return QByteArray::fromStdString(std::string(http::obsolete_reason(static_cast<http::status>(status))));
}

class SessionBase {
  public:
    virtual ~SessionBase() = default;
    // On shutdown: an idle connection closes now, a busy one once its answer is out.
    virtual void stop() = 0;
};

class HttpServer::Impl {
  public:
    Impl(ServerSettings settings, Handler handler, RejectionLog rejected)
        : settings_(std::move(settings)), handler_(std::move(handler)), rejected_(std::move(rejected)) {}

    ~Impl() {
        if (thread_.joinable()) shutdown();
    }

    void listen() {
        if (settings_.tls()) {
            tls_.emplace(asio::ssl::context::tls_server);
            tls_->set_options(asio::ssl::context::no_tlsv1 | asio::ssl::context::no_tlsv1_1);
            error_code ec;
            tls_->use_certificate_chain_file(settings_.tlsCert.toStdString(), ec);
            if (!ec) tls_->use_private_key_file(settings_.tlsKey.toStdString(), asio::ssl::context::pem, ec);
            if (ec) {
                throw std::runtime_error(
                    QStringLiteral("Não foi possível ler o certificado TLS (%1, %2): %3.")
                        .arg(settings_.tlsCert, settings_.tlsKey, portuguese(ec))
                        .toStdString());
            }
        }
        const QString where = settings_.host + QLatin1Char(':') + QString::number(settings_.port);
        const auto fail = [&](const error_code& ec) {
            return std::runtime_error(QStringLiteral("Não foi possível escutar em %1: %2.")
                                          .arg(where, portuguese(ec))
                                          .toStdString());
        };
        asio::ip::address address;
        if (settings_.host == u"localhost") {
            address = asio::ip::address_v4::loopback();
        } else if (settings_.host == u"*") {
            address = asio::ip::address_v6::any();
        } else {
            error_code ec;
            address = asio::ip::make_address(settings_.host.toStdString(), ec);
            if (ec) throw fail(ec);
        }
        error_code ec;
        const tcp::endpoint endpoint(address, static_cast<unsigned short>(settings_.port));
        acceptor_.open(endpoint.protocol(), ec);
        if (!ec) acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
        if (!ec && address.is_v6()) acceptor_.set_option(asio::ip::v6_only(false), ec);
        if (!ec) acceptor_.bind(endpoint, ec);
        if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
        if (ec) throw fail(ec);
        bound_ = acceptor_.local_endpoint();
        accept();
        thread_ = std::thread([this] { io_.run(); });
    }

    QString address() const {
        const asio::ip::address a = bound_.address();
        if (a.is_v6() && a.to_v6().is_unspecified()) return QStringLiteral("*");
        return QString::fromStdString(a.to_string());
    }
    quint16 port() const { return bound_.port(); }

    void shutdown() {
        asio::post(io_, [this] {
            stopping_ = true;
            error_code ignored;
            acceptor_.close(ignored);
            for (SessionBase* s : std::set<SessionBase*>(sessions_)) s->stop();
            {
                const std::lock_guard lock(mutex_);
                closing_ = true;
            }
            drained_.notify_all();
        });
        {
            // A connection accepted just before the stop is among those told to close, not left behind.
            std::unique_lock lock(mutex_);
            drained_.wait_for(lock, kShutdownGrace, [this] { return closing_ && sessionCount_ == 0; });
        }
        io_.stop();
        if (thread_.joinable()) thread_.join();
    }

    // Sessions are made and ended on the server's thread.
    void enter(SessionBase* s) {
        sessions_.insert(s);
        const std::lock_guard lock(mutex_);
        ++sessionCount_;
    }
    void leave(SessionBase* s) {
        sessions_.erase(s);
        {
            const std::lock_guard lock(mutex_);
            --sessionCount_;
        }
        drained_.notify_all();
    }

    void accept();

    ServerSettings settings_;
    Handler handler_;
    RejectionLog rejected_;
    std::optional<asio::ssl::context> tls_;
    // Sessions still busy past the grace end with the io_context, so what they use is declared before it.
    std::set<SessionBase*> sessions_;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable drained_;
    int sessionCount_ = 0;
    bool closing_ = false;  // the sessions have been told to close
    asio::io_context io_{1};
    tcp::acceptor acceptor_{io_};
    tcp::endpoint bound_;
    std::thread thread_;
};

namespace {

// One client connection: reads its requests one after the other, hands each to the handler and writes
// its answer, with an idle wait for the first byte of a request and a read deadline from that byte on.
template <class Stream>
class Session final : public SessionBase, public std::enable_shared_from_this<Session<Stream>> {
  public:
    Session(HttpServer::Impl& server, Stream stream, QString peer, QString address)
        : server_(server),
          stream_(std::move(stream)),
          timer_(stream_.get_executor()),
          peer_(std::move(peer)),
          address_(std::move(address)) {
        server_.enter(this);
    }
    ~Session() override { server_.leave(this); }

    void start(bool overLimit) {
        overLimit_ = overLimit;
        if constexpr (kTls) {
            // The first byte tells a TLS client (a handshake record) from a plain HTTP one, which is told in
            // plain words what it met instead of having its connection dropped.
            arm(server_.settings_.readTimeoutMs);
            beast::get_lowest_layer(stream_).async_wait(
                tcp::socket::wait_read, [self = this->shared_from_this()](error_code ec) {
                    if (ec) return self->close();
                    unsigned char first = 0;
                    const size_t n = beast::get_lowest_layer(self->stream_)
                                         .receive(asio::buffer(&first, 1), tcp::socket::message_peek, ec);
                    if (ec || n == 0) return self->close();
                    if (first != kTlsHandshakeRecord) return self->refusePlainRequest();
                    self->stream_.async_handshake(asio::ssl::stream_base::server, [self](error_code ec2) {
                        if (ec2) return self->close();
                        self->begin();
                    });
                });
        } else {
            begin();
        }
    }

    void stop() override {
        stopping_ = true;
        if (!busy_) close();
    }

  private:
    static constexpr bool kTls = !std::is_same_v<Stream, tcp::socket>;
    static constexpr unsigned char kTlsHandshakeRecord = 0x16;

    // A plain HTTP request on the HTTPS port: answered in plain HTTP, once, and logged.
    void refusePlainRequest() {
        const ServerFault fault = ServerFault::Of(FaultCode::HttpsRequired);
        if (server_.rejected_) server_.rejected_(peer_, fault);
        const QByteArray body = faultBody(fault);
        auto out = std::make_shared<QByteArray>(
            "HTTP/1.1 " + QByteArray::number(fault.httpStatus()) + ' ' + ReasonPhrase(fault.httpStatus()) +
            "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
            QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        auto& socket = beast::get_lowest_layer(stream_);
        asio::async_write(
            socket, asio::buffer(out->constData(), size_t(out->size())),
            [self = this->shared_from_this(), out](error_code ec, size_t) {
                if (ec) return self->close();
                error_code ignored;
                beast::get_lowest_layer(self->stream_).shutdown(tcp::socket::shutdown_send, ignored);
                self->arm(kLingerMs);
                self->drainPlain();
            });
    }

    // The client's bytes are read and dropped until it closes, as linger() does.
    void drainPlain() {
        beast::get_lowest_layer(stream_).async_read_some(
            asio::buffer(scratch_), [self = this->shared_from_this()](error_code ec, size_t) {
                if (ec) return self->close();
                self->drainPlain();
            });
    }

    void begin() {
        if (overLimit_) {
            return reject(ServerFault::Of(FaultCode::TooManyConnections, server_.settings_.maxConnections));
        }
        waitForRequest();
    }

    void waitForRequest() {
        busy_ = false;
        if (stopping_) return close();
        parser_.emplace();
        parser_->header_limit(kMaxHead);
        parser_->body_limit(std::uint64_t(server_.settings_.maxBodyBytes));
        if (buffer_.size() > 0) return readHead();  // pipelined: already under way
        reading_ = false;
        arm(server_.settings_.idleTimeoutMs);
        stream_.async_read_some(buffer_.prepare(4096),
                                [self = this->shared_from_this()](error_code ec, size_t n) {
                                    if (ec) return self->close();  // idle too long, or the client closed
                                    self->buffer_.commit(n);
                                    if (self->looksLikeTls()) return self->refuseTls();
                                    self->readHead();
                                });
    }

    // A TLS handshake as the first bytes of a plain HTTP connection.
    bool looksLikeTls() const {
        if constexpr (kTls) return false;
        return !servedAny_ && buffer_.size() > 0 &&
               static_cast<const unsigned char*>(buffer_.data().data())[0] == kTlsHandshakeRecord;
    }

    void refuseTls() {
        // The client reads this plain answer as a broken TLS record ("wrong version number") and says so.
        reject(ServerFault::Of(FaultCode::TlsNotServed));
    }

    void readHead() {
        busy_ = reading_ = true;
        arm(server_.settings_.readTimeoutMs);
        http::async_read_header(stream_, buffer_, *parser_,
                                [self = this->shared_from_this()](error_code ec, size_t) {
                                    if (ec) return self->refuse(ec);
                                    if (self->parser_->get().count(http::field::transfer_encoding))
                                        return self->reject(ServerFault::Of(FaultCode::NotImplemented));
                                    http::async_read(self->stream_, self->buffer_, *self->parser_,
                                                     [self](error_code ec2, size_t) {
                                                         if (ec2) return self->refuse(ec2);
                                                         self->dispatch();
                                                     });
                                });
    }

    void dispatch() {
        disarm();
        reading_ = false;
        servedAny_ = true;
        http::request<http::string_body> message = parser_->release();
        keepAlive_ = message.keep_alive();
        HttpRequest request;
        request.method = QByteArray::fromStdString(std::string(message.method_string()));
        request.target = QByteArray::fromStdString(std::string(message.target()));
        request.authorization = QByteArray::fromStdString(std::string(message[http::field::authorization]));
        request.body = QByteArray::fromStdString(message.body());
        request.peer = peer_;
        request.address = address_;
        auto self = this->shared_from_this();
        auto executor = stream_.get_executor();
        server_.handler_(request, [self, executor](HttpReply reply) {
            asio::post(executor,
                       [self, reply = std::move(reply)]() mutable { self->answer(std::move(reply)); });
        });
    }

    void refuse(const error_code& ec) {
        if (ec == asio::error::operation_aborted && timedOut_ && reading_) {
            return reject(ServerFault::Of(FaultCode::RequestTimeout, server_.settings_.readTimeoutMs));
        }
        if (ec == http::error::header_limit) return reject(ServerFault::Of(FaultCode::HeaderTooLarge));
        if (ec == http::error::body_limit) {
            return reject(ServerFault::Of(
                FaultCode::PayloadTooLarge,
                QString::fromStdString(std::string(parser_->get()[http::field::content_length])),
                server_.settings_.maxBodyBytes));
        }
        // Conflicting Content-Length lines (RFC 9112 6.3), Content-Length beside Transfer-Encoding and every
        // other malformed head; a client that closed or broke the connection is just let go.
        if (ec.category() == http::make_error_code(http::error::bad_method).category() &&
            ec != http::error::end_of_stream && ec != http::error::partial_message)
            return reject(ServerFault::Of(FaultCode::BadRequest));
        close();
    }

    void reject(const ServerFault& fault) {
        if (server_.rejected_) server_.rejected_(peer_, fault);
        keepAlive_ = false;
        answer({fault.httpStatus(), faultBody(fault), {}});
    }

    // The answer goes out of the reply's own bytes: a body of tens of megabytes is never copied.
    struct Outgoing {
        QByteArray body;
        http::response<http::span_body<const char>> message;
    };

    void answer(HttpReply reply) {
        busy_ = true;
        auto out = std::make_shared<Outgoing>();
        out->body = std::move(reply.body);
        http::response<http::span_body<const char>>& response = out->message;
        response.result(static_cast<http::status>(reply.status));
        response.version(11);
        response.set(http::field::content_type, "application/json; charset=utf-8");
        const bool keepAlive = keepAlive_ && !stopping_;
        response.keep_alive(keepAlive);
        // Said in so many words for HTTP/1.1 clients too, as the protocol has always done.
        response.set(http::field::connection, keepAlive ? "keep-alive" : "close");
        if (reply.retryAfterSeconds > 0)
            response.set(http::field::retry_after, std::to_string(reply.retryAfterSeconds));
        response.body() = boost::beast::span<const char>(out->body.constData(), size_t(out->body.size()));
        response.prepare_payload();
        arm(server_.settings_.idleTimeoutMs);  // a client that stops reading its answer is let go
        http::async_write(
            stream_, response,
            [self = this->shared_from_this(), out, sent = std::move(reply.sent)](error_code ec, size_t) {
                if (sent) sent(!ec);
                if (ec) return self->close();
                if (!out->message.keep_alive()) return self->linger();
                self->waitForRequest();
            });
    }

    // A closing connection's client may still be sending; its bytes are drained until it closes too, for
    // closing over unread bytes would reset the connection and could destroy the answer.
    void linger() {
        arm(kLingerMs);
        if constexpr (kTls) {
            stream_.async_shutdown([self = this->shared_from_this()](error_code) { self->close(); });
        } else {
            error_code ignored;
            stream_.shutdown(tcp::socket::shutdown_send, ignored);
            drain();
        }
    }

    void drain() {
        stream_.async_read_some(asio::buffer(scratch_),
                                [self = this->shared_from_this()](error_code ec, size_t) {
                                    if (ec) return self->close();
                                    self->drain();
                                });
    }

    // One deadline at a time; on expiry the pending operation is cancelled and fails with
    // operation_aborted, which its handler tells from a closed socket by timedOut_.
    void arm(int ms) {
        timedOut_ = false;
        const unsigned generation = ++generation_;
        timer_.expires_after(std::chrono::milliseconds(ms));
        timer_.async_wait([self = this->shared_from_this(), generation](error_code ec) {
            if (ec || generation != self->generation_) return;
            self->timedOut_ = true;
            error_code ignored;
            beast::get_lowest_layer(self->stream_).cancel(ignored);
        });
    }

    void disarm() {
        ++generation_;
        timer_.cancel();
    }

    void close() {
        disarm();
        busy_ = false;
        error_code ignored;
        beast::get_lowest_layer(stream_).close(ignored);
    }

    HttpServer::Impl& server_;
    Stream stream_;
    asio::steady_timer timer_;
    QString peer_;
    QString address_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::array<char, 4096> scratch_{};
    unsigned generation_ = 0;
    bool overLimit_ = false;
    bool timedOut_ = false;
    bool reading_ = false;  // between the first byte of a request and its last
    bool busy_ = false;     // a request is being read, served or answered
    bool keepAlive_ = true;
    bool servedAny_ = false;  // a request of this connection has reached the handler
    bool stopping_ = false;
};

}  // namespace

void HttpServer::Impl::accept() {
    acceptor_.async_accept([this](error_code ec, tcp::socket socket) {
        if (stopping_) return;
        if (!ec) {
            error_code ignored;
            const tcp::endpoint remote = socket.remote_endpoint(ignored);
            asio::ip::address a = remote.address();
            if (a.is_v6() && a.to_v6().is_v4_mapped())
                a = asio::ip::make_address_v4(asio::ip::v4_mapped, a.to_v6());
            const QString address = QString::fromStdString(a.to_string());
            const QString peer = address + QLatin1Char(':') + QString::number(remote.port());
            const bool overLimit = int(sessions_.size()) >= settings_.maxConnections;
            if (tls_) {
                std::make_shared<Session<asio::ssl::stream<tcp::socket>>>(
                    *this, asio::ssl::stream<tcp::socket>(std::move(socket), *tls_), peer, address)
                    ->start(overLimit);
            } else {
                std::make_shared<Session<tcp::socket>>(*this, std::move(socket), peer, address)
                    ->start(overLimit);
            }
        }
        accept();
    });
}

HttpServer::HttpServer(ServerSettings settings, Handler handler, RejectionLog rejected)
    : impl_(std::make_unique<Impl>(std::move(settings), std::move(handler), std::move(rejected))) {}

HttpServer::~HttpServer() = default;

void HttpServer::listen() {
    impl_->listen();
}

QString HttpServer::address() const {
    return impl_->address();
}

quint16 HttpServer::port() const {
    return impl_->port();
}

void HttpServer::shutdown() {
    impl_->shutdown();
}

}  // namespace kpv::server
