#include "framework/net/http_transport.h"

#include "framework/net/connection_faults.h"

#include <curl/curl.h>

#include <mutex>

namespace kpv::net {

namespace {

// Answers of 100,000 invoices are some tens of megabytes; far beyond that the peer is not our server.
constexpr qsizetype kMaxAnswerBytes = qsizetype(512) * 1024 * 1024;
// Spare bytes kept past the body, for parsers that read in wide blocks.
constexpr qsizetype kBodyPadding = 64;

void initialiseOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// What the callbacks of one exchange gather.
struct Exchange {
    HttpAnswer answer;
    bool started = false;  // a byte of the answer has arrived
    bool hasLength = false;
    bool withoutLength = false;  // the head ended without Content-Length
    bool tooLarge = false;
};

size_t onHeader(char* data, size_t size, size_t count, void* context) {
    auto* x = static_cast<Exchange*>(context);
    const size_t bytes = size * count;
    const QByteArray line = QByteArray(data, qsizetype(bytes)).trimmed();
    x->started = true;
    if (line.startsWith("HTTP/")) {
        // A new head (after an interim answer): start over.
        x->hasLength = false;
        x->answer.retryAfterSeconds = 0;
        const QList<QByteArray> parts = line.split(' ');
        x->answer.reason = parts.size() > 2 ? line.mid(parts[0].size() + parts[1].size() + 2) : QByteArray();
        return bytes;
    }
    if (line.isEmpty()) {
        if (!x->hasLength) {
            x->withoutLength = true;
            return 0;  // aborts the transfer
        }
        return bytes;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon > 0 && line.left(colon).trimmed().compare("retry-after", Qt::CaseInsensitive) == 0) {
        x->answer.retryAfterSeconds = line.mid(colon + 1).trimmed().toInt();
        return bytes;
    }
    if (colon > 0 && line.left(colon).trimmed().compare("content-length", Qt::CaseInsensitive) == 0) {
        bool ok = false;
        const qint64 length = line.mid(colon + 1).trimmed().toLongLong(&ok);
        if (!ok || length < 0) return bytes;
        x->hasLength = true;
        if (length > kMaxAnswerBytes) {
            x->tooLarge = true;
            return 0;
        }
        x->answer.body.reserve(qsizetype(length) + kBodyPadding);
    }
    return bytes;
}

size_t onBody(char* data, size_t size, size_t count, void* context) {
    auto* x = static_cast<Exchange*>(context);
    const size_t bytes = size * count;
    if (x->answer.body.size() + qsizetype(bytes) > kMaxAnswerBytes) {
        x->tooLarge = true;
        return 0;
    }
    x->answer.body.append(data, qsizetype(bytes));
    return bytes;
}

}  // namespace

HttpTransport::HttpTransport() {
    initialiseOnce();
}

HttpTransport::~HttpTransport() {
    close();
}

void HttpTransport::setEndpoint(const QString& host, int port, bool tls, const QString& caFile) {
    if (host == host_ && port == port_ && tls == tls_ && caFile == caFile_) return;
    close();
    host_ = host;
    port_ = port;
    tls_ = tls;
    caFile_ = caFile;
}

void HttpTransport::close() {
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
    curl_ = nullptr;
}

QString HttpTransport::where() const {
    return host_ + QLatin1Char(':') + QString::number(port_);
}

QByteArray HttpTransport::url(const QByteArray& target) const {
    const QString host =
        host_.contains(QLatin1Char(':')) ? QLatin1Char('[') + host_ + QLatin1Char(']') : host_;
    return (tls_ ? QByteArrayLiteral("https://") : QByteArrayLiteral("http://")) + host.toUtf8() + ':' +
           QByteArray::number(port_) + target;
}

// The handle keeps the connection alive between calls.
void* HttpTransport::handle() {
    if (curl_) return curl_;
    CURL* c = curl_easy_init();
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error_);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    // The application server is reached directly, whatever proxy the environment names.
    curl_easy_setopt(c, CURLOPT_PROXY, "");
    if (tls_) {
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!caFile_.isEmpty()) curl_easy_setopt(c, CURLOPT_CAINFO, caFile_.toLocal8Bit().constData());
    }
    curl_ = c;
    return curl_;
}

