#include "db/firebird_lock_wait.h"

#include "db/database_error.h"

#include <QSqlDatabase>
#include <QSqlDriver>

#include <cstdint>

#include <dlfcn.h>

namespace kpv::db {

namespace {

// From ibase.h, which the build does not need otherwise: the status vector, the attachment handle of a
// 64-bit client and the cancel option that interrupts the running statement.
using IscStatus = std::intptr_t;
constexpr int kStatusLength = 20;
constexpr unsigned short kCancelRaise = 3;  // fb_cancel_raise
using CancelOperation = IscStatus (*)(IscStatus* status, unsigned int* attachment, unsigned short option);

CancelOperation cancelOperation(void* library) {
    return library ? reinterpret_cast<CancelOperation>(dlsym(library, "fb_cancel_operation")) : nullptr;
}

DatabaseError noCancel() {
    return DatabaseError(QStringLiteral(
        "O cliente do Firebird não permite limitar a espera por bloqueios (fb_cancel_operation)."));
}

}  // namespace

FirebirdLockWait::FirebirdLockWait(const QSqlDatabase& db, std::chrono::milliseconds wait) {
    const QVariant handle = db.driver()->handle();
    if (handle.metaType() != QMetaType::fromType<unsigned int>()) throw noCancel();
    attachment_ = handle.value<unsigned int>();
    // Qt's driver plugin has loaded the client library; this only takes a reference to it.
    library_ = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (!cancelOperation(library_)) {
        if (library_) dlclose(library_);
        throw noCancel();
    }
    watchdog_ = std::thread([this, wait] { watch(wait); });
}

FirebirdLockWait::~FirebirdLockWait() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    released_.notify_one();
    watchdog_.join();
    dlclose(library_);
}

void FirebirdLockWait::watch(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (released_.wait_for(lock, wait, [this] { return done_; })) return;
    IscStatus status[kStatusLength] = {};
    cancelOperation(library_)(status, &attachment_, kCancelRaise);
}

}  // namespace kpv::db
