#pragma once

#include "framework/data/client_data_set.h"
#include "protocol/packet_fields.h"

#include <QDateTime>
#include <QHash>

#include <memory>

// An invoice list as the emission screen keeps it, with the field list the application server sends, and
// packets of any size for it.
namespace bench {

using kpv::data::TClientDataSet;
using kpv::protocol::DataPacket;

inline std::unique_ptr<TClientDataSet> InvoiceList() {
    auto set = std::make_unique<TClientDataSet>(nullptr, QStringLiteral("cdsNotaFiscal"));
    for (const kpv::protocol::PacketField& f : kpv::protocol::InvoiceFields())
        set->AddField(f.name, f.type, f.size);
    set->FieldByName("VRNOTAFISC")->DisplayFormat = QStringLiteral("###,##0.00");
    return set;
}

inline DataPacket InvoicePacket(int rows) {
    DataPacket packet;
    packet.fields = kpv::protocol::InvoiceFields();
    packet.rows.reserve(static_cast<size_t>(rows));
    QHash<QString, int> column;
    for (int i = 0; i < packet.fields.size(); ++i) column.insert(packet.fields[i].name, i);
    const QDateTime day(QDate(2024, 1, 1), QTime(0, 0));
    for (int r = 0; r < rows; ++r) {
        const QString n = QString::number(r);
        const auto text = [&n](const char* prefix) { return QString(QString::fromUtf8(prefix) + n); };
        QVariantList row(packet.fields.size());
        const auto set = [&](const char* field, const QVariant& value) {
            row[column.value(QString::fromLatin1(field))] = value;
        };
        set("IDCHECK", QStringLiteral("N"));
        set("CDFILIAL", QStringLiteral("0001"));
        set("NRLANCTONF", n.rightJustified(10, u'0'));
        set("CDEMPRESA", QStringLiteral("01"));
        set("CDFILIEMIT", QStringLiteral("0001"));
        set("NRINSJURNF", QString::number(r % 2 ? 12345678000100LL + r : 12345678900LL + r));
        set("CDCLIENTE", text("C"));
        set("NMRAZSOCCLIE", text("Cliente de demonstração número "));
        set("NRNOTAFISCSE", text("NFSE"));
        set("DTENTRSAID", day.addDays(r % 365));
        set("DTEMISSAO", day.addDays(r % 365 + 1));
        set("CDSERIE", QStringLiteral("1"));
        set("VRNOTAFISC", 100.0 + r * 0.37);
        set("CDSERIERPSSERIE", QStringLiteral("RPS"));
        set("NRNOTAFISC", n.rightJustified(8, u'0'));
        set("NRRPS", text("R"));
        set("IDEMISSAORPS", QString::number(1 + r % 3));
        set("DADOSRODAPE", text("Rodapé da nota "));
        set("IDTPIJURNF", QString(QChar(r % 2 ? u'J' : u'F')));
        set("IDTRANSMISRPS", QString::number(1 + (r / 3) % 4));
        packet.rows.push_back(std::move(row));
    }
    return packet;
}

}  // namespace bench
