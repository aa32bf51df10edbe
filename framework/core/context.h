#pragma once

#include "framework/framework_export.h"

#include <QDate>
#include <QHash>
#include <QString>

namespace kpv::settings {
class SettingsFile;
}

namespace kpv {

// The host's context values: who works where, on which date, in which module, against which server.
struct ContextValues {
    QString filiProc = QStringLiteral("0001");  // branch the user works in
    QString filiProcFat;                        // billing branch; empty means the user's branch
    bool moduFili = false;                      // the active module works per branch
    int moduloAtiv = 0;                         // number of the active application module
    QDate dataProc;                             // processing date of every branch not listed below
    QHash<QString, QDate> dataProcByBranch;     // processing date per branch
    QString webUrl = QStringLiteral("127.0.0.1");
    int webPort = 8410;
    QString webToken;     // shared token of the application server, empty for none
    QString webUser;      // the login the sign-in starts from, empty for none
    bool webTls = false;  // HTTPS to the application server
    QString webCaFile;  // PEM file of the authority that signed the server's certificate; empty: the system's
    QString reportFolder;  // where report definitions live
    QString outputFolder;  // where prints go when there is no printer
};

// The values in force; the host fills them from its configuration at start.
KPV_FRAMEWORK_EXPORT ContextValues& Context();

// Reads and checks the [context], [server] and [reports] groups of the host's configuration (keys in
// README); relative paths are taken from the file's folder. Throws settings::ConfigurationError.
KPV_FRAMEWORK_EXPORT ContextValues ReadContextValues(const settings::SettingsFile& file);

KPV_FRAMEWORK_EXPORT QString FiliProc();
KPV_FRAMEWORK_EXPORT QString FiliProcFat();
KPV_FRAMEWORK_EXPORT bool ModuFili();
KPV_FRAMEWORK_EXPORT QDate DataProc(const QString& branch);
KPV_FRAMEWORK_EXPORT int ModuloAtiv();  // only the low 8 bits
KPV_FRAMEWORK_EXPORT QString WebURL();
KPV_FRAMEWORK_EXPORT int WebPort();

}  // namespace kpv
