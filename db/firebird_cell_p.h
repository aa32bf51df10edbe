#pragma once

#include "db/connection.h"

#include <QDate>

#include <ibase.h>

#include <string>
#include <string_view>
#include <variant>

// The values of Firebird's columns and parameters in the client library's own layout.
namespace kpv::db {

// Julian day of 17 November 1858, day 0 of Firebird's dates.
inline constexpr qint64 kFirebirdEpoch = 2400001;
inline constexpr int kTicksPerMsec = ISC_TIME_SECONDS_PRECISION / 1000;

ISC_DATE EncodeFirebirdDate(const QDate& date);
QDate DecodeFirebirdDate(ISC_DATE date);

// NUMERIC and DECIMAL columns, and the integers: value = raw * 10^scale, scale <= 0.
struct Scaled {
    qint64 raw;
    int scale;
};

// A result column's value in the kind the driver gives it: null (or a kind the system never reads:
// blobs, arrays, times of day), text, a scaled integer, a floating-point number, a date, a date and time.
using Cell = std::variant<std::monostate, std::string_view, Scaled, double, QDate, Timestamp>;

// The one reader of the driver's column kinds; every accessor of a statement converts from what it gives.
// Texts are views into the column's buffer.
Cell CellOf(const XSQLVAR& column);

// The texts of the kinds that are not text, as SQLite gives them for the same values: the digits with the
// column's decimals, a number as "%.15g" with its decimal point, dates as the server writes them.
std::string CellText(const Scaled& value);
std::string CellText(double value);
std::string CellText(const QDate& date);
std::string CellText(const Timestamp& stamp);

}  // namespace kpv::db
