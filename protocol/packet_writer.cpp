#include "protocol/packet_writer.h"

#include "protocol/codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kpv::protocol {

namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The length of the valid UTF-8 sequence at `p` (whose first byte is 0x80 or above), or 0.
size_t validSequence(const unsigned char* p, const unsigned char* end) {
    const unsigned char c = p[0];
    size_t length;
    unsigned int min;
    unsigned int code;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2, min = 0x80, code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, min = 0x800, code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, min = 0x10000, code = c & 0x07;
    } else {
        return 0;
    }
    if (size_t(end - p) < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

void twoDigits(char* at, int value) {
    at[0] = char('0' + value / 10);
    at[1] = char('0' + value % 10);
}

}  // namespace

char* PacketWriter::room(size_t bytes) {
    const qsizetype needed = size_ + qsizetype(bytes);
    if (needed > out_.size()) out_.resize(std::max({needed, 2 * out_.size(), qsizetype(1) << 16}));
    return out_.data() + size_;
}

void PacketWriter::put(std::string_view bytes) {
    std::memcpy(room(bytes.size()), bytes.data(), bytes.size());
    size_ += qsizetype(bytes.size());
}

// A JSON string: escapes take at most six bytes for one, so the room is taken once for the whole text.
void PacketWriter::putString(std::string_view utf8) {
    char* const start = room(6 * utf8.size() + 2);
    char* at = start;
    *at++ = '"';
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    const auto* run = p;  // start of bytes that go out as they are
    const auto flush = [&](const unsigned char* upTo) {
        std::memcpy(at, run, size_t(upTo - run));
        at += upTo - run;
    };
    while (p < end) {
        const unsigned char c = *p;
        if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
            ++p;
            continue;
        }
        if (c >= 0x80) {
            const size_t length = validSequence(p, end);
            if (length) {
                p += length;
                continue;
            }
            flush(p);
            std::memcpy(at, kReplacement.data(), kReplacement.size());
            at += kReplacement.size();
            run = ++p;
            continue;
        }
        flush(p);
        *at++ = '\\';
        switch (c) {
            case '"':
            case '\\':
                *at++ = char(c);
                break;
            case '\n':
                *at++ = 'n';
                break;
            case '\r':
                *at++ = 'r';
                break;
            case '\t':
                *at++ = 't';
                break;
            default:
                *at++ = 'u', *at++ = '0', *at++ = '0', *at++ = kHex[c >> 4], *at++ = kHex[c & 0xF];
        }
        run = ++p;
    }
    flush(p);
    *at++ = '"';
    size_ += at - start;
}

PacketWriter::PacketWriter(QByteArray& body, const QList<PacketField>& fields) : out_(body) {
    size_ = out_.size();
    put("{\"result\":{\"fields\":[");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const PacketField& f = fields.at(i);
        if (i) put(',');
        put("{\"name\":");
        putString(f.name.toUtf8().toStdString());
        put(",\"type\":\"");
        put(FieldTypeName(f.type).toLatin1().toStdString());
        put("\",\"size\":");
        put(QByteArray::number(f.size).toStdString());
        put('}');
    }
    put("],\"rows\":[");
}

void PacketWriter::beginRow() {
    if (rows_ > 0) put(',');
    put('[');
    firstCell_ = true;
}

void PacketWriter::separate() {
    if (!firstCell_) put(',');
    firstCell_ = false;
}

void PacketWriter::null() {
    separate();
    put("null");
}

void PacketWriter::text(std::string_view utf8) {
    separate();
    putString(utf8);
}

void PacketWriter::text(const QString& value) {
    if (value.isNull()) {
        null();
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    text(std::string_view(utf8.constData(), size_t(utf8.size())));
}

void PacketWriter::number(double value) {
    if (!std::isfinite(value)) {
        null();
        return;
    }
    separate();
    char* at = room(32);
    size_ += std::to_chars(at, at + 32, value).ptr - at;
}

void PacketWriter::integer(qint64 value) {
    separate();
    char* at = room(24);
    size_ += std::to_chars(at, at + 24, value).ptr - at;
}

void PacketWriter::dateTime(const QDate& date, int msecsOfDay) {
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 1 || year > 9999) {
        null();
        return;
    }
    separate();
    const int seconds = msecsOfDay / 1000;
    constexpr std::string_view shape = "\"0000-00-00T00:00:00\"";
    char* text = room(shape.size());
    std::copy(shape.begin(), shape.end(), text);
    twoDigits(text + 1, year / 100);
    twoDigits(text + 3, year % 100);
    twoDigits(text + 6, month);
    twoDigits(text + 9, day);
    twoDigits(text + 12, seconds / 3600);
    twoDigits(text + 15, seconds / 60 % 60);
    twoDigits(text + 18, seconds % 60);
    size_ += qsizetype(shape.size());
}

void PacketWriter::endRow() {
    put(']');
    ++rows_;
}

qsizetype PacketWriter::finish() {
    put("]}}");
    out_.resize(size_);
    return rows_;
}

}  // namespace kpv::protocol