void HttpTransport::open(int timeoutMs) {
    CURL* probe = curl_easy_init();
    curl_easy_setopt(probe, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(probe, CURLOPT_PROXY, "");
    curl_easy_setopt(probe, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(probe, CURLOPT_ERRORBUFFER, error_);
    const QByteArray address = url("/");
    curl_easy_setopt(probe, CURLOPT_URL, address.constData());
    curl_easy_setopt(probe, CURLOPT_CONNECTTIMEOUT_MS, long(timeoutMs));
    if (tls_ && !caFile_.isEmpty())
        curl_easy_setopt(probe, CURLOPT_CAINFO, caFile_.toLocal8Bit().constData());
    error_[0] = '\0';
    const CURLcode code = curl_easy_perform(probe);
    curl_easy_cleanup(probe);
    if (code != CURLE_OK) fail(code, timeoutMs, false);
}

HttpAnswer HttpTransport::post(const QByteArray& target, const HttpHeaders& headers, const QByteArray& body,
                               int timeoutMs) {
    CURL* c = static_cast<CURL*>(handle());
    curl_slist* list = curl_slist_append(nullptr, "Expect:");  // no 100-continue round trip
    for (const auto& [name, value] : headers)
        list = curl_slist_append(list, QByteArray(name + ": " + value).constData());
    const QByteArray address = url(target);
    Exchange x;
    curl_easy_setopt(c, CURLOPT_URL, address.constData());
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(timeoutMs));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(timeoutMs));
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &x);
    error_[0] = '\0';
    const CURLcode code = curl_easy_perform(c);
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(list);
    if (code == CURLE_OK) {
        long status = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        x.answer.status = int(status);
        return std::move(x.answer);
    }
    if (x.tooLarge || x.withoutLength) {
        close();
        throw TransportError(
            kBadReplyFault, QStringLiteral("Resposta inválida do servidor de aplicação em %1: %2.")
                                .arg(where(), x.tooLarge ? QStringLiteral("resposta grande demais")
                                                         : QStringLiteral("não é uma resposta HTTP válida")));
    }
    fail(code, timeoutMs, x.started);
}

void HttpTransport::fail(int code, int timeoutMs, bool answerStarted) {
    close();
    const QString detail = QString::fromUtf8(error_[0] ? error_ : curl_easy_strerror(CURLcode(code)));
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT:
            throw TransportError(kTimeoutFault, QStringLiteral("O servidor de aplicação em %1 não "
                                                               "respondeu em %2 ms.")
                                                    .arg(where())
                                                    .arg(timeoutMs));
        case CURLE_COULDNT_CONNECT:
            throw TransportError(
                kTransportFault,
                QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1: conexão recusada.")
                    .arg(where()));
        case CURLE_COULDNT_RESOLVE_HOST:
            throw TransportError(
                kTransportFault,
                QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1: endereço não "
                               "encontrado.")
                    .arg(where()));
        case CURLE_SSL_CONNECT_ERROR:
            // What OpenSSL says when the answer to its handshake is not TLS at all: a plain HTTP server.
            if (detail.contains(QLatin1String("wrong version number"))) {
                throw TransportError(
                    kTlsFault,
                    QStringLiteral("O servidor de aplicação em %1 não usa conexão segura (HTTPS), mas esta "
                                   "estação está configurada para ela ([server] caFile ou tls=true no "
                                   "kpv.ini). Use a mesma escolha do servidor.")
                        .arg(where()));
            }
            [[fallthrough]];
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            throw TransportError(
                kTlsFault, QStringLiteral("Conexão segura com o servidor de aplicação em %1 recusada: o "
                                          "certificado do servidor não pôde ser verificado (%2).")
                               .arg(where(), detail));
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_UNSUPPORTED_PROTOCOL:
            throw TransportError(
                kBadReplyFault,
                QStringLiteral("Resposta inválida do servidor de aplicação em %1: não é uma resposta "
                               "HTTP válida.")
                    .arg(where()));
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
            throw TransportError(
                kTransportFault,
                answerStarted ? QStringLiteral("O servidor de aplicação em %1 encerrou a conexão no meio da "
                                               "resposta.")
                                    .arg(where())
                              : QStringLiteral("O servidor de aplicação em %1 encerrou a conexão sem "
                                               "responder.")
                                    .arg(where()));
        default:
            throw TransportError(kTransportFault,
                                 QStringLiteral("Falha na comunicação com o servidor de aplicação em %1: %2.")
                                     .arg(where(), detail));
    }
}

}  // namespace kpv::net
