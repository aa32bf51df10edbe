#pragma once

#include "framework/core/package_info.h"

#include <QLibrary>
#include <QString>

#include <memory>

namespace kpv::host {

// A run-time package loaded by the host: its library, its entry points, and its units initialised for
// as long as the object lives.
class LoadedPackage {
  public:
    ~LoadedPackage();
    LoadedPackage(const LoadedPackage&) = delete;
    LoadedPackage& operator=(const LoadedPackage&) = delete;

    // Finds lib<name>.so beside the host (or takes a path), checks that it exports every entry the host
    // calls and runs its Initialize. On failure returns null and says why in `error`, in Portuguese.
    static std::unique_ptr<LoadedPackage> Load(const QString& nameOrPath, QString* error);

    QString Name() const { return name_; }
    const TPackageInfoTable* InfoTable() const { return getPackageInfoTable_(); }

    // Opens the package's screen. Errors travel to the caller.
    void IniProc() const { iniProc_(); }

  private:
    LoadedPackage() = default;

    QString name_;
    QLibrary library_;
    TPackageProc iniProc_ = nullptr;
    TPackageProc initialize_ = nullptr;
    TPackageProc finalize_ = nullptr;
    TGetPackageInfoTable getPackageInfoTable_ = nullptr;
    bool initialised_ = false;  // Initialize has run: the host owes the package a Finalize
};

}  // namespace kpv::host
