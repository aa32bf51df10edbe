#pragma once

#include "framework/data/client_data_set.h"

#include <QDateTime>

#include <memory>

// A small data set and packets for it: a code, a name, an amount and a date per row.
namespace fixtures {

using kpv::data::TClientDataSet;
using kpv::protocol::DataPacket;
using kpv::protocol::TFieldType;

inline DataPacket Packet(int rows, int firstCode = 1) {
    DataPacket packet({{"CODE", TFieldType::ftString, 4},
                       {"NAME", TFieldType::ftString, 30},
                       {"AMOUNT", TFieldType::ftFloat, 0},
                       {"WHEN", TFieldType::ftDateTime, 0},
                       {"MARK", TFieldType::ftFixedChar, 1}});
    for (int r = 0; r < rows; ++r) {
        const int code = firstCode + r;
        packet.appendRow({QString::number(code).rightJustified(4, u'0'),
                          QStringLiteral("Cliente %1").arg(code), code * 100.5,
                          QDateTime(QDate(2024, 1, 1).addDays(r), QTime(0, 0)), QStringLiteral("N")});
    }
    return packet;
}

inline std::unique_ptr<TClientDataSet> DataSet() {
    auto set = std::make_unique<TClientDataSet>(nullptr, QStringLiteral("cdsTeste"));
    set->AddField("CODE", TFieldType::ftString, 4);
    set->AddField("NAME", TFieldType::ftString, 30)->DisplayLabel = QStringLiteral("Nome");
    set->AddField("AMOUNT", TFieldType::ftFloat)->DisplayFormat = QStringLiteral("###,##0.00");
    set->AddField("WHEN", TFieldType::ftDateTime);
    set->AddField("MARK", TFieldType::ftFixedChar, 1)->Visible = false;
    return set;
}

}  // namespace fixtures
