#pragma once

#include "nfse/dps.h"

#include <libxml/tree.h>

// The infDPS element and the Dps values, both ways, in the layout's order.
namespace kpv::nfse {

// The namespace of every element of the layout.
inline constexpr const char* kLayoutNamespace = "http://www.sped.fazenda.gov.br/nfse";

// Appends infDPS, with its Id, to the DPS element. Throws NfseError for values no layout text can carry.
xmlNode* WriteInfDps(xmlNode* dpsElement, const Dps& dps);

// The values of a schema-valid infDPS. Throws NfseError when it holds an element the Dps does not keep, or
// when its Id is not the one its values make.
Dps ReadInfDps(const xmlNode* infDps);

}  // namespace kpv::nfse
