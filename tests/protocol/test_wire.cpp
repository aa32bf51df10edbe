// The wire encoding shared by the connection and the server: calls, data packets, status arrays and
// faults, and the HTTP framing read piece by piece.
#include "protocol/codec.h"

#include <QtTest>

#include <cmath>

using namespace kpv::protocol;

namespace {

DataPacket samplePacket() {
    DataPacket p;
    p.fields = {{"IDCHECK", TFieldType::ftFixedChar, 1},
                {"NMRAZSOCCLIE", TFieldType::ftString, 50},
                {"DTENTRSAID", TFieldType::ftDateTime, 0},
                {"VRNOTAFISC", TFieldType::ftFloat, 0},
                {"NRULTRPS", TFieldType::ftInteger, 0}};
    p.rows.push_back({"N", QString::fromUtf8("Ação \"Ótima\" \\ Ltda\n\ttab\x01"),
                      QDateTime(QDate(2026, 5, 31), QTime(23, 59, 58)), 1234567.89,
                      qint64(9007199254740991)});
    p.rows.push_back({"S", QVariant(), QVariant(), 0.1, qint64(-3)});
    p.rows.push_back({"N", QString(), QDateTime(QDate(2000, 1, 1), QTime(0, 0)), -0.5, QVariant()});
    return p;
}


}  // namespace

