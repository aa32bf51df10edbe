// Unit Pkg_kpv41000: the package's entries for the host.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "framework/core/package_info.h"

namespace {

// The units of the package in initialization order: those of the required packages, then the filter
// screen's, then the emission screen's.
const TPackageUnitEntry units[] = {
    {"kpvframework", kpv::FrameworkUnitInitialization, kpv::FrameworkUnitFinalization},
    {"Cli_kpv41100", Cli_kpv41100::Initialization, Cli_kpv41100::Finalization},
    {"Cli_kpv41000", Cli_kpv41000::Initialization, Cli_kpv41000::Finalization},
};

const TPackageInfoTable infoTable = {static_cast<int>(std::size(units)), units};

}  // namespace

extern "C" {

KPV_PACKAGE_EXPORT void IniProc() {
    Cli_kpv41000::CriaEmissaoRPS();
}

KPV_PACKAGE_EXPORT void CriaEmissaoRPS() {
    Cli_kpv41000::CriaEmissaoRPS();
}

KPV_PACKAGE_EXPORT void Initialize() {
    for (const TPackageUnitEntry& unit : units) unit.Initialization();
}

KPV_PACKAGE_EXPORT void Finalize() {
    for (auto it = std::rbegin(units); it != std::rend(units); ++it) it->Finalization();
}

KPV_PACKAGE_EXPORT const TPackageInfoTable* GetPackageInfoTable() {
    return &infoTable;
}
}
