// TNetConnection and CheckResultServ against peers that misbehave in every way a network can: nobody
// listening, silence, garbage, half an answer, a closed kept-alive connection, an HTTP error page. Each
// call ends within its timeout with a clear Portuguese error; good answers come back as payloads.
#include "framework/core/context.h"
#include "framework/core/errors.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "protocol/codec.h"
#include "scripted_peer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>

using namespace kpv;
using namespace kpv::net;
using namespace kpv::protocol;

namespace {

// Keeps the connection open and silent for a while.
void stall(QTcpSocket& socket, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms && socket.state() == QAbstractSocket::ConnectedState)
        socket.waitForReadyRead(20);
}

std::unique_ptr<TNetConnection> connectionTo(int port, int timeoutMs = 800) {
    auto c = std::make_unique<TNetConnection>(nullptr, "netEmissaoRPS");
    c->ServerName = "Kpv41000.rdmEmissaoRPS";
    c->Timeout = timeoutMs;
    c->BeforeConnect = [c = c.get(), port](QObject*) {
        c->SetHost("127.0.0.1");
        c->SetPort(port);
    };
    c->SetConnected(true);
    return c;
}

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();  // closed again when `probe` goes: nobody listens there
}

}  // namespace

class Connection : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void failedCallsEndWithinTheTimeout_data() {
        QTest::addColumn<QString>("behaviour");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("nobody listening")
            << "down"
            << "transport"
            << "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:%1: conexão recusada.";
        QTest::newRow("silence") << "silent"
                                 << "timeout"
                                 << "O servidor de aplicação em 127.0.0.1:%1 não respondeu em 800 ms.";
        QTest::newRow("a trickle that never ends")
            << "trickle"
            << "timeout"
            << "O servidor de aplicação em 127.0.0.1:%1 não respondeu em 800 ms.";
        QTest::newRow("not HTTP")
            << "garbage"
            << "bad_reply"
            << "Resposta inválida do servidor de aplicação em 127.0.0.1:%1: não é uma resposta HTTP válida.";
        QTest::newRow("HTTP without length")
            << "no-length"
            << "bad_reply"
            << "Resposta inválida do servidor de aplicação em 127.0.0.1:%1: não é uma resposta HTTP válida.";
        QTest::newRow("closes without answer")
            << "hang-up"
            << "transport"
            << "O servidor de aplicação em 127.0.0.1:%1 encerrou a conexão sem responder.";
        QTest::newRow("half an answer")
            << "half"
            << "transport"
            << "O servidor de aplicação em 127.0.0.1:%1 encerrou a conexão no meio da resposta.";
        QTest::newRow("error page") << "html-500"
                                    << "http_500"
                                    << "O servidor de aplicação em 127.0.0.1:%1 respondeu HTTP 500 X.";
        QTest::newRow("JSON that is no reply")
            << "json-junk"
            << "bad_reply"
            << "Resposta inválida do servidor de aplicação em 127.0.0.1:%1: A resposta do "
               "servidor de aplicação não traz resultado.";
        QTest::newRow("server error") << "fault"
                                      << "database_error"
                                      << "Erro no banco de dados: disco cheio.";
    }
    void failedCallsEndWithinTheTimeout() {
        QFETCH(QString, behaviour);
        QFETCH(QString, code);
        QFETCH(QString, message);
        std::unique_ptr<ScriptedPeer> peer;
        int port = 0;
        if (behaviour == "down") {
            port = freePort();
        } else {
            peer = std::make_unique<ScriptedPeer>([behaviour](QTcpSocket& s, const HttpMessage&) {
                if (behaviour == "silent") stall(s, 3000);
                if (behaviour == "trickle") {
                    s.write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
                    for (int i = 0; i < 60 && s.state() == QAbstractSocket::ConnectedState; ++i) {
                        s.write("x");
                        s.flush();
                        QThread::msleep(50);
                    }
                }
                if (behaviour == "garbage") {
                    s.write("Hello! This is not the server you are looking for.\n");
                    stall(s, 3000);
                }
                if (behaviour == "no-length") {
                    s.write(
                        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{\"result\":[\"S\",\"\"]}");
                    stall(s, 3000);
                }
                if (behaviour == "hang-up") s.abort();
                if (behaviour == "half") {
                    s.write("HTTP/1.1 200 OK\r\nContent-Length: 200\r\n\r\n{\"result\":");
                    s.waitForBytesWritten(500);
                    s.disconnectFromHost();
                }
                if (behaviour == "html-500") AnswerHttp(s, 500, "<h1>Internal Server Error</h1>");
                if (behaviour == "json-junk") AnswerHttp(s, 200, "{\"hello\":\"world\"}");
                if (behaviour == "fault")
                    AnswerHttp(s, 500,
                               protocol::EncodeFaultReply(
                                   {"database_error", "Erro no banco de dados: disco cheio."}));
            });
            port = peer->port();
        }
        auto connection = connectionTo(port);
        QElapsedTimer clock;
        clock.start();
        const QVariant result = connection->AppServer().Call("GetTipoOper", {"", "T", "S"});
        QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(result.metaType() == QMetaType::fromType<Fault>());
        QCOMPARE(result.value<Fault>().code, code);
        const QString expected = message.contains("%1") ? message.arg(port) : message;
        QCOMPARE(result.value<Fault>().message, expected);

        // CheckResultServ raises the same text for the user; without `show` it hands back nothing.
        try {
            CheckResultServ(result, true, rkAny);
            QFAIL("CheckResultServ let a failed call through");
        } catch (const Error& e) {
            QCOMPARE(e.message(), expected);
        }
        QVERIFY(!CheckResultServ(result, false, rkAny).isValid());

        // With ThrowException the call itself raises it.
        connection->ThrowException = true;
        if (behaviour == "down" || behaviour == "fault" || behaviour == "html-500" ||
            behaviour == "json-junk") {
            QVERIFY_THROWS_EXCEPTION(Error, connection->AppServer().Call("GetTipoOper", {"", "T", "S"}));
        }
    }

    void goodAnswersComeBackAsPayloads() {
        DataPacket packet({{"CHAVE", TFieldType::ftString, 3}});
        packet.appendRow({"S01"});
        ScriptedPeer peer([&](QTcpSocket& s, const HttpMessage& request) {
            const protocol::Call call = protocol::DecodeCall(request.body);
            if (call.method == "GetTipoOper")
                AnswerHttp(s, 200, protocol::EncodePacketReply(packet));
            else
                AnswerHttp(s, 200, protocol::EncodeStatusReply("N", "Nota fiscal não encontrada."));
        });
        auto connection = connectionTo(peer.port());
        const QVariant types =
            CheckResultServ(connection->AppServer().Call("GetTipoOper", {"", "T", "S"}), true, rkDataPacket);
        QCOMPARE(types.value<DataPacket>().column(0).text(0), QStringLiteral("S01"));
        const QVariant status = CheckResultServ(
            connection->AppServer().Call("PreparaImpressao", {"0001", "1"}), true, rkStatusArray);
        QCOMPARE(status.toList(), (QVariantList{"N", "Nota fiscal não encontrada."}));
        // Both calls went over one kept-alive connection.
        QCOMPARE(peer.connections(), 1);
        // A payload of the other kind than asked for is refused.
        QVERIFY_THROWS_EXCEPTION(Error, CheckResultServ(types, true, rkStatusArray));
        QVERIFY_THROWS_EXCEPTION(Error, CheckResultServ(status, true, rkDataPacket));
    }

    void checkResultServ_data() {
        QTest::addColumn<QVariant>("result");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("error");
        QTest::newRow("status array") << QVariant(QVariantList{"S", ""}) << int(rkAny) << "";
        QTest::newRow("packet") << QVariant::fromValue(DataPacket{}) << int(rkDataPacket) << "";
        QTest::newRow("fault") << QVariant::fromValue(Fault{"timeout", "O servidor não respondeu."})
                               << int(rkAny) << "O servidor não respondeu.";
        QTest::newRow("nothing") << QVariant() << int(rkAny)
                                 << "Resposta inesperada do servidor de aplicação.";
        QTest::newRow("a bare text") << QVariant("S") << int(rkAny)
                                     << "Resposta inesperada do servidor de aplicação.";
        QTest::newRow("array of one")
            << QVariant(QVariantList{"S"}) << int(rkAny) << "Resposta inesperada do servidor de aplicação.";
        QTest::newRow("packet for status")
            << QVariant::fromValue(DataPacket{}) << int(rkStatusArray)
            << "O servidor de aplicação devolveu um resultado de tipo inesperado para esta chamada.";
    }
    void checkResultServ() {
        QFETCH(QVariant, result);
        QFETCH(int, kind);
        QFETCH(QString, error);
        try {
            const QVariant payload = CheckResultServ(result, true, kind);
            QVERIFY2(error.isEmpty(), "an error was expected");
            QCOMPARE(payload.metaType(), result.metaType());
        } catch (const Error& e) {
            QCOMPARE(e.message(), error);
        }
    }

    // The server closed the kept-alive connection while it was idle: the next call opens a new one.
    void staleKeptAliveConnectionIsReplaced() {
        ScriptedPeer peer([](QTcpSocket& s, const HttpMessage&) {
            AnswerHttp(s, 200, protocol::EncodeStatusReply("S", ""));
            s.waitForBytesWritten(500);
            s.disconnectFromHost();  // without saying "Connection: close"
        });
        auto connection = connectionTo(peer.port());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(connection->AppServer().Call("PreparaImpressao", {"0001", "1"}).toList(),
                     (QVariantList{"S", ""}));
            QThread::msleep(50);
        }
        QCOMPARE(peer.connections(), 3);
    }

    void sendsTheToken_data() {
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("context");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("none") << ""
                              << "" << QByteArray();
        QTest::newRow("from the context") << ""
                                          << "ctx-token" << QByteArray("Bearer ctx-token");
        QTest::newRow("its own first") << "own-token"
                                       << "ctx-token" << QByteArray("Bearer own-token");
    }
    void sendsTheToken() {
        QFETCH(QString, own);
        QFETCH(QString, context);
        QFETCH(QByteArray, sent);
        ScriptedPeer peer([](QTcpSocket& s, const HttpMessage&) {
            AnswerHttp(s, 200, protocol::EncodeStatusReply("S", ""));
        });
        Context().webToken = context;
        auto connection = connectionTo(peer.port());
        connection->Token = own;
        connection->AppServer().Call("CancelaEmissao", {"0001", "1"});
        Context().webToken.clear();
        QCOMPARE(peer.lastAuthorization(), sent);
    }

    void switchingOnAndOff() {
        TNetConnection connection(nullptr, "netEmissaoRPS");
        QCOMPARE(connection.objectName(), QStringLiteral("netEmissaoRPS"));
        QVERIFY(!connection.ThrowException);
        QVERIFY(!connection.Connected());
        // Not switched on: a call fails without touching the network.
        const QVariant early = connection.AppServer().Call("GetTipoOper", {});
        QCOMPARE(early.value<Fault>().message,
                 QStringLiteral("A conexão com o servidor de aplicação não está ativa."));

        QStringList steps;
        connection.BeforeConnect = [&](QObject* sender) {
            QCOMPARE(sender, &connection);
            steps << "BeforeConnect";
            connection.SetHost(" 127.0.0.1 ");
            connection.SetPort(freePort());
        };
        connection.SetConnected(true);  // nobody listens, and without ThrowException that is not checked
        QVERIFY(connection.Connected());
        QCOMPARE(connection.Host(), QStringLiteral("127.0.0.1"));
        connection.SetConnected(true);  // already on: BeforeConnect does not run again
        QCOMPARE(steps, QStringList{"BeforeConnect"});
        connection.SetConnected(false);
        QVERIFY(!connection.Connected());
    }

    void badAddressesAreRefused_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("throwException");
        QTest::addColumn<QString>("error");
        QTest::newRow("port too large") << "127.0.0.1" << 70000 << false
                                        << "Endereço do servidor de aplicação inválido: \"127.0.0.1:70000\".";
        QTest::newRow("no port") << "127.0.0.1" << 0 << false
                                 << "Endereço do servidor de aplicação inválido: \"127.0.0.1:0\".";
        QTest::newRow("no host") << "" << 8410 << false
                                 << "Endereço do servidor de aplicação inválido: \":8410\".";
        QTest::newRow("unreachable with ThrowException")
            << "127.0.0.1" << -1 << true
            << "Não foi possível conectar ao servidor de aplicação em 127.0.0.1:%1: "
               "conexão recusada.";
    }
    void badAddressesAreRefused() {
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(bool, throwException);
        QFETCH(QString, error);
        if (port < 0) {
            port = freePort();
            error = error.arg(port);
        }
        TNetConnection connection(nullptr, "netEmissaoRPS");
        connection.ThrowException = throwException;
        connection.Timeout = 800;
        connection.BeforeConnect = [&](QObject*) {
            connection.SetHost(host);
            connection.SetPort(port);
        };
        try {
            connection.SetConnected(true);
            QFAIL("switched on");
        } catch (const Error& e) {
            QCOMPARE(e.message(), error);
        }
        QVERIFY(!connection.Connected());
    }
};

QTEST_GUILESS_MAIN(Connection)
#include "test_connection.moc"
