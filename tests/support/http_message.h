#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

#include <optional>

// One HTTP/1.1 message as a test peer sees it on the wire: a request sent to a scripted server, or an
// answer of the real server read from a raw socket. Only Content-Length bodies, which is all the
// protocol allows.
struct HttpMessage {
    QByteArray method;  // requests
    QByteArray target;
    int status = 0;  // answers
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The value of a header, its name compared without letter case; empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// Takes one whole message from the front of `buffer`, leaving what follows it in place; nothing while
// the message is not whole yet.
std::optional<HttpMessage> TakeHttpMessage(QByteArray& buffer);
