#include "db/firebird_client.h"

#include "db/database_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace kpv::db {

namespace {

constexpr unsigned kShutdownTimeoutMs = 10000;
constexpr int kReasonApplicationStopped = -3;  // fb_shutrsn_app_stopped of ibase.h

void shutdownFirebird() {
    // The client library was loaded by Qt's driver plugin; asking for it without loading it again keeps
    // this a no-op when no Firebird connection was ever made.
    void* library = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return;
    using Shutdown = int (*)(unsigned, int);
    if (auto shutdown = reinterpret_cast<Shutdown>(dlsym(library, "fb_shutdown"))) {
        shutdown(kShutdownTimeoutMs, kReasonApplicationStopped);
    }
    dlclose(library);
}

}  // namespace

QString FirebirdTarget(const DatabaseSettings& s) {
    if (s.host.isEmpty()) return s.path;
    const QString port = s.port > 0 ? QLatin1Char('/') + QString::number(s.port) : QString();
    return s.host + port + QLatin1Char(':') + s.path;
}

QString FirebirdUser(const DatabaseSettings& s) {
    return s.user.isEmpty() ? QStringLiteral("SYSDBA") : s.user;
}

void UseProjectFirebirdConfiguration() {
    static const bool pointed = [] {
        if (qEnvironmentVariableIsSet("FIREBIRD")) return false;
        const QString root =
            QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../firebird"));
        if (!QFileInfo::exists(root + QStringLiteral("/firebird.conf"))) return false;
        return qputenv("FIREBIRD", QFile::encodeName(root));
    }();
    (void)pointed;
}

void ShutdownFirebirdOnExit() {
    static const bool registered = [] {
        qAddPostRoutine(shutdownFirebird);
        return true;
    }();
    (void)registered;
}

}  // namespace kpv::db
