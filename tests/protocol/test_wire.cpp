// The wire encoding shared by the connection and the server: calls, data packets, status arrays and
// faults, and the HTTP framing read piece by piece.
#include "protocol/codec.h"
#include "protocol/packet_fields.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace kpv::protocol;

namespace {

DataPacket samplePacket() {
    DataPacket p({{"IDCHECK", TFieldType::ftFixedChar, 1},
                  {"NMRAZSOCCLIE", TFieldType::ftString, 50},
                  {"DTENTRSAID", TFieldType::ftDateTime, 0},
                  {"VRNOTAFISC", TFieldType::ftFloat, 0},
                  {"NRULTRPS", TFieldType::ftInteger, 0}});
    p.appendRow({"N", QString::fromUtf8("Ação \"Ótima\" \\ Ltda\n\ttab\x01"),
                 QDateTime(QDate(2026, 5, 31), QTime(23, 59, 58)), 1234567.89, qint64(9007199254740991)});
    p.appendRow({"S", QVariant(), QVariant(), 0.1, qint64(-3)});
    p.appendRow({"N", QString(), QDateTime(QDate(2000, 1, 1), QTime(0, 0)), -0.5, QVariant()});
    return p;
}

QDateTime wallClock(int y, int m, int d, int h = 0, int min = 0, int s = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min, s));
}

// A value of field `index` in row `row` that no other field of the packet holds in that row.
QVariant filler(const PacketField& field, int index, int row) {
    switch (field.type) {
        case TFieldType::ftFixedChar:
            return QString(QChar(u'A' + (index + row) % 26));
        case TFieldType::ftDateTime:
            return wallClock(2026, 1 + row % 12, 1 + index, row % 24, index);
        case TFieldType::ftFloat:
            return index + row / 4.0;
        case TFieldType::ftInteger:
            return qint64(index) * 1000 + row;
        case TFieldType::ftString:
            break;
    }
    return QStringLiteral("%1 %2").arg(field.name).arg(row);
}

}  // namespace

