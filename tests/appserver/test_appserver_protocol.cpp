// The real kpv-appserver's HTTP face: keep-alive and pipelining, malformed and oversize requests, unknown
// methods, wrong arguments, its limits and its token, the log line per call and the clean stop. Whatever
// a request does wrong, the data stays as it was.
#include "appserver_process.h"
#include "framework/core/errors.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "http_message.h"
#include "protocol/codec.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kpv;

namespace {

const QDate kUntil(2026, 6, 30);

struct Answer {
    int status = 0;  // 0: no answer
    QByteArray body;
    QByteArray connection;  // the Connection header
    QString code;
    QString message;
    bool closed = false;  // the server closed the connection after it
};

// One client connection, reading the server's answers one at a time.
class Client {
  public:
    bool open(const AppServerProcess& server) {
        socket_.connectToHost(server.host(), quint16(server.port()));
        return socket_.waitForConnected(5000);
    }
    void send(const QByteArray& bytes) {
        socket_.write(bytes);
        socket_.waitForBytesWritten(2000);
    }
    bool connected() const { return socket_.state() == QAbstractSocket::ConnectedState; }
    bool waitClosed(int ms) { return !connected() || socket_.waitForDisconnected(ms); }

    // The next answer, within `ms`; status 0 when none came.
    Answer read(int ms = 5000) {
        QElapsedTimer clock;
        clock.start();
        Answer a;
        std::optional<HttpMessage> answer;
        for (;;) {
            buffer_ += socket_.readAll();
            if ((answer = TakeHttpMessage(buffer_))) break;
            if (clock.elapsed() > ms ||
                (!socket_.waitForReadyRead(100) && !connected() && socket_.bytesAvailable() == 0)) {
                a.closed = !connected();
                return a;
            }
        }
        a.status = answer->status;
        a.body = answer->body;
        a.connection = answer->header("Connection");
        const QVariant payload = protocol::DecodeReply(a.body);
        if (payload.metaType() == QMetaType::fromType<protocol::Fault>()) {
            a.code = payload.value<protocol::Fault>().code;
            a.message = payload.value<protocol::Fault>().message;
        }
        if (a.connection == "close") a.closed = waitClosed(3000);
        return a;
    }

  private:
    QTcpSocket socket_;
    QByteArray buffer_;  // bytes of a pipelined answer already read
};

QByteArray post(const QByteArray& body, const QByteArray& extraHeaders = {}) {
    return "POST /call HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray call(const char* method, const QByteArray& args) {
    return QByteArray("{\"server\":\"Kpv41000.rdmEmissaoRPS\",\"method\":\"") + method +
           "\",\"args\":" + args + "}";
}

const QByteArray kAllInvoices =
    call("GetNotaFiscal",
         "[\"\",\"T\",\"01\",\"\",\"\",\"\",\"T\",\"2025-07-01\",\"2026-06-30\",\"S\",\"_1_2_3\"]");

}  // namespace

