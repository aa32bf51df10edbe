#include "protocol/data_packet.h"

#include <stdexcept>

namespace kpv::protocol {

DataPacket::DataPacket(QList<PacketField> fields) : fields_(std::move(fields)) {
    columns_.reserve(fields_.size());
    for (const PacketField& field : fields_) columns_.append(Column(field.type));
}

int DataPacket::fieldIndex(const QString& name) const {
    for (int i = 0; i < fields_.size(); ++i) {
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

void DataPacket::reserve(int rows) {
    for (Column& column : columns_) column.reserve(rows);
}

void DataPacket::appendRow(const QVariantList& values) {
    if (values.size() > fields_.size()) {
        throw std::invalid_argument("a data packet row has more values than the packet has fields");
    }
    const QVariant missing;
    for (int c = 0; c < columns_.size(); ++c) {
        const QVariant& value = c < values.size() ? values[c] : missing;
        if (columns_[c].append(value)) continue;
        for (int done = 0; done < c; ++done) columns_[done].removeLast();
        throw std::invalid_argument(QStringLiteral("'%1' does not fit the field %2")
                                        .arg(value.toString(), fields_[c].name)
                                        .toStdString());
    }
    ++rows_;
}

std::vector<QVariantList> DataPacket::rows() const {
    std::vector<QVariantList> all(static_cast<size_t>(rows_));
    for (int r = 0; r < rows_; ++r) {
        QVariantList& values = all[static_cast<size_t>(r)];
        values.reserve(columns_.size());
        for (const Column& column : columns_) values.append(column.value(r));
    }
    return all;
}

}  // namespace kpv::protocol
