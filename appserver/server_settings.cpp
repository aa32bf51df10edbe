#include "appserver/server_settings.h"

#include "protocol/call_timeout.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QSettings>
#include <QThread>

namespace kpv::server {

namespace {

const QString kGroup = QStringLiteral("server");

[[noreturn]] void bad(const QString& key, const QString& value, const QString& expected) {
    throw ConfigurationError(
        QStringLiteral("configuração inválida: [server] %1=%2 (%3)").arg(key, value, expected));
}

// An integer key within [low, high]; absent keeps `fallback`.
qint64 integer(QSettings& s, const QString& key, qint64 fallback, qint64 low, qint64 high) {
    if (!s.contains(key)) return fallback;
    const QString text = s.value(key).toString().trimmed();
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high) {
        bad(key, text, QStringLiteral("esperado um número inteiro de %1 a %2").arg(low).arg(high));
    }
    return value;
}

bool boolean(QSettings& s, const QString& key, bool fallback) {
    if (!s.contains(key)) return fallback;
    const QString text = s.value(key).toString().trimmed().toLower();
    if (text == u"true" || text == u"1" || text == u"yes" || text == u"sim") return true;
    if (text == u"false" || text == u"0" || text == u"no" || text == u"nao" || text == u"não") return false;
    bad(key, s.value(key).toString(), QStringLiteral("esperado true ou false"));
}

bool isLoopback(const QString& host) {
    if (host == u"localhost") return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

}  // namespace

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
    if (!s.tls() && !isLoopback(s.host) && !s.acceptClearText) {
        bad(QStringLiteral("host"), s.host,
            QStringLiteral(
                "um endereço além desta máquina exige TLS (tlsCert e tlsKey), ou acceptClearText=true "
                "para aceitar de propósito o tráfego sem criptografia"));
    }
}

ServerSettings ReadServerSettings(QSettings& settings) {
    ServerSettings s;
    settings.beginGroup(kGroup);
    s.host = settings.value(QStringLiteral("host"), s.host).toString().trimmed();
    s.port = int(integer(settings, QStringLiteral("port"), s.port, 0, 65535));
    s.token = settings.value(QStringLiteral("token")).toString();
    s.maxBodyBytes = integer(settings, QStringLiteral("maxBodyBytes"), s.maxBodyBytes, 1024, qint64(1) << 30);
    s.readTimeoutMs = int(integer(settings, QStringLiteral("readTimeoutMs"), s.readTimeoutMs, 100, 600000));
    s.idleTimeoutMs = int(integer(settings, QStringLiteral("idleTimeoutMs"), s.idleTimeoutMs, 100, 86400000));
    s.maxConnections = int(integer(settings, QStringLiteral("maxConnections"), s.maxConnections, 1, 10000));
    s.workers = int(integer(settings, QStringLiteral("workers"), DefaultWorkers(), 1, 256));
    // Well inside the clients' own call timeout, so that no answer arrives after they gave up.
    s.deadlineMs = int(
        integer(settings, QStringLiteral("deadlineMs"), s.deadlineMs, 1000, protocol::kCallTimeoutMs / 3));
    s.tlsCert = settings.value(QStringLiteral("tlsCert")).toString().trimmed();
    s.tlsKey = settings.value(QStringLiteral("tlsKey")).toString().trimmed();
    s.acceptClearText = boolean(settings, QStringLiteral("acceptClearText"), false);
    settings.endGroup();
    CheckServerSettings(s);
    return s;
}

}  // namespace kpv::server
