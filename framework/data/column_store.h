#pragma once

#include "protocol/data_packet.h"

#include <QDateTime>
#include <QStringView>
#include <QVariant>

#include <cstdint>
#include <vector>

namespace kpv::data {

// The values of one field for every row, stored by type: texts in one UTF-16 arena addressed by offset
// and length, numbers and dates in flat arrays, nulls in a bitmap. No QVariant or QString per cell.
class ColumnStore {
  public:
    explicit ColumnStore(protocol::TFieldType type);

    protocol::TFieldType type() const { return type_; }
    int size() const { return static_cast<int>(nulls_.size()); }
    void reserve(int rows);
    void clear();

    // Appends one row / replaces one value. Returns false, storing nothing, when the value cannot take
    // the column's type.
    bool append(const QVariant& value);
    bool set(int row, const QVariant& value);

    bool isNull(int row) const { return nulls_[static_cast<size_t>(row)]; }
    // Valid for the string types only; empty for a null.
    QStringView text(int row) const;
    double number(int row) const;
    qint64 integer(int row) const;
    QDateTime dateTime(int row) const;
    QVariant value(int row) const;

    // Bytes held, for the benchmarks' memory report.
    size_t bytes() const;

  private:
    bool isText() const;
    bool store(size_t row, const QVariant& value);
    void storeText(size_t row, QStringView text);

    protocol::TFieldType type_;
    std::vector<bool> nulls_;
    // Texts: an edit that does not fit in place appends to the arena; the old slot is left unused.
    std::vector<char16_t> chars_;
    std::vector<std::uint32_t> offsets_;
    std::vector<std::uint32_t> lengths_;
    std::vector<double> numbers_;
    // Integers, and date-times as milliseconds since the start of the Julian calendar: wall-clock
    // values that never pass through a time zone.
    std::vector<qint64> integers_;
};

}  // namespace kpv::data
