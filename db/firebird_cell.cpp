#include "db/firebird_cell_p.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace kpv::db {

namespace {

template <typename T>
T load(const char* data) {
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

}  // namespace

ISC_DATE EncodeFirebirdDate(const QDate& date) {
    return ISC_DATE(date.toJulianDay() - kFirebirdEpoch);
}

QDate DecodeFirebirdDate(ISC_DATE date) {
    return QDate::fromJulianDay(qint64(date) + kFirebirdEpoch);
}

Cell CellOf(const XSQLVAR& v) {
    if ((v.sqltype & 1) && *v.sqlind == -1) return {};
    switch (v.sqltype & ~1) {
        case SQL_VARYING:
            return std::string_view(v.sqldata + sizeof(short), size_t(load<short>(v.sqldata)));
        case SQL_TEXT: {
            // Fixed-length texts come padded with blanks to their width in bytes.
            size_t length = size_t(v.sqllen);
            while (length > 0 && v.sqldata[length - 1] == ' ') --length;
            return std::string_view(v.sqldata, length);
        }
        case SQL_SHORT:
            return Scaled{load<short>(v.sqldata), v.sqlscale};
        case SQL_LONG:
            return Scaled{load<ISC_LONG>(v.sqldata), v.sqlscale};
        case SQL_INT64:
            return Scaled{load<ISC_INT64>(v.sqldata), v.sqlscale};
        case SQL_DOUBLE:
            return load<double>(v.sqldata);
        case SQL_FLOAT:
            return double(load<float>(v.sqldata));
        case SQL_TYPE_DATE:
            return DecodeFirebirdDate(load<ISC_DATE>(v.sqldata));
        case SQL_TIMESTAMP: {
            const auto t = load<ISC_TIMESTAMP>(v.sqldata);
            return Timestamp{DecodeFirebirdDate(t.timestamp_date), int(t.timestamp_time / kTicksPerMsec)};
        }
        default:
            return {};
    }
}

std::string CellText(const Scaled& value) {
    const bool negative = value.raw < 0;
    const auto magnitude = negative ? 0 - static_cast<quint64>(value.raw) : static_cast<quint64>(value.raw);
    std::string digits = std::to_string(magnitude);
    const auto decimals = size_t(-value.scale);
    if (decimals > 0) {
        if (digits.size() <= decimals) digits.insert(0, decimals + 1 - digits.size(), '0');
        digits.insert(digits.size() - decimals, 1, '.');
    }
    return negative ? '-' + digits : digits;
}

std::string CellText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string shown = buffer;
    if (std::isfinite(value) && shown.find('.') == std::string::npos)
        shown.insert(std::min(shown.find('e'), shown.size()), ".0");
    return shown;
}

std::string CellText(const QDate& date) {
    return date.toString(Qt::ISODate).toStdString();
}

std::string CellText(const Timestamp& stamp) {
    const QTime time = QTime::fromMSecsSinceStartOfDay(stamp.msecs);
    const QString format =
        time.msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz") : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return QDateTime(stamp.date, time).toString(format).toStdString();
}

}  // namespace kpv::db