class Wire : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Each value goes out through the encoder and comes back through the decoder as `back` says (an
    // invalid QVariant for a null), and the packet read back encodes to the same body.
    void packetValuesTravelWhole_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<QVariantList>("sent");
        QTest::addColumn<QVariantList>("back");
        const QVariant null;
        const int text = int(TFieldType::ftString);
        QTest::newRow("empty and null texts") << text << 20 << QVariantList{"", QString(), null, " ", "N"}
                                              << QVariantList{"", null, null, " ", "N"};
        const QVariantList scripts{QString::fromUtf8("Ação Ótima Ltda – São João"),
                                   QString::fromUtf8("Ελληνικά"), QString::fromUtf8("日本語のテキスト"),
                                   QString::fromUtf8("recibo 🧾"),
                                   QString::fromUtf8("\"aspas\" \\ barra\n\r\ttab\x01\x1f fim")};
        QTest::newRow("accents and other scripts") << text << 50 << scripts << scripts;
        const QVariantList longest{QString(76, u'x'), QString(76, u'ç'), QString(70000, u'é')};
        QTest::newRow("longest texts") << text << 76 << longest << longest;
        QVariantList many;
        for (int i = 0; i < 9000; ++i) many << (i % 3 ? QString::number(i) : QStringLiteral("Operação S001"));
        QTest::newRow("more distinct texts than a dictionary keeps") << text << 20 << many << many;
        QTest::newRow("tick marks") << int(TFieldType::ftFixedChar) << 1 << QVariantList{"S", "N", null, "S"}
                                    << QVariantList{"S", "N", null, "S"};
        const QVariantList dates{wallClock(1, 1, 1), wallClock(9999, 12, 31, 23, 59, 59),
                                 wallClock(1970, 1, 1), wallClock(2024, 2, 29, 12, 30, 15)};
        QTest::newRow("dates at the ends of the range")
            << int(TFieldType::ftDateTime) << 0 << (QVariantList(dates) << QDateTime() << null)
            << (QVariantList(dates) << null << null);
        const QVariantList amounts{1234567890123.45,       99999999999999.99, 0.1, -0.5, 0.0, 1e-300,
                                   1.7976931348623157e308, 9007199254740993.0};
        QTest::newRow("amounts with many digits")
            << int(TFieldType::ftFloat) << 0 << (QVariantList(amounts) << std::nan("") << HUGE_VAL << null)
            << (QVariantList(amounts) << null << null << null);
        const QVariantList integers{std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::min(),
                                    qint64(0)};
        QTest::newRow("integers at the ends")
            << int(TFieldType::ftInteger) << 0 << (QVariantList(integers) << null)
            << (QVariantList(integers) << null);
    }
    void packetValuesTravelWhole() {
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(QVariantList, sent);
        QFETCH(QVariantList, back);
        // The invoice packet at its full width, an integer field, then the field under test: every other
        // field holds a value of its own in every row, so that two fields of one type read back swapped,
        // or a value landing in its neighbour, fail too.
        QList<PacketField> fields = InvoiceFields();
        fields << PacketField{"NRULTRPS", TFieldType::ftInteger, 0}
               << PacketField{"V", TFieldType(type), size};
        DataPacket packet(fields);
        const qsizetype tested = fields.size() - 1;
        for (int r = 0; r < int(sent.size()); ++r) {
            QVariantList row;
            for (qsizetype f = 0; f < tested; ++f) row << filler(fields[f], int(f), r);
            packet.appendRow(row << sent[r]);
        }
        const QByteArray body = EncodePacketReply(packet);
        const QVariant received = DecodeReply(body);
        QVERIFY(received.metaType() == QMetaType::fromType<DataPacket>());
        const DataPacket p = received.value<DataPacket>();
        QCOMPARE(p.fields().size(), fields.size());
        for (qsizetype f = 0; f < fields.size(); ++f) {
            QCOMPARE(p.fields()[f].name, fields[f].name);
            QCOMPARE(p.fields()[f].type, fields[f].type);
            QCOMPARE(p.fields()[f].size, fields[f].size);
        }
        QCOMPARE(p.rowCount(), int(back.size()));
        for (int r = 0; r < p.rowCount(); ++r) {
            for (qsizetype f = 0; f < tested; ++f)
                QCOMPARE(p.column(int(f)).value(r), filler(fields[f], int(f), r));
            const QVariant got = p.column(int(tested)).value(r);
            const QVariant& expected = back[r];
            QCOMPARE(got.isValid(), expected.isValid());
            if (!expected.isValid()) continue;
            if (type == int(TFieldType::ftDateTime)) {
                QCOMPARE(got.toDateTime(), expected.toDateTime());
                QVERIFY(got.toDateTime().timeSpec() == Qt::LocalTime);
            } else if (type == int(TFieldType::ftFloat)) {
                QCOMPARE(got.toDouble(), expected.toDouble());
            } else if (type == int(TFieldType::ftInteger)) {
                QCOMPARE(got.toLongLong(), expected.toLongLong());
            } else {
                QCOMPARE(got.toString(), expected.toString());
            }
        }
        QCOMPARE(EncodePacketReply(p), body);
    }

    // However short the body is cut, the decoder says it is no JSON and reads nothing past the end.
    void aPacketCutShortIsRejected() {
        const QByteArray body = EncodePacketReply(samplePacket());
        for (qsizetype length = 0; length < body.size(); ++length) {
            // A body of exactly its length, so that a read beyond it is the sanitizer's to catch.
            const QByteArray cut(body.constData(), length);
            try {
                DecodeReply(cut);
                QFAIL(qPrintable(QStringLiteral("a body cut at %1 was accepted").arg(length)));
            } catch (const WireError& e) {
                QVERIFY2(e.message().startsWith(QStringLiteral(
                             "A resposta do servidor de aplicação não é um JSON válido (erro na "
                             "posição ")),
                         qPrintable(QStringLiteral("cut at %1: %2").arg(length).arg(e.message())));
            }
        }
    }

    void statusAndFaultReplies_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("success") << EncodeStatusReply("S", "") << QVariant(QVariantList{"S", ""});
        QTest::newRow("success with values")
            << EncodeStatusReply("S", "", {"RPS", "17"}) << QVariant(QVariantList{"S", "", "RPS", "17"});
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
        QTest::newRow("array") << QByteArray("[\"S\",\"\"]")
                               << "A resposta do servidor de aplicação não é um objeto JSON.";
        QTest::newRow("no result") << QByteArray("{\"ok\":true}")
                                   << "A resposta do servidor de aplicação não traz resultado.";
        QTest::newRow("status of one") << QByteArray("{\"result\":[\"S\"]}") << "Vetor de situação inválido";
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