class Wire : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void packetsTravelWhole() {
        const DataPacket sent = samplePacket();
        const QVariant received = DecodeReply(EncodePacketReply(sent));
        QVERIFY(received.metaType() == QMetaType::fromType<DataPacket>());
        const DataPacket p = received.value<DataPacket>();
        QCOMPARE(p.fields.size(), sent.fields.size());
        for (int i = 0; i < p.fields.size(); ++i) {
            QCOMPARE(p.fields[i].name, sent.fields[i].name);
            QCOMPARE(int(p.fields[i].type), int(sent.fields[i].type));
            QCOMPARE(p.fields[i].size, sent.fields[i].size);
        }
        QCOMPARE(p.rows.size(), sent.rows.size());
        for (size_t r = 0; r < p.rows.size(); ++r) {
            for (int c = 0; c < p.fields.size(); ++c) {
                const QVariant& a = p.rows[r][c];
                const QVariant& b = sent.rows[r][c];
                QCOMPARE(a.isNull(),
                         b.isNull() || (b.metaType().id() == QMetaType::QString && b.toString().isNull()));
                if (a.isNull()) continue;
                if (p.fields[c].type == TFieldType::ftDateTime)
                    QCOMPARE(a.toDateTime(), b.toDateTime());
                else if (p.fields[c].type == TFieldType::ftFloat)
                    QCOMPARE(a.toDouble(), b.toDouble());
                else if (p.fields[c].type == TFieldType::ftInteger)
                    QCOMPARE(a.toLongLong(), b.toLongLong());
                else
                    QCOMPARE(a.toString(), b.toString());
            }
        }
        QVERIFY(p.rows[0][2].toDateTime().timeSpec() == Qt::LocalTime);
    }

    void anInvalidDateOrNumberTravelsAsNull() {
        DataPacket p;
        p.fields = {{"DTEMISRPS", TFieldType::ftDateTime, 0}, {"VRISS", TFieldType::ftFloat, 0}};
        p.rows.push_back({QDateTime(), std::nan("")});
        const DataPacket back = DecodeReply(EncodePacketReply(p)).value<DataPacket>();
        QVERIFY(back.rows[0][0].isNull());
        QVERIFY(back.rows[0][1].isNull());
    }

    void statusAndFaultReplies_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("success") << EncodeStatusReply("S", "") << QVariant(QVariantList{"S", ""});
        QTest::newRow("refusal") << EncodeStatusReply("N", "Nota fiscal não encontrada.")
                                 << QVariant(QVariantList{"N", "Nota fiscal não encontrada."});
        QTest::newRow("fault") << EncodeFaultReply({"unknown_method", "Método desconhecido."})
                               << QVariant::fromValue(Fault{"unknown_method", "Método desconhecido."});
    }
    void statusAndFaultReplies() {
        QFETCH(QByteArray, body);
        QFETCH(QVariant, expected);
        const QVariant got = DecodeReply(body);
        QCOMPARE(got.metaType(), expected.metaType());
        if (expected.metaType() == QMetaType::fromType<Fault>()) {
            QCOMPARE(got.value<Fault>().code, expected.value<Fault>().code);
            QCOMPARE(got.value<Fault>().message, expected.value<Fault>().message);
        } else {
            QCOMPARE(got.toList(), expected.toList());
        }
    }

    void garbageRepliesAreRejected_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << QByteArray() << "A resposta do servidor de aplicação não é um JSON válido";
        QTest::newRow("html") << QByteArray("<html>502 Bad Gateway</html>")
                              << "A resposta do servidor de aplicação não é um JSON válido";
        QTest::newRow("truncated") << EncodePacketReply(samplePacket()).chopped(10)
                                   << "A resposta do servidor de aplicação não é um JSON válido";
        QTest::newRow("array") << QByteArray("[\"S\",\"\"]")
                               << "A resposta do servidor de aplicação não é um objeto JSON.";
        QTest::newRow("no result") << QByteArray("{\"ok\":true}")
                                   << "A resposta do servidor de aplicação não traz resultado.";
        QTest::newRow("status of three")
            << QByteArray("{\"result\":[\"S\",\"\",\"x\"]}") << "Vetor de situação inválido";
        QTest::newRow("status with a number")
            << QByteArray("{\"result\":[\"S\",1]}") << "Vetor de situação inválido";
        QTest::newRow("error without text") << QByteArray("{\"error\":{\"code\":\"x\"}}")
                                            << "A resposta de erro do servidor não traz mensagem.";
        QTest::newRow("packet without rows")
            << QByteArray("{\"result\":{\"fields\":[]}}") << "Pacote de dados inválido: faltam";
        QTest::newRow("unknown field type")
            << QByteArray(
                   "{\"result\":{\"fields\":[{\"name\":\"A\",\"type\":\"ftBlob\",\"size\":1}],\"rows\":[]}}")
            << "Pacote de dados inválido: definição de campo incorreta";
        QTest::newRow("field without size")
            << QByteArray("{\"result\":{\"fields\":[{\"name\":\"A\",\"type\":\"ftString\"}],\"rows\":[]}}")
            << "Pacote de dados inválido: definição de campo incorreta";
        QTest::newRow("short row") << QByteArray(
                                          "{\"result\":{\"fields\":[{\"name\":\"A\",\"type\":\"ftString\","
                                          "\"size\":1}],\"rows\":[[]]}}")
                                   << "Pacote de dados inválido: a linha 1 não tem 1 valores.";
        QTest::newRow("number for a text")
            << QByteArray(
                   "{\"result\":{\"fields\":[{\"name\":\"A\",\"type\":\"ftString\",\"size\":1}],\"rows\":[[1]"
                   "]}}")
            << "Pacote de dados inválido: o campo A da linha 1 deveria ser um texto.";
        QTest::newRow("bad date")
            << QByteArray(
                   "{\"result\":{\"fields\":[{\"name\":\"D\",\"type\":\"ftDateTime\",\"size\":0}],\"rows\":[["
                   "\"31/12/2026\"]]}}")
            << "Pacote de dados inválido: o campo D da linha 1 deveria ser uma data ISO.";
        QTest::newRow("fraction for an integer")
            << QByteArray(
                   "{\"result\":{\"fields\":[{\"name\":\"N\",\"type\":\"ftInteger\",\"size\":0}],\"rows\":[["
                   "1.5]]}}")
            << "Pacote de dados inválido: o campo N da linha 1 deveria ser um número inteiro.";
    }
    void garbageRepliesAreRejected() {
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        try {
            DecodeReply(body);
            QFAIL("garbage was accepted");
        } catch (const WireError& e) {
            QVERIFY2(e.message().startsWith(message), qPrintable(e.message()));
        }
    }

    void callsTravelWhole() {
        const Call sent{"Kpv41000.rdmEmissaoRPS",
                        "GetNotaFiscal",
                        {"0001", "T", QDate(2026, 5, 1), QDateTime(QDate(2026, 5, 31), QTime(10, 0)), 12,
                         true, QVariant(), "Ação"}};
        const Call got = DecodeCall(EncodeCall(sent));
        QCOMPARE(got.server, sent.server);
        QCOMPARE(got.method, sent.method);
        const QVariantList expected{"0001", "T",  "2026-05-01", "2026-05-31T10:00:00",
                                    12.0,   true, QVariant(),   "Ação"};
        QCOMPARE(got.args.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(got.args[i].isNull(), expected[i].isNull());
            QCOMPARE(got.args[i].toString(), expected[i].toString());
        }
    }

};

QTEST_GUILESS_MAIN(Wire)
#include "test_wire.moc"
