#include "protocol/packet_fields.h"

namespace kpv::protocol {

namespace {

using T = TFieldType;

// The invoice list record: the grid shows the visible fields with their titles; IDTPIJURNF and
// IDTRANSMISRPS are visible without a title of their own.
constexpr FieldDefinition kInvoice[] = {
    {"IDCHECK", T::ftFixedChar, 1, nullptr, false},
    {"CDFILIAL", T::ftString, 4, nullptr, false},
    {"NRLANCTONF", T::ftString, 10, nullptr, false},
    {"CDEMPRESA", T::ftString, 2, nullptr, false},
    {"CDFILIEMIT", T::ftString, 4, "Filial", true},
    {"NRINSJURNF", T::ftString, 20, "Inscrição", true},
    {"CDCLIENTE", T::ftString, 21, nullptr, false},
    {"NMRAZSOCCLIE", T::ftString, 50, "Razão Social", true},
    {"NRNOTAFISCSE", T::ftString, 30, "Nº NFS-e", true},
    {"DTENTRSAID", T::ftDateTime, 0, "Data Saída", true},
    {"DTEMISSAO", T::ftDateTime, 0, "Data Emissão", true},
    {"CDSERIE", T::ftString, 5, "Série", true},
    {"VRNOTAFISC", T::ftFloat, 0, "Valor Nota", true},
    {"CDSERIERPSSERIE", T::ftString, 5, "Série RPS", true},
    {"NRNOTAFISC", T::ftString, 20, nullptr, false},
    {"NRRPS", T::ftString, 30, "Nº RPS", true},
    {"IDEMISSAORPS", T::ftString, 1, "Situação RPS", true},
    {"DADOSRODAPE", T::ftString, 76, nullptr, false},
    {"IDTPIJURNF", T::ftString, 1, nullptr, true},
    {"IDTRANSMISRPS", T::ftString, 1, nullptr, true},
};

constexpr FieldDefinition kOperationType[] = {
    {"IDMARCADO", T::ftFixedChar, 1, nullptr, false},
    {"CDTIPOOPER", T::ftString, 2, "Código", true, true},
    {"NMTIPOOPER", T::ftString, 30, "Nome", true},
    {"CHAVE", T::ftString, 3, nullptr, false},
};

constexpr FieldDefinition kMunicipalRegistration[] = {
    {"CDINSCMUNI", T::ftString, 16, "Inscrição", true},
    {"NMREPRINSMUN", T::ftString, 40, "Representante", true},
    {"NRCERTDIGNFSE", T::ftString, 50, "Certificado", true},
    {"IDAMBTRABNFSE", T::ftString, 20, "Ambiente", true},
    {"CDPAIS", T::ftString, 4, nullptr, false},
    {"NMPAIS", T::ftString, 30, "Pais", true},
    {"SGESTADO", T::ftString, 2, "Estado", true},
    {"NMESTADO", T::ftString, 30, nullptr, false},
    {"CDMUNICIPIO", T::ftString, 4, nullptr, false},
    {"NMMUNICIPIO", T::ftString, 30, "Município", true},
    {"CDMUNICIBGE", T::ftString, 7, "Cód. IBGE do Município", true},
};

QList<PacketField> fieldsOf(std::span<const FieldDefinition> definitions) {
    QList<PacketField> fields;
    for (const FieldDefinition& d : definitions) fields.append({QString::fromLatin1(d.name), d.type, d.size});
    return fields;
}

}  // namespace

std::span<const FieldDefinition> InvoiceDefinitions() {
    return kInvoice;
}

std::span<const FieldDefinition> OperationTypeDefinitions() {
    return kOperationType;
}

std::span<const FieldDefinition> MunicipalRegistrationDefinitions() {
    return kMunicipalRegistration;
}

const QList<PacketField>& InvoiceFields() {
    static const QList<PacketField> fields = fieldsOf(kInvoice);
    return fields;
}

const QList<PacketField>& OperationTypeFields() {
    static const QList<PacketField> fields = fieldsOf(kOperationType);
    return fields;
}

const QList<PacketField>& MunicipalRegistrationFields() {
    static const QList<PacketField> fields = fieldsOf(kMunicipalRegistration);
    return fields;
}

}  // namespace kpv::protocol
