#pragma once

#include "framework/data/client_data_set.h"

#include <QDateTime>

#include <memory>

// An invoice list as the emission screen keeps it: twenty fields, and packets of any size for it.
namespace bench {

using kpv::data::TClientDataSet;
using kpv::net::DataPacket;
using kpv::net::TFieldType;

struct FieldSpec {
    const char* name;
    TFieldType type;
    int size;
};

inline constexpr FieldSpec invoiceFields[] = {
    {"IDCHECK", TFieldType::ftFixedChar, 1},    {"CDFILIAL", TFieldType::ftString, 4},
    {"NRLANCTONF", TFieldType::ftString, 10},   {"CDEMPRESA", TFieldType::ftString, 2},
    {"CDFILIEMIT", TFieldType::ftString, 4},    {"NRINSJURNF", TFieldType::ftString, 20},
    {"CDCLIENTE", TFieldType::ftString, 21},    {"NMRAZSOCCLIE", TFieldType::ftString, 50},
    {"NRNOTAFISCSE", TFieldType::ftString, 30}, {"DTENTRSAID", TFieldType::ftDateTime, 0},
    {"DTEMISSAO", TFieldType::ftDateTime, 0},   {"CDSERIE", TFieldType::ftString, 5},
    {"VRNOTAFISC", TFieldType::ftFloat, 0},     {"CDSERIERPSSERIE", TFieldType::ftString, 5},
    {"NRNOTAFISC", TFieldType::ftString, 20},   {"NRRPS", TFieldType::ftString, 30},
    {"IDEMISSAORPS", TFieldType::ftString, 1},  {"DADOSRODAPE", TFieldType::ftString, 76},
    {"IDTPIJURNF", TFieldType::ftString, 1},    {"IDTRANSMISRPS", TFieldType::ftString, 1},
};

inline std::unique_ptr<TClientDataSet> InvoiceList() {
    auto set = std::make_unique<TClientDataSet>(nullptr, QStringLiteral("cdsNotaFiscal"));
    for (const FieldSpec& f : invoiceFields) set->AddField(QString::fromLatin1(f.name), f.type, f.size);
    set->FieldByName("VRNOTAFISC")->DisplayFormat = QStringLiteral("###,##0.00");
    return set;
}

inline DataPacket InvoicePacket(int rows) {
    DataPacket packet;
    for (const FieldSpec& f : invoiceFields)
        packet.fields.append({QString::fromLatin1(f.name), f.type, f.size});
    packet.rows.reserve(static_cast<size_t>(rows));
    const QDateTime day(QDate(2024, 1, 1), QTime(0, 0));
    for (int r = 0; r < rows; ++r) {
        const QString n = QString::number(r);
        const QString emission = QString::number(1 + r % 3);
        const QString transmission = QString::number(1 + (r / 3) % 4);
        const auto text = [&n](const char* prefix) { return QString(QString::fromUtf8(prefix) + n); };
        packet.rows.push_back({QStringLiteral("N"),
                               QStringLiteral("0001"),
                               n.rightJustified(10, u'0'),
                               QStringLiteral("01"),
                               QStringLiteral("0001"),
                               QString::number(r % 2 ? 12345678000100LL + r : 12345678900LL + r),
                               text("C"),
                               text("Cliente de demonstração número "),
                               text("NFSE"),
                               day.addDays(r % 365),
                               day.addDays(r % 365 + 1),
                               QStringLiteral("1"),
                               100.0 + r * 0.37,
                               QStringLiteral("RPS"),
                               n.rightJustified(8, u'0'),
                               text("R"),
                               emission,
                               text("Rodapé da nota "),
                               QString(QChar(r % 2 ? u'J' : u'F')),
                               transmission});
    }
    return packet;
}

}  // namespace bench
