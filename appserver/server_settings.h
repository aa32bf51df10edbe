#pragma once

#include "settings/configuration_error.h"

#include <QString>

namespace kpv::settings {
class SettingsFile;
}

namespace kpv::server {

// The [server] group of kpv.ini (keys in docs/protocol.md).
struct ServerSettings {
    QString host = QStringLiteral("127.0.0.1");
    int port = 8410;  // 0: any free port
    QString token;    // empty: none; the calls beyond loopback need accounts (sessions) anyway
    qsizetype maxBodyBytes = qsizetype(1024) * 1024;
    int readTimeoutMs = 10000;  // from the first byte of a request to its last
    int idleTimeoutMs = 60000;  // a kept-alive connection without requests is closed after this
    int maxConnections = 32;
    int workers = 0;         // calls served at once, each worker with its own database connection
    int deadlineMs = 10000;  // every call is answered within this, whatever the database does
    QString tlsCert;         // PEM files; both set: the server speaks HTTPS only
    QString tlsKey;
    bool acceptClearText = false;  // plain HTTP on an address beyond this machine
    int sessionIdleMinutes = 480;  // a session not used for this long has ended

    bool tls() const { return !tlsCert.isEmpty(); }
    // Bound to an address other machines reach: the server then requires accounts in its database.
    bool beyondLoopback() const;
};

using settings::ConfigurationError;

// Reads and checks every key of the group; throws ConfigurationError for the first bad one. The TLS
// files are taken from the configuration file's folder when relative.
ServerSettings ReadServerSettings(const settings::SettingsFile& file);
// The same checks for values that came from elsewhere (the command line's port).
void CheckServerSettings(const ServerSettings& settings);
// A server beyond loopback needs an active account in its database; throws ConfigurationError otherwise.
void CheckAccountsBeyondLoopback(const ServerSettings& settings, bool activeAccounts);

// Workers when the configuration names none: enough that a long list of one clerk and a lookup or a
// print run of others are served at once, more where the machine has more cores.
int DefaultWorkers();

}  // namespace kpv::server
