// The examples of docs/protocol.md run as written against the real kpv-appserver: every fenced block that
// is a raw HTTP request goes over a socket byte for byte, every curl command runs in the shell, and each
// gets the data packet a reading call answers (GeraDPS, its status array), or, signing in, the session of
// the documented account on a server whose database holds it. Only the server's address is the test's own.
// And no example of the documentation can cost a reader anything: none issues or cancels, and every invoice
// they name is one the demo data of `make run` does not hold.
#include "accounts_tool.h"
#include "appserver_process.h"
#include "http_message.h"
#include "protocol/codec.h"
#include "protocol/data_packet.h"
#include "test_database.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kpv;

namespace {

const QString kDocumentedAddress = QStringLiteral("127.0.0.1:8410");

// The fenced blocks of a Markdown text, without their fences.
QStringList fencedBlocks(const QString& markdown) {
    QStringList blocks;
    QStringList lines;
    bool inside = false;
    for (const QString& line : markdown.split(u'\n')) {
        if (line.startsWith(QLatin1String("```"))) {
            if (inside) blocks << lines.join(u'\n');
            lines.clear();
            inside = !inside;
        } else if (inside) {
            lines << line;
        }
    }
    return blocks;
}

// Rows of the data packet in an answer body; -1 when the body is not one.
int packetRows(const QByteArray& body) {
    const QVariant payload = protocol::DecodeReply(body);
    if (payload.metaType() != QMetaType::fromType<protocol::DataPacket>()) return -1;
    return int(payload.value<protocol::DataPacket>().rowCount());
}

}  // namespace

