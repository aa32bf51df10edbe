#pragma once

#include "protocol/http.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <stdexcept>

class QDeadlineTimer;
class QTcpSocket;

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
    QByteArray body;
};

// Blocking HTTP/1.1 over one kept-alive TCP connection, in the calling thread. Every call has a
// deadline; nothing waits longer than the timeout, whatever the peer does.
class HttpTransport {
  public:
    HttpTransport();
    ~HttpTransport();

    void setEndpoint(const QString& host, int port);
    // Opens the connection now rather than at the first request. Throws TransportError.
    void open(int timeoutMs);
    void close();

    // Throws TransportError.
    HttpAnswer post(const QByteArray& target, const protocol::HttpHeaders& headers, const QByteArray& body,
                    int timeoutMs);

  private:
    enum class Outcome { Answered, ClosedBeforeAnswer };
    Outcome exchange(const QByteArray& request, const QDeadlineTimer& deadline, int timeoutMs,
                     HttpAnswer& answer);
    void connectSocket(const QDeadlineTimer& deadline, int timeoutMs);
    TransportError timedOut(int timeoutMs);
    QString where() const;

    QString host_;
    int port_ = 0;
    std::unique_ptr<QTcpSocket> socket_;
};

}  // namespace kpv::net
