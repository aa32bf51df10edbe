#pragma once

#include "protocol/data_packet.h"

namespace kpv::protocol {

// The field lists of the packets the methods return, in the order the screens declare them.
const QList<PacketField>& InvoiceFields();                // GetNotaFiscal: the invoice list record
const QList<PacketField>& OperationTypeFields();          // GetTipoOper
const QList<PacketField>& MunicipalRegistrationFields();  // GetInscrMunicip

}  // namespace kpv::protocol
