#include "framework/net/http_transport.h"

#include <QDeadlineTimer>
#include <QTcpSocket>

namespace kpv::net {

namespace {

// Answers of 100,000 invoices are some tens of megabytes; far beyond that the peer is not our server.
constexpr qsizetype kMaxAnswerBytes = qsizetype(512) * 1024 * 1024;

int remaining(const QDeadlineTimer& deadline) {
    return static_cast<int>(qMax<qint64>(1, deadline.remainingTime()));
}

QString socketReason(const QTcpSocket& socket) {
    switch (socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            return QStringLiteral("conexão recusada");
        case QAbstractSocket::HostNotFoundError:
            return QStringLiteral("endereço não encontrado");
        case QAbstractSocket::RemoteHostClosedError:
            return QStringLiteral("o servidor encerrou a conexão");
        case QAbstractSocket::NetworkError:
            return QStringLiteral("falha de rede");
        default:
            return socket.errorString();
    }
}

}  // namespace

HttpTransport::HttpTransport() = default;
HttpTransport::~HttpTransport() = default;

void HttpTransport::setEndpoint(const QString& host, int port) {
    if (host == host_ && port == port_) return;
    close();
    host_ = host;
    port_ = port;
}

void HttpTransport::open(int timeoutMs) {
    if (socket_ && socket_->state() == QAbstractSocket::ConnectedState) return;
    connectSocket(QDeadlineTimer(timeoutMs), timeoutMs);
}

void HttpTransport::close() {
    if (socket_) socket_->abort();
    socket_.reset();
}

QString HttpTransport::where() const {
    return host_ + QLatin1Char(':') + QString::number(port_);
}

TransportError HttpTransport::timedOut(int timeoutMs) {
    close();
    return TransportError(
        QStringLiteral("timeout"),
        QStringLiteral("O servidor de aplicação em %1 não respondeu em %2 ms.").arg(where()).arg(timeoutMs));
}

void HttpTransport::connectSocket(const QDeadlineTimer& deadline, int timeoutMs) {
    socket_ = std::make_unique<QTcpSocket>();
    socket_->connectToHost(host_, static_cast<quint16>(port_));
    if (socket_->waitForConnected(remaining(deadline))) return;
    if (socket_->error() == QAbstractSocket::SocketTimeoutError) throw timedOut(timeoutMs);
    const QString reason = socketReason(*socket_);
    close();
    throw TransportError(
        QStringLiteral("transport"),
        QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1: %2.").arg(where(), reason));
}

HttpAnswer HttpTransport::post(const QByteArray& target, const protocol::HttpHeaders& headers,
                               const QByteArray& body, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    protocol::HttpHeaders all = headers;
    all.prepend({QByteArray("Host"), where().toUtf8()});
    const QByteArray request = protocol::SerializeRequest("POST", target, all, body);

    // A kept-alive connection the server has since closed fails before any answer arrives; that one is
    // worth a second try on a fresh connection. A fresh connection that fails is reported.
    for (;;) {
        const bool reused = socket_ && socket_->state() == QAbstractSocket::ConnectedState;
        if (!reused) connectSocket(deadline, timeoutMs);
        HttpAnswer answer;
        if (exchange(request, deadline, timeoutMs, answer) == Outcome::Answered) return answer;
        close();
        if (!reused) break;
    }
    throw TransportError(
        QStringLiteral("transport"),
        QStringLiteral("O servidor de aplicação em %1 encerrou a conexão sem responder.").arg(where()));
}

HttpTransport::Outcome HttpTransport::exchange(const QByteArray& request, const QDeadlineTimer& deadline,
                                               int timeoutMs, HttpAnswer& answer) {
    socket_->write(request);
    while (socket_->bytesToWrite() > 0) {
        if (socket_->waitForBytesWritten(remaining(deadline))) continue;
        if (deadline.hasExpired()) throw timedOut(timeoutMs);
        return Outcome::ClosedBeforeAnswer;
    }

    protocol::HttpReader reader(protocol::HttpReader::Kind::Response, {16 * 1024, kMaxAnswerBytes});
    QByteArray buffer;
    bool peerClosed = false;
    for (;;) {
        buffer += socket_->readAll();
        const auto state = reader.read(buffer);
        if (state == protocol::HttpReader::State::Complete) {
            answer.status = reader.head().status;
            answer.reason = reader.head().reason;
            answer.body = reader.body();
            if (!reader.keepAlive() || peerClosed) close();
            return Outcome::Answered;
        }
        if (state == protocol::HttpReader::State::Failed) {
            close();
            const QString detail = reader.failure() == protocol::HttpReader::Failure::BodyTooLarge
                                       ? QStringLiteral("resposta grande demais")
                                       : QStringLiteral("não é uma resposta HTTP válida");
            throw TransportError(
                QStringLiteral("bad_reply"),
                QStringLiteral("Resposta inválida do servidor de aplicação em %1: %2.").arg(where(), detail));
        }
        if (peerClosed) {
            if (!reader.started()) return Outcome::ClosedBeforeAnswer;
            close();
            throw TransportError(
                QStringLiteral("transport"),
                QStringLiteral("O servidor de aplicação em %1 encerrou a conexão no meio da resposta.")
                    .arg(where()));
        }
        if (deadline.hasExpired()) throw timedOut(timeoutMs);
        if (!socket_->waitForReadyRead(remaining(deadline))) {
            if (deadline.hasExpired() || socket_->error() == QAbstractSocket::SocketTimeoutError)
                throw timedOut(timeoutMs);
            peerClosed = true;  // read what came with the close, then decide
        }
    }
}

}  // namespace kpv::net
