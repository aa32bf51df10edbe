#pragma once

#include "framework/framework_export.h"

// The binary contract between the host and a run-time package: C entry points and the unit table.

extern "C" {

// One unit of a package: its name and what runs when the package is loaded and unloaded.
struct TPackageUnitEntry {
    const char* Name;
    void (*Initialization)();
    void (*Finalization)();
};

struct TPackageInfoTable {
    int UnitCount;
    const TPackageUnitEntry* Units;
};

using TPackageProc = void (*)();
using TGetPackageInfoTable = const TPackageInfoTable* (*)();
}

#define KPV_PACKAGE_EXPORT __attribute__((visibility("default")))

namespace kpv {

// Initialization of the framework's own units, shared by every package that requires them.
KPV_FRAMEWORK_EXPORT void FrameworkUnitInitialization();
KPV_FRAMEWORK_EXPORT void FrameworkUnitFinalization();

}  // namespace kpv
