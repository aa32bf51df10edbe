#pragma once

#include <QString>

class QSettings;

namespace kpv::server {

// The [server] group of kpv.ini (keys in docs/protocol.md).
struct ServerSettings {
    QString host = QStringLiteral("127.0.0.1");
    int port = 8410;  // 0: any free port
    QString token;    // empty: no authentication
    qsizetype maxBodyBytes = 1024 * 1024;
    int readTimeoutMs = 10000;  // from the first byte of a request to its last
    int idleTimeoutMs = 60000;  // a kept-alive connection without requests is closed after this
    int maxConnections = 32;
};

ServerSettings ReadServerSettings(QSettings& settings);

}  // namespace kpv::server
