#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <vector>

namespace kpv::protocol {

enum class TFieldType { ftString, ftFixedChar, ftDateTime, ftFloat, ftInteger };

struct PacketField {
    QString name;
    TFieldType type = TFieldType::ftString;
    int size = 0;  // characters, for the string types
};

// A data packet: the field list, then the rows, each value in field order (null as an invalid
// QVariant, dates as QDateTime, numbers as double or qint64, texts as QString).
struct DataPacket {
    QList<PacketField> fields;
    std::vector<QVariantList> rows;

    int fieldIndex(const QString& name) const {
        for (int i = 0; i < fields.size(); ++i) {
            if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
        }
        return -1;
    }
};

}  // namespace kpv::protocol

Q_DECLARE_METATYPE(kpv::protocol::DataPacket)
