#pragma once

// Invoice list packets built in the test, with the field list the application server sends.
#include "protocol/packet_fields.h"

#include <QDateTime>

struct InvoiceRow {
    QString emissao = "1";   // IDEMISSAORPS
    QString transmis = "1";  // IDTRANSMISRPS
    QString check = "N";     // IDCHECK
    QString kind = "J";      // IDTPIJURNF
    QString inscricao = "12345678000195";
    double valor = 100.0;
    QString lancto = "1";
    QString rodape = "Serviço de consultoria";
};

inline kpv::protocol::DataPacket InvoicePacket(const QList<InvoiceRow>& rows) {
    kpv::protocol::DataPacket packet(kpv::protocol::InvoiceFields());
    const QDateTime day(QDate(2026, 12, 1), QTime(0, 0));
    for (const InvoiceRow& r : rows) {
        QVariantList row(packet.fields().size());
        const auto set = [&](const char* field, const QVariant& value) {
            row[packet.fieldIndex(QString::fromLatin1(field))] = value;
        };
        set("IDCHECK", r.check);
        set("CDFILIAL", "0001");
        set("NRLANCTONF", r.lancto);
        set("CDEMPRESA", "01");
        set("CDFILIEMIT", "0001");
        set("NRINSJURNF", r.inscricao);
        set("CDCLIENTE", QString("C" + r.lancto));
        set("NMRAZSOCCLIE", QString("Cliente " + r.lancto));
        set("NRNOTAFISCSE", QString());
        set("DTENTRSAID", day);
        set("DTEMISSAO", day);
        set("CDSERIE", "1");
        set("VRNOTAFISC", r.valor);
        set("CDSERIERPSSERIE", "A1");
        set("NRNOTAFISC", QString("NF" + r.lancto));
        set("NRRPS", QString());
        set("IDEMISSAORPS", r.emissao);
        set("DADOSRODAPE", r.rodape);
        set("IDTPIJURNF", r.kind);
        set("IDTRANSMISRPS", r.transmis);
        packet.appendRow(row);
    }
    return packet;
}
