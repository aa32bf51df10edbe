#pragma once

#include "protocol/column.h"
#include "protocol/protocol_export.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <vector>

namespace kpv::protocol {

struct PacketField {
    QString name;
    TFieldType type = TFieldType::ftString;
    int size = 0;  // characters, for the string types
};

// A data packet: the field list and, per field, the column of its values. Copies share the columns, so
// a packet of a hundred thousand rows travels through QVariant and into a data set without copying them.
class KPV_PROTOCOL_EXPORT DataPacket {
  public:
    DataPacket() = default;
    explicit DataPacket(QList<PacketField> fields);

    const QList<PacketField>& fields() const { return fields_; }
    int fieldIndex(const QString& name) const;
    int rowCount() const { return rows_; }
    const Column& column(int field) const { return columns_[field]; }

    void reserve(int rows);
    // One row, values in field order: null as an invalid QVariant or a null text, dates as QDateTime,
    // numbers as double or qint64, texts as QString; missing values at the end are nulls. Throws
    // std::invalid_argument, appending nothing, when a value does not fit its field.
    void appendRow(const QVariantList& values);
    // Every row as values, in field order: for small packets (lookups, tests).
    std::vector<QVariantList> rows() const;

    // For decoders: append one value to every column, then count the row.
    Column& column(int field) { return columns_[field]; }
    void endRow() { ++rows_; }

  private:
    QList<PacketField> fields_;
    QList<Column> columns_;
    int rows_ = 0;
};

}  // namespace kpv::protocol

Q_DECLARE_METATYPE(kpv::protocol::DataPacket)
