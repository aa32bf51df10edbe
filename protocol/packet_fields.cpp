#include "protocol/packet_fields.h"

namespace kpv::protocol {

const QList<PacketField>& InvoiceFields() {
    static const QList<PacketField> fields = {
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
    return fields;
}

const QList<PacketField>& OperationTypeFields() {
    static const QList<PacketField> fields = {
        {"IDMARCADO", TFieldType::ftFixedChar, 1},
        {"CDTIPOOPER", TFieldType::ftString, 2},
        {"NMTIPOOPER", TFieldType::ftString, 30},
        {"CHAVE", TFieldType::ftString, 3},
    };
    return fields;
}

const QList<PacketField>& MunicipalRegistrationFields() {
    static const QList<PacketField> fields = {
        {"CDINSCMUNI", TFieldType::ftString, 16},    {"NMREPRINSMUN", TFieldType::ftString, 40},
        {"NRCERTDIGNFSE", TFieldType::ftString, 50}, {"IDAMBTRABNFSE", TFieldType::ftString, 20},
        {"CDPAIS", TFieldType::ftString, 4},         {"NMPAIS", TFieldType::ftString, 30},
        {"SGESTADO", TFieldType::ftString, 2},       {"NMESTADO", TFieldType::ftString, 30},
        {"CDMUNICIPIO", TFieldType::ftString, 4},    {"NMMUNICIPIO", TFieldType::ftString, 30},
        {"CDMUNICIBGE", TFieldType::ftString, 7},
    };
    return fields;
}

}  // namespace kpv::protocol
