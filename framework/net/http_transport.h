#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <stdexcept>

namespace kpv::net {

// The transport could not deliver a request or bring back a whole answer.
class TransportError : public std::runtime_error {
  public:
    TransportError(QString code, const QString& message)
        : std::runtime_error(message.toStdString()), code_(std::move(code)), message_(message) {}
    QString code() const { return code_; }
    QString message() const { return message_; }

  private:
    QString code_;
    QString message_;
};

struct HttpAnswer {
    int status = 0;
    QByteArray reason;
    // Its capacity keeps spare bytes past its end, which parsers that read in wide blocks may use.
    QByteArray body;
    int retryAfterSeconds = 0;  // Retry-After, when the answer says it in seconds
};

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// Blocking HTTP/1.1 (or HTTPS) with libcurl over one kept-alive connection, in the calling thread. Every
// call has a deadline; nothing waits longer than the timeout, whatever the peer does.
class HttpTransport {
  public:
    HttpTransport();
    ~HttpTransport();
    HttpTransport(const HttpTransport&) = delete;
    HttpTransport& operator=(const HttpTransport&) = delete;

    // `tls`: HTTPS, the server's certificate verified against `caFile` (PEM), or against the system's
    // store when that is empty.
    void setEndpoint(const QString& host, int port, bool tls = false, const QString& caFile = {});
    // Opens the connection now rather than at the first request. Throws TransportError.
    void open(int timeoutMs);
    void close();

    // Throws TransportError.
    HttpAnswer post(const QByteArray& target, const HttpHeaders& headers, const QByteArray& body,
                    int timeoutMs);

  private:
    void* handle();
    [[noreturn]] void fail(int code, int timeoutMs, bool answerStarted);
    QString where() const;
    QByteArray url(const QByteArray& target) const;

    QString host_;
    int port_ = 0;
    bool tls_ = false;
    QString caFile_;
    void* curl_ = nullptr;
    char error_[256] = {};
};

}  // namespace kpv::net
