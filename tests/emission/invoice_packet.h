#pragma once

// Invoice list packets built in the test, in the form the application server sends them.
#include "framework/net/data_packet.h"

#include <QDateTime>
#include <QMap>

struct InvoiceRow {
    QString emissao = "1";     // IDEMISSAORPS
    QString transmis = "1";    // IDTRANSMISRPS
    QString check = "N";       // IDCHECK
    QString kind = "J";        // IDTPIJURNF
    QString inscricao = "12345678000195";
    double valor = 100.0;
    QString lancto = "1";
    QString rodape = "Serviço de consultoria";
};

inline kpv::net::DataPacket InvoicePacket(const QList<InvoiceRow>& rows) {
    using kpv::net::TFieldType;
    kpv::net::DataPacket packet;
    packet.fields = {
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
    const QDateTime day(QDate(2026, 12, 1), QTime(0, 0));
    for (const InvoiceRow& r : rows) {
        packet.rows.push_back(QVariantList{r.check, "0001", r.lancto, "01", "0001", r.inscricao, QString("C" + r.lancto),
                               QString("Cliente " + r.lancto), QString(), day, day, "1", r.valor, "A1",
                               QString("NF" + r.lancto), QString(), r.emissao, r.rodape, r.kind, r.transmis});
    }
    return packet;
}
