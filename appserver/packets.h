#pragma once

#include "framework/net/data_packet.h"

namespace kpv::server {

// The field lists of the packets the methods return, in the order the screens declare them.
const QList<net::PacketField>& InvoiceFields();                // GetNotaFiscal: the invoice list record
const QList<net::PacketField>& OperationTypeFields();          // GetTipoOper
const QList<net::PacketField>& MunicipalRegistrationFields();  // GetInscrMunicip

}  // namespace kpv::server
