#include "http_message.h"

QByteArray HttpMessage::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return {};
}

std::optional<HttpMessage> TakeHttpMessage(QByteArray& buffer) {
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0) return std::nullopt;
    HttpMessage m;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (first.value(0).startsWith("HTTP/")) {
        m.status = first.value(1).toInt();
    } else {
        m.method = first.value(0);
        m.target = first.value(1);
    }
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0) m.headers.append({lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
    }
    const qsizetype length = m.header("Content-Length").toLongLong();
    if (buffer.size() < end + 4 + length) return std::nullopt;
    m.body = buffer.mid(end + 4, length);
    buffer.remove(0, end + 4 + length);
    return m;
}
