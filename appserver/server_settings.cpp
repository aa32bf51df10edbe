#include "appserver/server_settings.h"

#include "protocol/call_timeout.h"
#include "settings/settings_file.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QThread>

namespace kpv::server {

namespace {

const QString kGroup = QStringLiteral("server");

[[noreturn]] void bad(const QString& key, const QString& value, const QString& expected) {
    throw ConfigurationError(
        QStringLiteral("configuração inválida: [server] %1=%2 (%3)").arg(key, value, expected));
}

bool isLoopback(const QString& host) {
    if (host == u"localhost") return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

}  // namespace

bool ServerSettings::beyondLoopback() const {
    return !isLoopback(host);
}

int DefaultWorkers() {
    return qMax(4, 2 * QThread::idealThreadCount());
}

void CheckServerSettings(const ServerSettings& s) {
    if (s.host != u"localhost" && s.host != u"*" && QHostAddress(s.host).isNull())
        bad(QStringLiteral("host"), s.host, QStringLiteral("esperado localhost, * ou um endereço IP"));
    if (s.port < 0 || s.port > 65535)
        bad(QStringLiteral("port"), QString::number(s.port),
            QStringLiteral("esperado um número inteiro de 0 a 65535"));
    if (s.tlsCert.isEmpty() != s.tlsKey.isEmpty()) {
        const bool certMissing = s.tlsCert.isEmpty();
        bad(certMissing ? QStringLiteral("tlsCert") : QStringLiteral("tlsKey"), QString(),
            QStringLiteral("tlsCert e tlsKey devem ser informados juntos"));
    }
    for (const auto& [key, file] :
         {std::pair{QStringLiteral("tlsCert"), s.tlsCert}, std::pair{QStringLiteral("tlsKey"), s.tlsKey}}) {
        if (!file.isEmpty() && !QFileInfo(file).isReadable())
            bad(key, file, QStringLiteral("arquivo PEM não encontrado ou sem permissão de leitura"));
    }
    // Beyond loopback the accounts of the database are required too: the server checks them at start.
    if (s.beyondLoopback() && !s.tls() && !s.acceptClearText) {
        bad(QStringLiteral("host"), s.host,
            QStringLiteral(
                "um endereço além desta máquina exige TLS (tlsCert e tlsKey), ou acceptClearText=true "
                "para aceitar de propósito o tráfego sem criptografia"));
    }
}

void CheckAccountsBeyondLoopback(const ServerSettings& s, bool activeAccounts) {
    // Anyone who reaches the address could otherwise issue and cancel RPS.
    if (s.beyondLoopback() && !activeAccounts) {
        bad(QStringLiteral("host"), s.host,
            QStringLiteral("um endereço além desta máquina exige contas de usuário no banco de dados: crie a "
                           "primeira com kpv-accounts add"));
    }
}

ServerSettings ReadServerSettings(const settings::SettingsFile& file) {
    ServerSettings s;
    const auto integer = [&](const char* key, qint64 fallback, qint64 low, qint64 high) {
        return file.integer(kGroup, QLatin1String(key), fallback, low, high);
    };
    s.host = file.text(kGroup, QStringLiteral("host"), s.host);
    s.port = int(integer("port", s.port, 0, 65535));
    s.token = file.text(kGroup, QStringLiteral("token"));
    s.maxBodyBytes = integer("maxBodyBytes", s.maxBodyBytes, 1024, qint64(1) << 30);
    s.readTimeoutMs = int(integer("readTimeoutMs", s.readTimeoutMs, 100, 600000));
    s.idleTimeoutMs = int(integer("idleTimeoutMs", s.idleTimeoutMs, 100, 86400000));
    s.maxConnections = int(integer("maxConnections", s.maxConnections, 1, 10000));
    s.workers = int(integer("workers", DefaultWorkers(), 1, 256));
    // Well inside the clients' own call timeout, so that no answer arrives after they gave up.
    s.deadlineMs = int(integer("deadlineMs", s.deadlineMs, 1000, protocol::kCallTimeoutMs / 3));
    s.tlsCert = file.path(kGroup, QStringLiteral("tlsCert"));
    s.tlsKey = file.path(kGroup, QStringLiteral("tlsKey"));
    s.acceptClearText = file.boolean(kGroup, QStringLiteral("acceptClearText"), false);
    s.sessionIdleMinutes = int(integer("sessionIdleMinutes", s.sessionIdleMinutes, 1, 10080));
    CheckServerSettings(s);
    return s;
}

}  // namespace kpv::server
