#pragma once

#include "protocol/data_packet.h"
#include "protocol/protocol_export.h"

namespace kpv::protocol {

// The field lists of the packets the methods return, in the order the screens declare them.
KPV_PROTOCOL_EXPORT const QList<PacketField>& InvoiceFields();  // GetNotaFiscal: the invoice list record
KPV_PROTOCOL_EXPORT const QList<PacketField>& OperationTypeFields();          // GetTipoOper
KPV_PROTOCOL_EXPORT const QList<PacketField>& MunicipalRegistrationFields();  // GetInscrMunicip

}  // namespace kpv::protocol
