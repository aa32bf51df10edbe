#include "appserver/server_settings.h"

#include <QSettings>

namespace kpv::server {

ServerSettings ReadServerSettings(QSettings& settings) {
    ServerSettings s;
    settings.beginGroup(QStringLiteral("server"));
    s.host = settings.value(QStringLiteral("host"), s.host).toString();
    s.port = settings.value(QStringLiteral("port"), s.port).toInt();
    s.token = settings.value(QStringLiteral("token")).toString();
    s.maxBodyBytes = settings.value(QStringLiteral("maxBodyBytes"), s.maxBodyBytes).toLongLong();
    s.readTimeoutMs = settings.value(QStringLiteral("readTimeoutMs"), s.readTimeoutMs).toInt();
    s.idleTimeoutMs = settings.value(QStringLiteral("idleTimeoutMs"), s.idleTimeoutMs).toInt();
    s.maxConnections = settings.value(QStringLiteral("maxConnections"), s.maxConnections).toInt();
    settings.endGroup();
    return s;
}

}  // namespace kpv::server
