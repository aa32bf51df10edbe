#include "host/package_loader.h"

#include "framework/ui/application.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace kpv::host {

namespace {

QString libraryPath(const QString& nameOrPath) {
    if (nameOrPath.contains(u'/')) return nameOrPath;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("lib%1.so").arg(nameOrPath));
}

}  // namespace

std::unique_ptr<LoadedPackage> LoadedPackage::Load(const QString& nameOrPath, QString* error) {
    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    package->name_ = QFileInfo(nameOrPath).baseName().remove(QRegularExpression(QStringLiteral("^lib")));
    package->library_.setFileName(libraryPath(nameOrPath));
    if (!package->library_.load()) {
        *error = QStringLiteral("Não foi possível carregar o pacote '%1': %2")
                     .arg(package->name_, package->library_.errorString());
        return nullptr;
    }
    auto resolve = [&](const char* entry) -> QFunctionPointer {
        QFunctionPointer f = package->library_.resolve(entry);
        if (!f && error->isEmpty()) {
            *error = QStringLiteral("O pacote '%1' não exporta a entrada '%2'.")
                         .arg(package->name_, QString::fromLatin1(entry));
        }
        return f;
    };
    error->clear();
    package->iniProc_ = reinterpret_cast<TPackageProc>(resolve("IniProc"));
    package->initialize_ = reinterpret_cast<TPackageProc>(resolve("Initialize"));
    package->finalize_ = reinterpret_cast<TPackageProc>(resolve("Finalize"));
    package->getPackageInfoTable_ = reinterpret_cast<TGetPackageInfoTable>(resolve("GetPackageInfoTable"));
    if (!error->isEmpty()) return nullptr;
    package->initialize_();
    package->initialised_ = true;
    return package;
}

LoadedPackage::~LoadedPackage() {
    // Only an initialised package can have screens open or units to finalise; the screens run code of
    // the library, so they go before it is unloaded.
    if (initialised_) {
        ui::Application().DestroyForms();
        finalize_();
    }
    library_.unload();
}

}  // namespace kpv::host
