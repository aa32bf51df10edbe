#include "nfse/rps/utc_offset.h"

#include <QLatin1String>

namespace kpv::nfse {

namespace {

constexpr int kHour = 3600;

struct StateOffset {
    QLatin1String state;
    int hours;
};

// Brasília time (-03:00) but for the west: Amazonas, Mato Grosso, Mato Grosso do Sul, Rondônia and
// Roraima at -04:00, Acre at -05:00.
constexpr StateOffset kStates[] = {
    {QLatin1String("AC"), -5}, {QLatin1String("AL"), -3}, {QLatin1String("AM"), -4},
    {QLatin1String("AP"), -3}, {QLatin1String("BA"), -3}, {QLatin1String("CE"), -3},
    {QLatin1String("DF"), -3}, {QLatin1String("ES"), -3}, {QLatin1String("GO"), -3},
    {QLatin1String("MA"), -3}, {QLatin1String("MG"), -3}, {QLatin1String("MS"), -4},
    {QLatin1String("MT"), -4}, {QLatin1String("PA"), -3}, {QLatin1String("PB"), -3},
    {QLatin1String("PE"), -3}, {QLatin1String("PI"), -3}, {QLatin1String("PR"), -3},
    {QLatin1String("RJ"), -3}, {QLatin1String("RN"), -3}, {QLatin1String("RO"), -4},
    {QLatin1String("RR"), -4}, {QLatin1String("RS"), -3}, {QLatin1String("SC"), -3},
    {QLatin1String("SE"), -3}, {QLatin1String("SP"), -3}, {QLatin1String("TO"), -3},
};

// The islands of Fernando de Noronha, a district of Pernambuco with a time of their own.
const QLatin1String kFernandoDeNoronha("2605459");
constexpr int kFernandoDeNoronhaHours = -2;

}  // namespace

std::optional<int> UtcOffsetOf(const QString& state, const QString& ibgeMunicipality) {
    if (ibgeMunicipality == kFernandoDeNoronha) return kFernandoDeNoronhaHours * kHour;
    for (const StateOffset& s : kStates) {
        if (state == s.state) return s.hours * kHour;
    }
    return std::nullopt;
}

}  // namespace kpv::nfse