class ProtocolExamples : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<AppServerProcess> server_;
    std::unique_ptr<AppServerProcess> withAccounts_;

  private Q_SLOTS:
    void initTestCase() {
        const TestDatabase database = TestDatabase::Sqlite(dir_.path());
        QString error;
        QVERIFY2(RunDemoData(database, 50, 3, QDate(2026, 6, 30), &error), qPrintable(error));
        // A Content-Length larger than the body would leave the server waiting for the rest.
        AppServerLimits limits;
        limits.readTimeoutMs = 2000;
        server_ = std::make_unique<AppServerProcess>(database, limits);
        QVERIFY2(server_->start(&error), qPrintable(error));
        const TestDatabase accounts = TestDatabase::Sqlite(dir_.filePath(QStringLiteral("accounts")));
        QVERIFY2(RunDemoData(accounts, 50, 3, QDate(2026, 6, 30), &error), qPrintable(error));
        QVERIFY2(AddAccount(accounts, QStringLiteral("maria"), QStringLiteral("emitir"),
                            QStringLiteral("senha-secreta"), &error),
                 qPrintable(error));
        withAccounts_ = std::make_unique<AppServerProcess>(accounts, limits);
        QVERIFY2(withAccounts_->start(&error), qPrintable(error));
    }

    void examplesRunAsWritten_data() {
        QTest::addColumn<QString>("example");
        QFile doc(qEnvironmentVariable("KPV_SOURCE_DIR") + QStringLiteral("/docs/protocol.md"));
        QVERIFY(doc.open(QIODevice::ReadOnly));
        QSet<QString> kinds;
        for (const QString& block : fencedBlocks(QString::fromUtf8(doc.readAll()))) {
            const QString kind = block.section(u' ', 0, 0);
            if (kind != u"POST" && kind != u"curl") continue;
            kinds << kind;
            QTest::newRow(qPrintable(block.section(u'\n', 0, 0).left(60))) << block;
        }
        QCOMPARE(kinds.size(), 2);
    }
    void examplesRunAsWritten() {
        QFETCH(QString, example);
        QVERIFY2(example.contains(kDocumentedAddress), "the example names no server at 127.0.0.1:8410");
        const bool signsIn = example.section(u'\n', 0, 0).contains(QLatin1String(" /session"));
        const AppServerProcess& server = signsIn ? *withAccounts_ : *server_;
        example.replace(kDocumentedAddress, QStringLiteral("127.0.0.1:%1").arg(server.port()));
        QByteArray body;
        if (example.startsWith(u"curl")) {
            QProcess shell;
            shell.start(QStringLiteral("bash"), {QStringLiteral("-c"), example});
            QVERIFY(shell.waitForFinished(15000));
            QVERIFY2(shell.exitCode() == 0, shell.readAllStandardError().constData());
            body = shell.readAllStandardOutput();
        } else {
            const qsizetype blank = example.indexOf(QLatin1String("\n\n"));
            QVERIFY(blank > 0);
            const QByteArray head = example.left(blank).toUtf8().replace("\n", "\r\n") + "\r\n\r\n";
            const QByteArray sent = example.mid(blank + 2).toUtf8();
            const qsizetype declared = head.indexOf("Content-Length: ");
            QVERIFY(declared > 0);
            QCOMPARE(head.mid(declared + 16, head.indexOf('\r', declared) - declared - 16).toLongLong(),
                     qlonglong(sent.size()));
            QTcpSocket socket;
            socket.connectToHost(server.host(), quint16(server.port()));
            QVERIFY(socket.waitForConnected(5000));
            socket.write(head + sent);
            QByteArray buffer;
            std::optional<HttpMessage> answer;
            QElapsedTimer clock;
            clock.start();
            while (!(answer = TakeHttpMessage(buffer)) && clock.elapsed() < 5000) {
                socket.waitForReadyRead(100);
                buffer += socket.readAll();
            }
            QVERIFY(answer);
            QCOMPARE(answer->status, 200);
            body = answer->body;
        }
        // GeraDPS answers a status array: its example names an invoice the demo data does not hold.
        if (example.contains(QLatin1String("\"GeraDPS\""))) {
            const QVariant payload = protocol::DecodeReply(body);
            QVERIFY2(payload.metaType() == QMetaType::fromType<QVariantList>(), body.constData());
            QCOMPARE(payload.toList().value(0).toString(), QStringLiteral("N"));
            return;
        }
        if (signsIn) {
            const QStringList status = protocol::DecodeReply(body).toStringList();
            QCOMPARE(status.value(0), QStringLiteral("S"));
            QVERIFY2(status.value(2).startsWith(QLatin1String("kpvs.")), body.constData());
            QCOMPARE(status.value(3), QStringLiteral("Conta maria"));
            return;
        }
        QVERIFY2(packetRows(body) > 0, body.constData());
    }

    void examplesCostNothing() {
        const QString source = qEnvironmentVariable("KPV_SOURCE_DIR");
        QStringList documents{source + QStringLiteral("/README.md"),
                              source + QStringLiteral("/db/README.md")};
        for (const QString& name : QDir(source + QStringLiteral("/docs")).entryList({QStringLiteral("*.md")}))
            documents << source + QStringLiteral("/docs/") + name;
        // The demo data `make run` makes: 3000 invoices, seed 1, up to today.
        const TestDatabase demo = TestDatabase::Sqlite(dir_.filePath(QStringLiteral("demo")));
        QString error;
        QVERIFY2(RunDemoData(demo, 3000, 1, QDate::currentDate(), &error), qPrintable(error));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo"));
        db.setDatabaseName(demo.path);
        QVERIFY(db.open());
        static const QRegularExpression named(QStringLiteral("filial (\\d{4}), lançamento (\\d{10})"));
        static const QRegularExpression writes(
            QStringLiteral("\"method\" ?: ?\"(PreparaImpressao|CancelaEmissao)\""));
        int keys = 0;
        for (const QString& document : documents) {
            QFile file(document);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(file.readAll());
            for (const QString& block : fencedBlocks(text))
                QVERIFY2(!writes.match(block).hasMatch(), qPrintable(document + ": " + block.left(200)));
            for (auto m = named.globalMatch(text); m.hasNext();) {
                const QRegularExpressionMatch key = m.next();
                QSqlQuery q(db);
                q.prepare(QStringLiteral("SELECT 1 FROM NOTAFISCAL WHERE CDFILIAL = ? AND NRLANCTONF = ?"));
                q.addBindValue(key.captured(1));
                q.addBindValue(key.captured(2));
                QVERIFY(q.exec());
                QVERIFY2(!q.next(), qPrintable(document + ": the demo data holds " + key.captured(0)));
                ++keys;
            }
        }
        QVERIFY2(keys > 0, "the documents name no invoice: the pattern no longer finds them");
    }

    void cleanupTestCase() {
        QSqlDatabase::removeDatabase(QStringLiteral("demo"));
        QCOMPARE(server_->stop(), 0);
        QCOMPARE(withAccounts_->stop(), 0);
    }
};

QTEST_GUILESS_MAIN(ProtocolExamples)
#include "test_protocol_examples.moc"
