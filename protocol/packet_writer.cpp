#include "protocol/packet_writer.h"

#include "protocol/codec.h"

#include <charconv>
#include <cmath>

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

void AppendJsonString(QByteArray& out, std::string_view utf8) {
    out.append('"');
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    const auto* run = p;  // start of bytes that go out as they are
    const auto flush = [&](const unsigned char* upTo) {
        if (upTo > run) out.append(reinterpret_cast<const char*>(run), qsizetype(upTo - run));
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
            out.append(kReplacement.data(), qsizetype(kReplacement.size()));
            run = ++p;
            continue;
        }
        flush(p);
        switch (c) {
            case '"':
                out.append("\\\"", 2);
                break;
            case '\\':
                out.append("\\\\", 2);
                break;
            case '\n':
                out.append("\\n", 2);
                break;
            case '\r':
                out.append("\\r", 2);
                break;
            case '\t':
                out.append("\\t", 2);
                break;
            default: {
                const char escaped[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0xF]};
                out.append(escaped, sizeof escaped);
            }
        }
        run = ++p;
    }
    flush(p);
    out.append('"');
}

PacketWriter::PacketWriter(QByteArray& body, const QList<PacketField>& fields) : out_(body) {
    out_.append("{\"result\":{\"fields\":[");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const PacketField& f = fields.at(i);
        if (i) out_.append(',');
        out_.append("{\"name\":");
        AppendJsonString(out_, f.name.toUtf8().toStdString());
        out_.append(",\"type\":\"");
        out_.append(FieldTypeName(f.type).toLatin1());
        out_.append("\",\"size\":");
        out_.append(QByteArray::number(f.size));
        out_.append('}');
    }
    out_.append("],\"rows\":[");
}

void PacketWriter::beginRow() {
    if (rows_ > 0) out_.append(',');
    out_.append('[');
    firstCell_ = true;
}

void PacketWriter::separate() {
    if (!firstCell_) out_.append(',');
    firstCell_ = false;
}

void PacketWriter::null() {
    separate();
    out_.append("null", 4);
}

void PacketWriter::text(std::string_view utf8) {
    separate();
    AppendJsonString(out_, utf8);
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
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, qsizetype(result.ptr - buffer));
}

void PacketWriter::integer(qint64 value) {
    separate();
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, qsizetype(result.ptr - buffer));
}

void PacketWriter::dateTime(const QDate& date, int msecsOfDay) {
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) {
        null();
        return;
    }
    separate();
    int year, month, day;
    date.getDate(&year, &month, &day);
    const int seconds = msecsOfDay / 1000;
    char text[21] = "\"0000-00-00T00:00:00";
    twoDigits(text + 1, year / 100);
    twoDigits(text + 3, year % 100);
    twoDigits(text + 6, month);
    twoDigits(text + 9, day);
    twoDigits(text + 12, seconds / 3600);
    twoDigits(text + 15, seconds / 60 % 60);
    twoDigits(text + 18, seconds % 60);
    out_.append(text, 20);
    out_.append('"');
}

void PacketWriter::endRow() {
    out_.append(']');
    ++rows_;
}

qsizetype PacketWriter::finish() {
    out_.append("]}}");
    return rows_;
}

}  // namespace kpv::protocol
