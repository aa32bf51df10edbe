// Looks like a package but lacks the one entry its build leaves out (KPV_WITHOUT_<entry>). It counts the
// calls of its lifecycle entries, so a test can tell whether the host ran them.
#include "framework/core/package_info.h"

namespace {
int initializeCalls = 0;
int finalizeCalls = 0;
}  // namespace

extern "C" {
#ifndef KPV_WITHOUT_IniProc
KPV_PACKAGE_EXPORT void IniProc() {}
#endif
#ifndef KPV_WITHOUT_Initialize
KPV_PACKAGE_EXPORT void Initialize() {
    ++initializeCalls;
}
#endif
#ifndef KPV_WITHOUT_Finalize
KPV_PACKAGE_EXPORT void Finalize() {
    ++finalizeCalls;
}
#endif
#ifndef KPV_WITHOUT_GetPackageInfoTable
KPV_PACKAGE_EXPORT const TPackageInfoTable* GetPackageInfoTable() {
    return nullptr;
}
#endif
KPV_PACKAGE_EXPORT int InitializeCalls() {
    return initializeCalls;
}
KPV_PACKAGE_EXPORT int FinalizeCalls() {
    return finalizeCalls;
}
}
