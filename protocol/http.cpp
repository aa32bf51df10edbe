#include "protocol/http.h"

namespace kpv::protocol {

namespace {

const QByteArray kEndOfHead = QByteArrayLiteral("\r\n\r\n");

bool isToken(const QByteArray& text) {
    if (text.isEmpty()) return false;
    for (char c : text) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '_' || c == '.' || c == '!' || c == '#' || c == '$' || c == '%' ||
                        c == '&' || c == '\'' || c == '*' || c == '+' || c == '^' || c == '`' || c == '|' ||
                        c == '~';
        if (!ok) return false;
    }
    return true;
}

// "HTTP/1.0" or "HTTP/1.1"; -1 for anything else.
int minorVersionOf(const QByteArray& text) {
    if (text == "HTTP/1.1") return 1;
    if (text == "HTTP/1.0") return 0;
    return -1;
}

// The first bytes show whether a peer speaks HTTP at all, long before a whole head arrives.
bool plausibleStart(HttpReader::Kind kind, const QByteArray& buffer) {
    if (kind == HttpReader::Kind::Response) {
        const QByteArray prefix("HTTP/1.");
        const qsizetype n = qMin(prefix.size(), buffer.size());
        return buffer.left(n) == prefix.left(n);
    }
    for (char c : buffer) {
        if (c == ' ') return true;
        if (c < 'A' || c > 'Z') return false;
    }
    return true;
}

void appendHeaders(QByteArray& out, const HttpHeaders& headers, qsizetype bodySize) {
    for (const auto& [name, value] : headers) out += name + ": " + value + "\r\n";
    out += "Content-Length: " + QByteArray::number(bodySize) + "\r\n\r\n";
}

}  // namespace

QByteArray HttpHead::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    }
    return {};
}

HttpReader::HttpReader(Kind kind, Limits limits) : kind_(kind), limits_(limits) {}

void HttpReader::reset() {
    started_ = false;
    headDone_ = false;
    contentLength_ = 0;
    failure_ = Failure::None;
    head_ = {};
    body_.clear();
}

HttpReader::State HttpReader::fail(Failure failure) {
    failure_ = failure;
    return State::Failed;
}

bool HttpReader::keepAlive() const {
    const QByteArray connection = head_.header("Connection").toLower();
    if (head_.minorVersion == 0) return connection == "keep-alive";
    return connection != "close";
}

bool HttpReader::parseHead(const QByteArray& text) {
    const QList<QByteArray> lines = text.split('\n');
    QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    if (kind_ == Kind::Request) {
        if (first.size() != 3 || !isToken(first[0]) || first[1].isEmpty()) return false;
        head_.method = first[0];
        head_.target = first[1];
        head_.minorVersion = minorVersionOf(first[2]);
    } else {
        if (first.size() < 2) return false;
        head_.minorVersion = minorVersionOf(first[0]);
        bool ok = false;
        head_.status = first[1].toInt(&ok);
        if (!ok || head_.status < 100 || head_.status > 599) return false;
        head_.reason = first.mid(2).join(' ');
    }
    if (head_.minorVersion < 0) return false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty()) continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(line.left(colon))) return false;
        head_.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    return true;
}

HttpReader::State HttpReader::read(QByteArray& buffer) {
    if (failure_ != Failure::None) return State::Failed;
    if (!buffer.isEmpty()) started_ = true;
    if (!headDone_) {
        const qsizetype end = buffer.indexOf(kEndOfHead);
        if (end < 0) {
            if (!plausibleStart(kind_, buffer)) return fail(Failure::Malformed);
            return buffer.size() > limits_.maxHead ? fail(Failure::HeadTooLarge) : State::NeedMore;
        }
        if (end > limits_.maxHead) return fail(Failure::HeadTooLarge);
        if (!parseHead(buffer.left(end))) return fail(Failure::Malformed);
        buffer.remove(0, end + kEndOfHead.size());
        headDone_ = true;

        if (!head_.header("Transfer-Encoding").isEmpty()) return fail(Failure::Unsupported);
        const QByteArray length = head_.header("Content-Length");
        bool ok = true;
        contentLength_ = length.isEmpty() ? 0 : length.toLongLong(&ok);
        if (!ok || contentLength_ < 0) return fail(Failure::Malformed);
        // A response must say how long it is: reading until the peer closes would let a stray server hang us.
        if (kind_ == Kind::Response && length.isEmpty()) return fail(Failure::Unsupported);
        if (contentLength_ > limits_.maxBody) return fail(Failure::BodyTooLarge);
    }
    const qsizetype wanted = contentLength_ - body_.size();
    const qsizetype take = qMin(wanted, buffer.size());
    body_.append(buffer.constData(), take);
    buffer.remove(0, take);
    return body_.size() == contentLength_ ? State::Complete : State::NeedMore;
}

QByteArray SerializeRequest(const QByteArray& method, const QByteArray& target, const HttpHeaders& headers,
                            const QByteArray& body) {
    QByteArray out = method + ' ' + target + " HTTP/1.1\r\n";
    appendHeaders(out, headers, body.size());
    return out + body;
}

QByteArray SerializeResponse(int status, const QByteArray& reason, const HttpHeaders& headers,
                             const QByteArray& body) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    appendHeaders(out, headers, body.size());
    return out + body;
}

}  // namespace kpv::protocol
