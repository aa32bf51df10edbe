#pragma once

#include "protocol/protocol_export.h"

#include <QDateTime>
#include <QSharedDataPointer>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <string_view>
#include <vector>

namespace kpv::protocol {

enum class TFieldType { ftString, ftFixedChar, ftDateTime, ftFloat, ftInteger };

inline bool IsTextType(TFieldType type) {
    return type == TFieldType::ftString || type == TFieldType::ftFixedChar;
}

// Date-times as milliseconds since the start of the Julian calendar: wall-clock values that never pass
// through a time zone.
KPV_PROTOCOL_EXPORT qint64 WallClockStamp(QDate date, QTime time);
KPV_PROTOCOL_EXPORT QDateTime WallClockDateTime(qint64 stamp);

class ColumnData;

// The values of one field for every row, stored by type: texts as UTF-8, a column's repeated texts once
// (a dictionary, dropped when most texts differ), numbers and dates in flat arrays, nulls in a bitmap.
// No QVariant or QString per cell. Implicitly shared: copies are cheap and detach on the first change.
class KPV_PROTOCOL_EXPORT Column {
  public:
    explicit Column(TFieldType type = TFieldType::ftString);
    Column(const Column&);
    Column(Column&&) noexcept;
    Column& operator=(const Column&);
    Column& operator=(Column&&) noexcept;
    ~Column();

    TFieldType type() const;
    bool isText() const;
    int size() const;
    void reserve(int rows);

    // Appends of a value of the column's own kind, for decoders: no conversion, no check.
    void appendNull();
    void appendText(std::string_view utf8);
    void appendNumber(double value);  // not finite: null
    void appendInteger(qint64 value);
    void appendStamp(qint64 wallClock);

    // Appends one row / replaces one value, converting the value to the column's type. Returns false,
    // storing nothing, when it cannot take the type. Null: an invalid QVariant, a null text, an invalid
    // date or a number that is not finite.
    bool append(const QVariant& value);
    bool set(int row, const QVariant& value);
    // The same value into every row listed, converted once.
    bool setRows(const std::vector<int>& rows, const QVariant& value);
    // Drops the last row: one that could not be completed.
    void removeLast();

    bool isNull(int row) const;
    // Texts; empty for a null.
    std::string_view utf8(int row) const;
    QString text(int row) const;
    double number(int row) const;
    qint64 integer(int row) const;
    qint64 stamp(int row) const;
    QDateTime dateTime(int row) const;
    QVariant value(int row) const;

    // Bytes held, for the benchmarks' memory report.
    size_t bytes() const;

  private:
    QSharedDataPointer<ColumnData> d;
};

}  // namespace kpv::protocol
