#pragma once

#include <QString>

class QCoreApplication;

namespace kpv::host {

// What the host was told to do, from its command line and the [host] group of its configuration.
struct HostOptions {
    QString configFile;       // kpv.ini by default
    QString package;          // package to load, by name or path
    bool openScreen = false;  // run the package's IniProc at start
    QString screenshot;       // render the window to this PNG and quit
    QString script;           // play this session script, then quit
};

// Reads the command line; unknown options and a missing configuration file make it return false with
// the reason.
bool ParseHostOptions(const QCoreApplication& app, HostOptions& options, QString* error);

}  // namespace kpv::host
