// Exports every entry of a package but Finalize.
#include "framework/core/package_info.h"

extern "C" {
KPV_PACKAGE_EXPORT void IniProc() {}
KPV_PACKAGE_EXPORT void Initialize() {}
KPV_PACKAGE_EXPORT const TPackageInfoTable* GetPackageInfoTable() {
    return nullptr;
}
}
