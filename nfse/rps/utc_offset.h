#pragma once

#include <QString>

#include <optional>

namespace kpv::nfse {

// The UTC offset, in seconds, of the legal time of a Brazilian place, by its state (SGESTADO) and IBGE
// municipality code; nothing for a state that is not Brazil's. Brazil keeps no daylight saving time since
// 2019, so the offset does not depend on the date.
std::optional<int> UtcOffsetOf(const QString& state, const QString& ibgeMunicipality);

}  // namespace kpv::nfse
