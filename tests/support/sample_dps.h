#pragma once

#include "nfse/dps.h"

// The provider of SampleDps(); a test certificate for it carries this CNPJ.
inline constexpr const char* kSampleProviderCnpj = "11222333000181";

// A DPS as an office in São Paulo issues it: a company provider, a company taker in Rio de Janeiro, every
// optional group the library writes filled in; tests change what they are about.
kpv::nfse::Dps SampleDps();
