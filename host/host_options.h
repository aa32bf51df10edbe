#pragma once

#include <QString>

class QCoreApplication;

namespace kpv::settings {
class SettingsFile;
}

namespace kpv::host {

// What the host was told to do, from its command line and the [host] group of its configuration.
struct HostOptions {
    QString configFile;       // kpv.ini by default
    QString package;          // package to load, by name or path; empty until given
    bool openScreen = false;  // run the package's IniProc at start
    QString screenshot;       // render the window to this PNG and quit
    QString script;           // play this session script, then quit
};

// Reads the command line; unknown options make it return false with the reason.
bool ParseHostOptions(const QCoreApplication& app, HostOptions& options, QString* error);

// Takes the [host] group of the configuration into what the command line left open: the package when it
// named none, the screen opened when either says so. Throws settings::ConfigurationError for a bad value.
void ReadHostSettings(const settings::SettingsFile& file, HostOptions& options);

}  // namespace kpv::host
