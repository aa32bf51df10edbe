#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// HTTP/1.1 framing for the wire protocol: requests and responses with a Content-Length body, read
// incrementally from a socket buffer; no chunked bodies (docs/protocol.md says what is accepted).
namespace kpv::protocol {

struct HttpHead {
    // Requests: method and target. Responses: status and reason.
    QByteArray method;
    QByteArray target;
    int status = 0;
    QByteArray reason;
    int minorVersion = 1;  // HTTP/1.x
    QList<QPair<QByteArray, QByteArray>> headers;

    // The value of a header, names compared without letter case; empty when absent.
    QByteArray header(const QByteArray& name) const;
};

class HttpReader {
  public:
    enum class Kind { Request, Response };
    enum class State { NeedMore, Complete, Failed };
    enum class Failure { None, Malformed, HeadTooLarge, BodyTooLarge, Unsupported };

    struct Limits {
        qsizetype maxHead = 16 * 1024;
        qsizetype maxBody = 1024 * 1024;
    };

    HttpReader(Kind kind, Limits limits);

    // Takes the bytes of one message from the front of `buffer`, leaving anything after it (a pipelined
    // message) in place. A message too large fails as soon as its head says so, before its body arrives.
    State read(QByteArray& buffer);

    // Ready for the next message on the same connection.
    void reset();

    // Whether any byte of the current message has arrived.
    bool started() const { return started_; }
    Failure failure() const { return failure_; }
    const HttpHead& head() const { return head_; }
    const QByteArray& body() const { return body_; }
    // Whether the connection stays open after this message (HTTP/1.1 unless "Connection: close").
    bool keepAlive() const;

  private:
    State fail(Failure failure);
    bool parseHead(const QByteArray& text);

    Kind kind_;
    Limits limits_;
    bool started_ = false;
    bool headDone_ = false;
    qsizetype contentLength_ = 0;
    Failure failure_ = Failure::None;
    HttpHead head_;
    QByteArray body_;
};

using HttpHeaders = QList<QPair<QByteArray, QByteArray>>;

// Content-Length is added from the body.
QByteArray SerializeRequest(const QByteArray& method, const QByteArray& target, const HttpHeaders& headers,
                            const QByteArray& body);
QByteArray SerializeResponse(int status, const QByteArray& reason, const HttpHeaders& headers,
                             const QByteArray& body);

}  // namespace kpv::protocol