class AppServerProtocol : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    TestDatabase database_;
    std::unique_ptr<AppServerProcess> server_;   // tight limits
    std::unique_ptr<AppServerProcess> guarded_;  // with a token
    QByteArray invoicesBefore_;
    const QString token_ = QStringLiteral("s3gr3d0-compartilhado");

    static std::unique_ptr<Client> connect(const AppServerProcess& server) {
        auto client = std::make_unique<Client>();
        if (!client->open(server)) return nullptr;
        return client;
    }

    static Answer exchange(const AppServerProcess& server, const QByteArray& bytes) {
        Client client;
        if (!client.open(server)) return {};
        client.send(bytes);
        return client.read();
    }

  private Q_SLOTS:
    void initTestCase() {
        database_ = TestDatabase::Sqlite(dir_.path());
        QString error;
        QVERIFY2(RunDemoData(database_, 400, 5, kUntil, &error), qPrintable(error));
        AppServerLimits limits;
        limits.maxBodyBytes = 4096;
        limits.readTimeoutMs = 600;
        limits.idleTimeoutMs = 1500;
        limits.maxConnections = 4;
        server_ = std::make_unique<AppServerProcess>(database_, limits);
        QVERIFY2(server_->start(&error), qPrintable(error));
        AppServerLimits tokenLimits;
        tokenLimits.token = token_;
        guarded_ = std::make_unique<AppServerProcess>(database_, tokenLimits);
        QVERIFY2(guarded_->start(&error), qPrintable(error));
        const Answer all = exchange(*server_, post(kAllInvoices));
        QCOMPARE(all.status, 200);
        invoicesBefore_ = all.body;
        QVERIFY(invoicesBefore_.size() > 10000);
    }

    void badRequestsGetClearErrors_data() {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("closes");
        QTest::newRow("not JSON") << post("PreparaImpressao('0001','1')") << 400 << "bad_request"
                                  << "A requisição não é um JSON válido" << false;
        QTest::newRow("unknown method")
            << post(call("ApagaNotas", "[]")) << 404 << "unknown_method"
            << "Método desconhecido em Kpv41000.rdmEmissaoRPS: \"ApagaNotas\"." << false;
        QTest::newRow("unknown server")
            << post("{\"server\":\"Kpv41000.rdmOutro\",\"method\":\"GetTipoOper\",\"args\":[]}") << 404
            << "unknown_server"
            << "Servidor desconhecido" << false;
        QTest::newRow("wrong argument count")
            << post(call("PreparaImpressao", "[\"0001\"]")) << 422 << "argument_count"
            << "O método PreparaImpressao espera 2 argumentos e recebeu 1." << false;
        QTest::newRow("cancel with too many arguments")
            << post(call("CancelaEmissao", "[\"0001\",\"0000000001\",\"0000000002\"]")) << 422
            << "argument_count"
            << "O método CancelaEmissao espera 2 argumentos e recebeu 3." << false;
        QTest::newRow("wrong argument type")
            << post(call("CancelaEmissao", "[\"0001\",1]")) << 422 << "argument_type"
            << "O argumento 2 de CancelaEmissao deve ser um texto." << false;
        QTest::newRow("GET") << QByteArray("GET /call HTTP/1.1\r\nHost: x\r\n\r\n") << 405
                             << "method_not_allowed"
                             << "Método HTTP GET não aceito (use POST)." << false;
        QTest::newRow("other path") << QByteArray("POST /admin HTTP/1.1\r\nContent-Length: 2\r\n\r\n{}")
                                    << 404 << "not_found"
                                    << "Recurso inexistente: /admin (use POST /call)." << false;
        QTest::newRow("oversize body")
            << QByteArray("POST /call HTTP/1.1\r\nContent-Length: 5000\r\n\r\n") << 413 << "payload_too_large"
            << "Requisição grande demais: 5000 bytes (máximo 4096)." << true;
        QTest::newRow("oversize body sent whole") << post(QByteArray(6000, ' ')) << 413 << "payload_too_large"
                                                  << "Requisição grande demais: 6000 bytes" << true;
        QTest::newRow("huge head") << "POST /call HTTP/1.1\r\nX-Padding: " + QByteArray(20000, 'a') +
                                          "\r\n\r\n"
                                   << 431 << "header_too_large"
                                   << "Cabeçalho HTTP grande demais." << true;
        QTest::newRow("chunked body")
            << QByteArray("POST /call HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n{}{}\r\n0\r\n\r\n")
            << 501 << "not_implemented"
            << "Corpo da requisição sem Content-Length" << true;
        QTest::newRow("a TLS handshake")
            << QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11) << 400 << "tls_not_served"
            << "Uma conexão segura (HTTPS) chegou a este servidor de aplicação, que "
               "não usa TLS (sem tlsCert e tlsKey)."
            << true;
        QTest::newRow("not HTTP") << QByteArray("\x01\x02\x03 garbage\r\n\r\n", 14) << 400 << "bad_request"
                                  << "Requisição HTTP malformada." << true;
        QTest::newRow("HTTP/2 preface")
            << QByteArray("PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n") << 400 << "bad_request"
            << "Requisição HTTP malformada." << true;
        QTest::newRow("negative length")
            << QByteArray("POST /call HTTP/1.1\r\nContent-Length: -5\r\n\r\n") << 400 << "bad_request"
            << "Requisição HTTP malformada." << true;
    }
    void badRequestsGetClearErrors() {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, message);
        QFETCH(bool, closes);
        const Answer a = exchange(*server_, request);
        QCOMPARE(a.status, status);
        QCOMPARE(a.code, code);
        QVERIFY2(a.message.startsWith(message), qPrintable(a.message));
        QCOMPARE(a.closed, closes);
        QCOMPARE(a.connection, closes ? QByteArray("close") : QByteArray("keep-alive"));
    }

    void keepAliveAndPipelining() {
        auto client = connect(*server_);
        QVERIFY(client);
        const QByteArray types = post(call("GetTipoOper", "[\"\",\"T\",\"S\"]"));
        client->send(types);
        Answer first = client->read();
        QCOMPARE(first.status, 200);
        QVERIFY(!first.closed);
        // Three requests in one write: three answers, in order, on the same connection.
        client->send(post(call("GetTipoOper", "[\"\",\"T\",\"E\"]")) + post(call("Nada", "[]")) + types);
        const Answer a = client->read();
        const Answer b = client->read();
        const Answer c = client->read();
        QCOMPARE(a.status, 200);
        QVERIFY(a.body.contains("\"E01\""));
        QCOMPARE(b.status, 404);
        QCOMPARE(c.body, first.body);
        QVERIFY(client->connected());
        // "Connection: close" is honoured.
        client->send(post(call("GetTipoOper", "[\"\",\"T\",\"S\"]"), "Connection: close\r\n"));
        const Answer last = client->read();
        QCOMPARE(last.status, 200);
        QVERIFY(last.closed);
    }

    void slowRequestTimesOut() {
        auto client = connect(*server_);
        QVERIFY(client);
        QElapsedTimer clock;
        clock.start();
        client->send("POST /call HTTP/1.1\r\nContent-Length: 100\r\n\r\n{\"server\":");
        const Answer a = client->read(5000);
        QCOMPARE(a.status, 408);
        QCOMPARE(a.code, QStringLiteral("request_timeout"));
        QCOMPARE(a.message, QStringLiteral("A requisição não chegou inteira em 600 ms."));
        QVERIFY(a.closed);
        QVERIFY2(clock.elapsed() >= 500, "answered before the read limit");
    }

    void idleConnectionIsClosed() {
        auto client = connect(*server_);
        QVERIFY(client);
        QVERIFY(client->waitClosed(5000));
    }

    void connectionLimit() {
        QTest::qWait(300);  // the connections of the tests before are gone
        std::vector<std::unique_ptr<Client>> held;
        for (int i = 0; i < 4; ++i) {
            held.push_back(connect(*server_));
            QVERIFY(held.back());
        }
        // The server has seen them all once the fourth is served.
        held.back()->send(post(call("GetTipoOper", "[\"\",\"T\",\"S\"]")));
        QCOMPARE(held.back()->read().status, 200);
        auto extra = connect(*server_);
        QVERIFY(extra);
        const Answer refused = extra->read();
        QCOMPARE(refused.status, 503);
        QCOMPARE(refused.code, QStringLiteral("too_many_connections"));
        QCOMPARE(refused.message,
                 QStringLiteral("O servidor de aplicação atingiu o limite de 4 conexões simultâneas."));
        QVERIFY(refused.closed);
        held.clear();
        // Freed places are taken again.
        QTRY_COMPARE_WITH_TIMEOUT(exchange(*server_, post(call("GetTipoOper", "[\"\",\"T\",\"S\"]"))).status,
                                  200, 5000);
    }

    void token_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("status");
        QTest::newRow("missing") << QByteArray() << 401;
        QTest::newRow("wrong") << QByteArray("Authorization: Bearer outro\r\n") << 401;
        QTest::newRow("wrong scheme") << ("Authorization: Basic " + token_.toUtf8() + "\r\n") << 401;
        QTest::newRow("longer") << ("Authorization: Bearer " + token_.toUtf8() + "x\r\n") << 401;
        QTest::newRow("right") << ("Authorization: Bearer " + token_.toUtf8() + "\r\n") << 200;
    }
    void token() {
        QFETCH(QByteArray, header);
        QFETCH(int, status);
        const Answer a = exchange(*guarded_, post(call("GetTipoOper", "[\"\",\"T\",\"S\"]"), header));
        QCOMPARE(a.status, status);
        if (status == 401) {
            QCOMPARE(a.code, QStringLiteral("unauthorized"));
            QCOMPARE(a.message, QStringLiteral("Token de acesso ao servidor de aplicação inválido."));
        }
    }

    void connectionSendsItsToken_data() {
        QTest::addColumn<QString>("token");
        QTest::addColumn<QString>("error");
        QTest::newRow("right") << token_ << "";
        QTest::newRow("none") << ""
                              << "Token de acesso ao servidor de aplicação inválido.";
        QTest::newRow("wrong") << "x"
                               << "Token de acesso ao servidor de aplicação inválido.";
    }
    void connectionSendsItsToken() {
        QFETCH(QString, token);
        QFETCH(QString, error);
        net::TNetConnection connection(nullptr, "netEmissaoRPS");
        connection.ServerName = "Kpv41000.rdmEmissaoRPS";
        connection.Token = token;
        connection.SetHost(guarded_->host());
        connection.SetPort(guarded_->port());
        connection.SetConnected(true);
        try {
            const QVariant packet = CheckResultServ(
                connection.AppServer().Call("GetTipoOper", {"", "T", "S"}), true, rkDataPacket);
            QVERIFY2(error.isEmpty(), "the server took a bad token");
            QCOMPARE(int(packet.value<protocol::DataPacket>().rows().size()), 6);
        } catch (const Error& e) {
            QCOMPARE(e.message(), error);
        }
    }

    // Guessing from one address: ten different wrong tokens within a minute refuse the address for a minute,
    // even with the right token, and the log says so once. A neighbour's stale token behind the same
    // address, sent again and again, is refused alone: the right token still gets in.
    void tokenGuessingIsSlowedDown_data() {
        QTest::addColumn<bool>("sameWrongToken");
        QTest::addColumn<int>("rightTokenAnswer");
        QTest::addColumn<QString>("logged");
        QTest::newRow("ten different guesses") << false << 429 << "different wrong tokens within a minute";
        QTest::newRow("one stale token, ten times")
            << true << 200 << "the other tokens of that address are not";
    }
    void tokenGuessingIsSlowedDown() {
        QFETCH(bool, sameWrongToken);
        QFETCH(int, rightTokenAnswer);
        QFETCH(QString, logged);
        AppServerLimits limits;
        limits.token = token_;
        AppServerProcess server(database_, limits);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const QByteArray lookup = call("GetTipoOper", "[\"\",\"T\",\"S\"]");
        const auto wrong = [&](int guess) -> QByteArray {
            return "Authorization: Bearer palpite" + QByteArray::number(sameWrongToken ? 0 : guess) + "\r\n";
        };
        for (int guess = 0; guess < 10; ++guess)
            QCOMPARE(exchange(server, post(lookup, wrong(guess))).status, 401);
        const Answer stale = exchange(server, post(lookup, wrong(0)));
        QCOMPARE(stale.status, 429);
        QCOMPARE(stale.code, QStringLiteral("too_many_attempts"));
        for (int more = 0; more < 3; ++more) {
            const Answer a =
                exchange(server, post(lookup, "Authorization: Bearer " + token_.toUtf8() + "\r\n"));
            QCOMPARE(a.status, rightTokenAnswer);
        }
        QTRY_COMPARE(server.log().count(logged), 1);
    }

    // HTTPS with a certificate made now: a client that trusts its authority is served, one that trusts
    // another authority refuses the server, and a client of the other kind is told what it met.
    void tls() {
        const QString ca = dir_.filePath("ca"), other = dir_.filePath("other"),
                      cert = dir_.filePath("server");
        const auto openssl = [](const QStringList& args) {
            QProcess p;
            p.start("openssl", args);
            return p.waitForFinished(60000) && p.exitCode() == 0;
        };
        for (const QString& authority : {ca, other}) {
            QVERIFY(openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                             "/CN=Autoridade de teste", "-keyout", authority + ".key", "-out",
                             authority + ".pem"}));
        }
        QVERIFY(openssl({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
                         cert + ".key", "-out", cert + ".csr"}));
        QFile ext(cert + ".ext");
        QVERIFY(ext.open(QIODevice::WriteOnly));
        ext.write("subjectAltName=IP:127.0.0.1\n");
        ext.close();
        QVERIFY(openssl({"x509", "-req", "-in", cert + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key",
                         "-CAcreateserial", "-days", "2", "-extfile", cert + ".ext", "-out", cert + ".pem"}));
        AppServerLimits limits;
        limits.more = QStringLiteral("tlsCert=%1.pem\ntlsKey=%1.key").arg(cert);
        AppServerProcess server(database_, limits);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));

        const auto lookup = [&](bool tls, const QString& authority) {
            net::TNetConnection connection(nullptr, "netEmissaoRPS");
            connection.ServerName = "Kpv41000.rdmEmissaoRPS";
            connection.UseTls = tls;
            connection.CaFile = authority;
            connection.Timeout = 3000;
            connection.SetHost(server.host());
            connection.SetPort(server.port());
            connection.SetConnected(true);
            return connection.AppServer().Call("GetTipoOper", {"", "T", "S"});
        };
        const QVariant trusted = lookup(true, ca + ".pem");
        QVERIFY(trusted.canConvert<protocol::DataPacket>());
        QCOMPARE(int(trusted.value<protocol::DataPacket>().rowCount()), 6);
        const QVariant impostor = lookup(true, other + ".pem");
        QVERIFY(impostor.metaType() == QMetaType::fromType<protocol::Fault>());
        QCOMPARE(impostor.value<protocol::Fault>().code, QStringLiteral("tls"));
        QVERIFY2(impostor.value<protocol::Fault>().message.startsWith(
                     QStringLiteral("Conexão segura com o servidor de aplicação em 127.0.0.1:%1 recusada")
                         .arg(server.port())),
                 qPrintable(impostor.value<protocol::Fault>().message));
        // Plain HTTP to the HTTPS server, and HTTPS to a plain server: each side says what it met, and the
        // server logs the plain request it refused.
        const QVariant plain = lookup(false, QString());
        QVERIFY(plain.metaType() == QMetaType::fromType<protocol::Fault>());
        QCOMPARE(
            plain.value<protocol::Fault>().message,
            QStringLiteral("Este servidor de aplicação só aceita conexões seguras (HTTPS); a estação deve "
                           "ter [server] caFile (ou tls=true) no seu kpv.ini."));
        QTRY_VERIFY(server.log().contains(QStringLiteral("error https_required")));
        net::TNetConnection toPlain(nullptr, "netEmissaoRPS");
        toPlain.ServerName = "Kpv41000.rdmEmissaoRPS";
        toPlain.UseTls = true;
        toPlain.CaFile = ca + ".pem";
        toPlain.SetHost(server_->host());
        toPlain.SetPort(server_->port());
        toPlain.SetConnected(true);
        const QVariant secure = toPlain.AppServer().Call("GetTipoOper", {"", "T", "S"});
        QVERIFY(secure.metaType() == QMetaType::fromType<protocol::Fault>());
        QCOMPARE(secure.value<protocol::Fault>().message,
                 QStringLiteral("O servidor de aplicação em 127.0.0.1:%1 não usa conexão segura (HTTPS), mas "
                                "esta estação está configurada para ela ([server] caFile ou tls=true no "
                                "kpv.ini). Use a mesma escolha do servidor.")
                     .arg(server_->port()));
        QTRY_VERIFY(server_->log().contains(QStringLiteral("error tls_not_served")));
        QCOMPARE(server.stop(), 0);
    }

    void eachCallLeavesOneLogLine() {
        QVERIFY(exchange(*server_, post(call("GetTipoOper", "[\"\",\"T\",\"E\"]"))).status == 200);
        QVERIFY(exchange(*server_, post(call("PreparaImpressao", "[\"0001\",\"9999999999\"]"))).status ==
                200);
        QVERIFY(exchange(*server_, post(call("Sumir", "[]"))).status == 404);
        const QString time =
            QStringLiteral("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3} 127\\.0\\.0\\.1:\\d+ ");
        for (const QString& pattern :
             QStringList{time + "GetTipoOper \\d+\\.\\d ms ok 3 rows$",
                         time + "PreparaImpressao \\d+\\.\\d ms refused: Nota fiscal não encontrada "
                                "\\(filial 0001, lançamento 9999999999\\)\\.$",
                         time + "Sumir \\d+\\.\\d ms error unknown_method: Método desconhecido",
                         time + "- 0\\.0 ms error payload_too_large: .* \\(HTTP 413\\)$"}) {
            // A call's line is written once its answer is out, a moment after the client has it.
            const QRegularExpression line(pattern, QRegularExpression::MultilineOption);
            QTRY_VERIFY2(line.match(server_->log()).hasMatch(),
                         qPrintable(pattern + "\n" + server_->log().right(2000)));
        }
    }

    void badRequestsLeftTheDataAsItWas() {
        const Answer after = exchange(*server_, post(kAllInvoices));
        QCOMPARE(after.status, 200);
        QVERIFY(after.body == invoicesBefore_);
    }

    void stopsCleanlyOnSigterm() {
        const auto idle = connect(*server_);
        QVERIFY(idle);
        QElapsedTimer clock;
        clock.start();
        const int code = server_->stop();
        QVERIFY2(code == 0,
                 qPrintable(QStringLiteral("exit code %1\n").arg(code) + server_->log().right(4000)));
        QVERIFY2(clock.elapsed() < 5000, "an idle client held the stop back");
        QVERIFY(server_->log().contains(QRegularExpression("signal 15: stopping\\n.*stopped\\n$")));
        QCOMPARE(guarded_->stop(), 0);
    }

    // Every value the server cannot work with stops it at start with exit code 1 and a message naming it.
    void refusesToStartWithoutItsPlace_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("server");  // the [server] group written to @ini
        QTest::addColumn<QString>("error");
        const QStringList plain{"--config", "@ini"};
        QTest::newRow("missing configuration")
            << QStringList{"--config", "/nonexistent/kpv.ini"} << ""
            << "kpv-appserver: arquivo de configuração não encontrado: /nonexistent/kpv.ini";
        // Without a file in the folder it is started from, it stops rather than serve a database of its own.
        QTest::newRow("no configuration in the folder")
            << QStringList{} << ""
            << "kpv-appserver: arquivo de configuração não encontrado: kpv.ini";
        QTest::newRow("bad port") << QStringList{"--config", "@ini", "--port", "oito"} << ""
                                  << "kpv-appserver: porta inválida: oito";
        QTest::newRow("port out of range") << QStringList{"--config", "@ini", "--port", "70000"} << ""
                                           << "kpv-appserver: porta inválida: 70000";
        QTest::newRow("port in use")
            << QStringList{"--config", "@ini", "--port", "@busy"} << ""
            << "kpv-appserver: Não foi possível escutar em 127.0.0.1:@busy: o endereço já "
               "está em uso por outro programa.";
        QTest::newRow("unknown engine") << QStringList{"--config", "@bad-engine"} << ""
                                        << "kpv-appserver: configuração inválida: [database] engine=db2 (use "
                                           "sqlite, firebird, oracle ou mssql)";
        const auto key = [&](const char* name, const char* line, const char* message) {
            QTest::newRow(name) << plain << QString::fromUtf8(line)
                                << QStringLiteral("kpv-appserver: configuração inválida: ") +
                                       QString::fromUtf8(message);
        };
        key("body limit not a number", "maxBodyBytes=abc", "[server] maxBodyBytes=abc (esperado");
        key("no connections", "maxConnections=0", "[server] maxConnections=0 (esperado");
        key("no idle time", "idleTimeoutMs=0", "[server] idleTimeoutMs=0 (esperado");
        key("no read time", "readTimeoutMs=-5", "[server] readTimeoutMs=-5 (esperado");
        key("no workers", "workers=0", "[server] workers=0 (esperado");
        key("deadline past the clients' patience", "deadlineMs=30000", "[server] deadlineMs=30000 (esperado");
        key("address that is none", "host=300.1.1.1", "[server] host=300.1.1.1 (esperado");
        key("key without certificate", "tlsKey=/etc/hostname", "[server] tlsCert= (tlsCert e tlsKey");
        key("certificate that is not there", "tlsCert=/nonexistent.pem\ntlsKey=/nonexistent.key",
            "[server] tlsCert=/nonexistent.pem (arquivo PEM");
        key("clear text beyond this machine", "host=*",
            "[server] host=* (um endereço além desta máquina exige TLS");
        key("clear text not said plainly", "host=*\nacceptClearText=talvez",
            "[server] acceptClearText=talvez");
        // A shared token is no longer enough there: every clerk signs in with an account.
        key("no accounts beyond this machine", "host=*\nacceptClearText=true\ntoken=segredo",
            "[server] host=* (um endereço além desta máquina exige contas de usuário no banco de dados");
        key("a key nobody reads", "tokn=segredo", "[server] tokn=segredo (chave desconhecida)");
        key("database port", "[database]\nport=x", "[database] port=x (esperado");
    }
    void refusesToStartWithoutItsPlace() {
        QFETCH(QStringList, args);
        QFETCH(QString, server);
        QFETCH(QString, error);
        QTcpServer busy;
        QVERIFY(busy.listen(QHostAddress::LocalHost));
        const QString busyPort = QString::number(busy.serverPort());
        const QString ini = dir_.filePath("plain.ini");
        const QString badEngine = dir_.filePath("bad-engine.ini");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // A [database] line in the row comes after the group, so the database's own keys stay whole.
        f.write(("[server]\nport=0\n" + server + "\n\n" + database_.iniGroup()).toUtf8());
        f.close();
        QFile g(badEngine);
        QVERIFY(g.open(QIODevice::WriteOnly));
        g.write("[database]\nengine=db2\n");
        g.close();
        for (QString& a : args)
            a.replace("@ini", ini).replace("@bad-engine", badEngine).replace("@busy", busyPort);
        error.replace("@busy", busyPort);
        QTemporaryDir empty;
        QProcess process;
        process.setWorkingDirectory(empty.path());
        process.start(BuildProgram("kpv-appserver"), args);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 1);
        const QString stderrText = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(stderrText.startsWith(error), qPrintable(stderrText));
        QVERIFY2(QDir(empty.path()).isEmpty(), "the server left a file where it was started");
    }
};

QTEST_GUILESS_MAIN(AppServerProtocol)
#include "test_appserver_protocol.moc"
