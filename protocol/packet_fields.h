#pragma once

#include "protocol/data_packet.h"
#include "protocol/protocol_export.h"

#include <span>

namespace kpv::protocol {

// One field of a packet a method returns: what travels (name, type, size) and how the screens show it.
// The server writes a packet's fields in the order of its definitions; the screens build their data
// sets from the same definitions.
struct FieldDefinition {
    const char* name;
    TFieldType type;
    int size;           // characters, for the string types
    const char* label;  // the title in the screens' grids and lists (UTF-8); null: none of its own
    bool visible;
    bool required = false;
};

// The fields of the packets the methods return, in the order the screens declare them.
KPV_PROTOCOL_EXPORT std::span<const FieldDefinition> InvoiceDefinitions();                // GetNotaFiscal
KPV_PROTOCOL_EXPORT std::span<const FieldDefinition> OperationTypeDefinitions();          // GetTipoOper
KPV_PROTOCOL_EXPORT std::span<const FieldDefinition> MunicipalRegistrationDefinitions();  // GetInscrMunicip

// What a packet of those definitions carries of each field.
KPV_PROTOCOL_EXPORT const QList<PacketField>& InvoiceFields();
KPV_PROTOCOL_EXPORT const QList<PacketField>& OperationTypeFields();
KPV_PROTOCOL_EXPORT const QList<PacketField>& MunicipalRegistrationFields();

}  // namespace kpv::protocol
