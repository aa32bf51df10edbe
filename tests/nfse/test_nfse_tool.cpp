// kpv-nfse as an accounting department runs it, the real program over SQLite and a Firebird server, beside
// the real kpv-appserver that issues and cancels: every issued RPS exported once as a signed DPS that
// xmllint and xmlsec1 accept, a cancelled one never, a certificate that cannot sign writes nothing, a
// kill -9 in the middle leaves no half file and no false record, and the NFS-e read back once.
#include "appserver_process.h"
#include "nfse/certificate.h"
#include "nfse_builder.h"
#include "program_run.h"
#include "test_certificate.h"
#include "test_database.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <map>
#include <memory>

namespace {

const QDate kUntil(2026, 6, 30);
const QString kPassword = QStringLiteral("kpv-teste");
const QString kNamespaceId = QStringLiteral("http://www.sped.fazenda.gov.br/nfse:infDPS");

QString SchemaFile(const char* name) {
    return BuildProgram(QStringLiteral("schemas/nfse-nacional-1.00/")) + QString::fromLatin1(name);
}

QByteArray Sha256Of(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex()
               : QByteArray();
}

QByteArray Read(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Write(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// An RPS by its invoice, as the test reads it in the database.
using InvoiceKey = std::pair<QString, QString>;

// One database with the server that issues on it, the configuration kpv-nfse reads and the folder it
// exports to.
struct Office {
    TestDatabase database;
    std::unique_ptr<AppServerProcess> server;
    QString folder;
    QString connection;  // Qt's, for the test's own reading

    QString ini() const { return QDir(folder).filePath(QStringLiteral("kpv.ini")); }
    QString out() const { return QDir(folder).filePath(QStringLiteral("dps")); }
    QStringList files() const {
        QStringList all;
        for (const QString& name : QDir(out()).entryList({QStringLiteral("*.xml")}, QDir::Files))
            all << QDir(out()).filePath(name);
        return all;
    }

    QList<QStringList> rows(const QString& sql, const QVariantList& args = {}) const {
        QSqlQuery q(QSqlDatabase::database(connection));
        q.prepare(sql);
        for (const QVariant& a : args) q.addBindValue(a);
        QList<QStringList> found;
        if (!q.exec()) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
            return found;
        }
        while (q.next()) {
            QStringList row;
            for (int c = 0; c < q.record().count(); ++c) row << q.value(c).toString().trimmed();
            found << row;
        }
        return found;
    }
    // The RPS issued and standing whose invoice is not transmitted: what an export must write.
    QSet<InvoiceKey> exportable() const {
        QSet<InvoiceKey> keys;
        for (const QStringList& r :
             rows("SELECT R.CDFILIAL, R.NRLANCTONF FROM RPSEMITIDO R JOIN NOTAFISCAL NF"
                  " ON NF.CDFILIAL = R.CDFILIAL AND NF.NRLANCTONF = R.NRLANCTONF"
                  " WHERE R.IDSITRPS = 'E' AND NF.IDEMISSAORPS = '2' AND NF.IDTRANSMISRPS = '1'"))
            keys.insert({r[0], r[1]});
        return keys;
    }
    // The export records by DPS Id: the invoice and the SHA-256 of the file.
    std::map<QString, std::pair<InvoiceKey, QByteArray>> records() const {
        std::map<QString, std::pair<InvoiceKey, QByteArray>> all;
        for (const QStringList& r : rows("SELECT CDDPS, CDFILIAL, NRLANCTONF, DSSHA256DPS FROM DPSEXPORTADA"))
            all[r[0]] = {{r[1], r[2]}, r[3].toLatin1()};
        return all;
    }
    QStringList invoice(const InvoiceKey& key) const {
        return rows(
                   "SELECT IDEMISSAORPS, IDTRANSMISRPS, NRNOTAFISCSE FROM NOTAFISCAL"
                   " WHERE CDFILIAL = ? AND NRLANCTONF = ?",
                   {key.first, key.second})
            .value(0);
    }
};

ProgramRun Tool(const QStringList& arguments) {
    return RunProgram(BuildProgram(QStringLiteral("kpv-nfse")), arguments, 180000);
}

// The answer of the server on `port` to a method of an invoice, asked as a clerk's program asks it.
QString Call(int port, const char* method, const InvoiceKey& key) {
    return RunProgram(
               QStringLiteral("curl"),
               {QStringLiteral("-s"), QStringLiteral("http://127.0.0.1:%1/call").arg(port),
                QStringLiteral("-H"), QStringLiteral("Content-Type: application/json"), QStringLiteral("-d"),
                QStringLiteral(R"({"server":"Kpv41000.rdmEmissaoRPS","method":"%1","args":["%2","%3"]})")
                    .arg(QLatin1String(method), key.first, key.second)})
        .output;
}

// Whether the server cancelled the RPS of the invoice.
bool CancelOnTheServer(const Office& office, const InvoiceKey& key) {
    return Call(office.server->port(), "CancelaEmissao", key) == QStringLiteral(R"({"result":["S",""]})");
}

}  // namespace

class NfseTool : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<Office>> offices_;
    std::map<QString, Office*> exported_;  // by engine
    // The branches' CNPJs and their certificates, made once: the demo data of a seed is the same on both
    // engines.
    std::map<QString, TestCertificate> certificates_;
    int made_ = 0;

    static void engines() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("firebird server") << "firebird-server";
    }

    // A database of demo data with its server. `all` makes every issued RPS exportable.
    Office* open(const QString& engine, int invoices, bool all) {
        auto office = std::make_unique<Office>();
        office->folder = dir_.filePath(QStringLiteral("office%1").arg(++made_));
        QDir().mkpath(office->folder);
        office->database =
            engine == u"sqlite"
                ? TestDatabase::Sqlite(office->folder)
                : TestDatabase::FirebirdServer(
                      QStringLiteral("nfse-%1-%2").arg(QCoreApplication::applicationPid()).arg(made_));
        if (!office->database.isValid()) return nullptr;
        QString error;
        if (!RunDemoData(office->database, invoices, 7, kUntil, &error)) {
            qWarning("%s", qPrintable(error));
            return nullptr;
        }
        office->server = std::make_unique<AppServerProcess>(office->database);
        if (!office->server->start(&error)) {
            qWarning("%s", qPrintable(error));
            return nullptr;
        }
        office->connection = QStringLiteral("office%1").arg(made_);
        QSqlDatabase db = QSqlDatabase::addDatabase(
            office->database.engine == u"sqlite" ? QStringLiteral("QSQLITE") : QStringLiteral("QIBASE"),
            office->connection);
        db.setDatabaseName(office->database.path);
        db.setHostName(office->database.host);
        db.setPort(office->database.port);
        db.setUserName(office->database.user);
        db.setPassword(office->database.password);
        if (!db.open()) return nullptr;
        if (all) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("UPDATE NOTAFISCAL SET IDTRANSMISRPS = '1' WHERE IDEMISSAORPS = '2'"));
        }
        if (!writeIni(*office)) return nullptr;
        offices_.push_back(std::move(office));
        return offices_.back().get();
    }

    // The shared office of an engine, exported once: for the import.
    Office* exported(const QString& engine) {
        if (exported_.count(engine)) return exported_[engine];
        Office* office = open(engine, 400, false);
        if (!office || Tool({"export", "--config", office->ini(), "--out", office->out()}).exitCode != 0)
            return nullptr;
        return exported_[engine] = office;
    }

    // kpv.ini: the database, and a certificate for every branch (nfseGroup).
    bool writeIni(const Office& office, const QMap<QString, QString>& more = {}) {
        if (certificates_.empty()) {
            QFile plain(office.ini());
            if (!plain.open(QIODevice::WriteOnly) || plain.write(office.database.iniGroup().toUtf8()) < 0)
                return false;
            plain.close();
            const ProgramRun listing = Tool({"certificates", "--config", office.ini()});
            const QString folder = dir_.filePath(QStringLiteral("certificates"));
            QDir().mkpath(folder);
            for (const QString& line : listing.output.split(u'\n', Qt::SkipEmptyParts)) {
                const QStringList f = line.split(u'\t');
                if (f.size() < 4) return false;
                TestCertificate made;
                QString error;
                if (!MakeTestCertificate(folder, "filial-" + f[0], {f[3] + u':' + f[1], {}, 60, kPassword},
                                         &made, &error)) {
                    qWarning("%s", qPrintable(error));
                    return false;
                }
                certificates_[f[0]] = made;
            }
        }
        return Write(office.ini(), (office.database.iniGroup() + nfseGroup(more)).toUtf8());
    }

    // The [nfse] group naming every branch's certificate; `more` lines replace those of their keys.
    QString nfseGroup(const QMap<QString, QString>& more = {}) const {
        QMap<QString, QString> keys;
        for (const auto& [branch, c] : certificates_) {
            keys["certificate." + branch] = c.pkcs12;
            keys["certificatePassword." + branch] = c.password;
        }
        for (auto m = more.cbegin(); m != more.cend(); ++m) keys[m.key()] = m.value();
        QString text = QStringLiteral("[nfse]\n");
        for (auto k = keys.cbegin(); k != keys.cend(); ++k) text += k.key() + u'=' + k.value() + u'\n';
        return text;
    }

    // xmllint takes every file against the shipped schema, and xmlsec1 verifies one file of each branch
    // with that branch's certificate.
    void checkDocuments(const Office& office) {
        const QStringList files = office.files();
        QVERIFY(!files.isEmpty());
        const ProgramRun lint = RunProgram(
            QStringLiteral("xmllint"),
            QStringList{QStringLiteral("--noout"), QStringLiteral("--schema"), SchemaFile("DPS_v1.00.xsd")} +
                files);
        QVERIFY2(lint.exitCode == 0, qPrintable(lint.output.left(2000)));
        QSet<QString> branches;
        for (const auto& [id, record] : office.records()) {
            const QString branch = record.first.first;
            if (branches.contains(branch)) continue;
            branches.insert(branch);
            const ProgramRun verify = RunProgram(
                QStringLiteral("xmlsec1"),
                {QStringLiteral("--verify"), QStringLiteral("--trusted-pem"), certificates_[branch].pem,
                 QStringLiteral("--id-attr:Id"), kNamespaceId, QDir(office.out()).filePath(id + ".xml")});
            QVERIFY2(verify.exitCode == 0, qPrintable(verify.output));
        }
    }

    // Every record names a file whose bytes it hashed.
    static void checkRecordsHaveTheirFiles(const Office& office) {
        for (const auto& [id, record] : office.records())
            QCOMPARE(Sha256Of(QDir(office.out()).filePath(id + ".xml")), record.second);
    }

  private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void cleanupTestCase() {
        for (const auto& office : offices_) {
            if (office->server) office->server->stop();
            QSqlDatabase::database(office->connection).close();
        }
    }

    void exportWritesEachIssuedRpsOnce_data() { engines(); }
    void exportWritesEachIssuedRpsOnce() {
        QFETCH(QString, engine);
        Office* office = open(engine, 400, false);
        if (!office && engine != u"sqlite") QSKIP("the firebird_server fixture is not running");
        QVERIFY(office);
        QSet<InvoiceKey> expected = office->exportable();
        QVERIFY(expected.size() > 10);
        // Cancelled on the server before any export: never exported.
        const InvoiceKey cancelledFirst = *std::min_element(expected.begin(), expected.end());
        QVERIFY(CancelOnTheServer(*office, cancelledFirst));
        expected.remove(cancelledFirst);
        // Branch 0002's password is wrong, and branch 0003 names branch 0001's certificate.
        QVERIFY(writeIni(*office, {{"certificatePassword.0002", "errada"},
                                   {"certificate.0003", certificates_["0001"].pkcs12}}));

        const ProgramRun first = Tool({"export", "--config", office->ini(), "--out", office->out()});
        QCOMPARE(first.exitCode, 1);
        QSet<InvoiceKey> refused;
        for (const InvoiceKey& k : expected) {
            if (k.first == u"0002" || k.first == u"0003") refused.insert(k);
        }
        QVERIFY(!refused.isEmpty());
        QVERIFY2(
            first.output.contains(
                QStringLiteral("A senha do certificado %1 não confere.").arg(certificates_["0002"].pkcs12)),
            qPrintable(first.output));
        QVERIFY2(first.output.contains(QStringLiteral("não é do prestador da DPS")),
                 qPrintable(first.output));
        QSet<InvoiceKey> recorded;
        for (const auto& [id, record] : office->records()) recorded.insert(record.first);
        QCOMPARE(recorded, expected - refused);
        QCOMPARE(office->files().size(), recorded.size());
        QCOMPARE(first.output.count(QStringLiteral(".xml  RPS série")), recorded.size());
        checkRecordsHaveTheirFiles(*office);
        checkDocuments(*office);

        // The certificates put right: only what failed is written now, and the files written stay.
        QVERIFY(writeIni(*office));
        std::map<QString, QByteArray> before;
        for (const QString& f : office->files()) before[f] = Sha256Of(f);
        const ProgramRun second = Tool({"export", "--config", office->ini(), "--out", office->out()});
        QVERIFY2(second.exitCode == 0, qPrintable(second.output));
        QCOMPARE(second.output.count(QStringLiteral(".xml  RPS série")), refused.size());
        QCOMPARE(office->records().size(), size_t(expected.size()));
        // The trail has a row for each DPS written, beside its record.
        QSet<InvoiceKey> trail;
        for (const QStringList& r :
             office->rows("SELECT CDFILIAL, NRLANCTONF FROM AUDITORIASERV WHERE DSACAO = 'ExportaDPS'"))
            trail.insert({r.value(0), r.value(1)});
        QCOMPARE(trail, expected);
        for (const auto& [f, sha] : before) QCOMPARE(Sha256Of(f), sha);

        const ProgramRun third = Tool({"export", "--config", office->ini(), "--out", office->out()});
        QCOMPARE(third.exitCode, 0);
        QVERIFY2(third.output.contains(QStringLiteral("nenhum RPS a exportar")), qPrintable(third.output));

        // Again: the same bytes.
        before.clear();
        for (const QString& f : office->files()) before[f] = Sha256Of(f);
        const ProgramRun again =
            Tool({"export", "--config", office->ini(), "--out", office->out(), "--again"});
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.output.count(QStringLiteral(".xml  RPS série")), expected.size());
        for (const auto& [f, sha] : before) QCOMPARE(Sha256Of(f), sha);
        checkRecordsHaveTheirFiles(*office);

        // Cancelled after its export: listed, so that nobody sends it.
        const auto [id, record] = *office->records().begin();
        QVERIFY(CancelOnTheServer(*office, record.first));
        const ProgramRun status = Tool({"status", "--config", office->ini()});
        QCOMPARE(status.exitCode, 0);
        const QString expectedStatus = QStringLiteral(
                                           "Todas as empresas\n"
                                           "  RPS emitidos, a exportar:                   0\n"
                                           "  DPS exportadas, aguardando NFS-e:     %1\n"
                                           "  NFS-e recebidas:                            0\n"
                                           "  RPS cancelados depois de exportados:        1\n")
                                           .arg(expected.size() - 1, 7);
        QVERIFY2(status.output.startsWith(expectedStatus), qPrintable(status.output));
        QVERIFY2(status.output.contains(id + QStringLiteral(".xml  RPS série")) &&
                     status.output.contains(QStringLiteral("cancelado, não envie esta DPS")),
                 qPrintable(status.output));
    }

    void importRecordsTheNfseOnce_data() { engines(); }
    void importRecordsTheNfseOnce() {
        QFETCH(QString, engine);
        Office* office = exported(engine);
        if (!office && engine != u"sqlite") QSKIP("the firebird_server fixture is not running");
        QVERIFY(office);
        const auto records = office->records();
        QVERIFY(records.size() >= 3);
        auto next = records.begin();
        const auto [id, first] = *next++;
        const auto [otherId, other] = *next++;
        const auto [cancelledId, cancelled] = *next++;
        QVERIFY(CancelOnTheServer(*office, cancelled.first));
        const kpv::nfse::Certificate authority = [&] {
            TestCertificate made;
            QString error;
            MakeTestCertificate(dir_.path(), QStringLiteral("ambiente-nacional"),
                                {QStringLiteral("SEFIN NACIONAL"), {}}, &made, &error);
            return kpv::nfse::Certificate::FromPkcs12(made.pkcs12, made.password);
        }();
        const auto nfse = [&](const QString& name, const QByteArray& dps, const QString& number) {
            const QString file = dir_.filePath(name + QStringLiteral(".xml"));
            Write(file, BuildNfse(dps, number, authority));
            return file;
        };
        const QByteArray dps = Read(QDir(office->out()).filePath(id + ".xml"));
        const QByteArray otherDps = Read(QDir(office->out()).filePath(otherId + ".xml"));
        const QString right = nfse(engine + "-right", dps, "202600000123");
        const QString renumbered = nfse(engine + "-renumbered", dps, "202600000999");
        // The other RPS's DPS with its amount changed, and with its number changed, Id and all.
        const QString otherText = QString::fromUtf8(otherDps);
        const QByteArray changedAmount =
            QString(otherText)
                .replace(QRegularExpression("<vServ>[^<]*</vServ>"), "<vServ>1.00</vServ>")
                .toUtf8();
        const QString number = QRegularExpression("<nDPS>([0-9]+)</nDPS>").match(otherText).captured(1);
        QByteArray unknown = otherDps;
        unknown
            .replace(QByteArray("<nDPS>" + number.toLatin1() + "</nDPS>"),
                     QByteArray("<nDPS>999999999</nDPS>"))
            .replace(otherId.toLatin1(),
                     (otherId.left(30) + QStringLiteral("999999999").rightJustified(15, u'0')).toLatin1());
        const QString differs = nfse(engine + "-differs", changedAmount, "202600000124");
        const QString notOurs = nfse(engine + "-not-ours", unknown, "202600000125");
        const QString ofCancelled = nfse(
            engine + "-cancelled", Read(QDir(office->out()).filePath(cancelledId + ".xml")), "202600000126");

        const ProgramRun imported = Tool({"import", "--config", office->ini(), right});
        QVERIFY2(imported.exitCode == 0, qPrintable(imported.output));
        QVERIFY2(imported.output.contains(QStringLiteral("NFS-e nº 202600000123 registrada para o RPS")),
                 qPrintable(imported.output));
        QCOMPARE(office->invoice(first.first), (QStringList{"2", "2", "202600000123"}));

        // Each refusal names its file and changes nothing; one file refused does not stop the others.
        const QStringList before = office->invoice(other.first);
        const QStringList cancelledBefore = office->invoice(cancelled.first);
        struct Case {
            QString file;
            QString told;
        };
        const QList<Case> refusals{
            {renumbered,
             "já tem a NFS-e nº 202600000123; esta NFS-e traz o nº 202600000999. Nada foi alterado."},
            {differs, "não é a que o RPS série"},
            {notOurs, "que não foi exportada por este sistema. Nada foi alterado."},
            {ofCancelled, "foi cancelado depois de exportado"},
            {QDir(office->out()).filePath(otherId + ".xml"), "não segue o esquema"},
        };
        QStringList arguments{"import", "--config", office->ini()};
        for (const Case& c : refusals) arguments << c.file;
        arguments << right;
        const ProgramRun refused = Tool(arguments);
        QCOMPARE(refused.exitCode, 1);
        for (const Case& c : refusals) {
            const QString line =
                refused.output.section(QStringLiteral("kpv-nfse: ") + c.file + ": ", 1).section(u'\n', 0, 0);
            QVERIFY2(line.contains(c.told), qPrintable(c.file + " -> " + refused.output));
        }
        QVERIFY2(refused.output.contains(right + QStringLiteral(": NFS-e nº 202600000123 do RPS")) &&
                     refused.output.contains(QStringLiteral("já registrada; nada mudou.")),
                 qPrintable(refused.output));
        QCOMPARE(office->invoice(first.first), (QStringList{"2", "2", "202600000123"}));
        QCOMPARE(office->invoice(other.first), before);
        QCOMPARE(office->invoice(cancelled.first), cancelledBefore);
        QCOMPARE(office->rows("SELECT CDDPS, NRNOTAFISCSE FROM NFSERECEBIDA"),
                 (QList<QStringList>{{id, "202600000123"}}));
        QCOMPARE(office->rows("SELECT CDFILIAL, NRLANCTONF, DSRESULTADO FROM AUDITORIASERV"
                              " WHERE DSACAO = 'ImportaNFSe'"),
                 (QList<QStringList>{{first.first.first, first.first.second, "ok: NFS-e nº 202600000123"}}));
    }

    void killedExportLeavesNoHalfFileNorFalseRecord_data() { engines(); }
    void killedExportLeavesNoHalfFileNorFalseRecord() {
        QFETCH(QString, engine);
        Office* office = open(engine, 2500, true);
        if (!office && engine != u"sqlite") QSKIP("the firebird_server fixture is not running");
        QVERIFY(office);
        const QSet<InvoiceKey> expected = office->exportable();
        QVERIFY2(expected.size() > 300, qPrintable(QString::number(expected.size())));

        QProcess exporting;
        exporting.start(BuildProgram(QStringLiteral("kpv-nfse")),
                        {"export", "--config", office->ini(), "--out", office->out()});
        QByteArray lines;
        // Killed once more files are written than a batch of records holds: some are recorded, some not.
        while (lines.count('\n') < 260 && exporting.state() != QProcess::NotRunning) {
            exporting.waitForReadyRead(100);
            lines += exporting.readAllStandardOutput();
        }
        QVERIFY2(exporting.state() == QProcess::Running, "the export ended before it could be killed");
        ::kill(pid_t(exporting.processId()), SIGKILL);
        QVERIFY(exporting.waitForFinished());

        const auto records = office->records();
        QVERIFY(!records.empty());
        QVERIFY2(records.size() < size_t(expected.size()), "the export finished before it was killed");
        checkRecordsHaveTheirFiles(*office);
        checkDocuments(*office);
        std::map<QString, QByteArray> written;
        for (const QString& f : office->files()) written[f] = Sha256Of(f);
        QVERIFY(written.size() > records.size());  // files the kill left without their record

        const ProgramRun resumed = Tool({"export", "--config", office->ini(), "--out", office->out()});
        QVERIFY2(resumed.exitCode == 0, qPrintable(resumed.output.left(2000)));
        QCOMPARE(office->records().size(), size_t(expected.size()));
        QCOMPARE(office->files().size(), expected.size());
        for (const auto& [f, sha] : written) QCOMPARE(Sha256Of(f), sha);  // written again, the same bytes
        checkRecordsHaveTheirFiles(*office);
        QCOMPARE(QDir(office->out()).entryList(QDir::Files | QDir::Hidden).size(), expected.size());
    }

    // GeraDPS hands out, byte for byte, the document kpv-nfse exported for the RPS; and says why it
    // cannot where it cannot, as the server's log said at start for a certificate it could not read.
    void serverHandsOutTheExportedDocument_data() { engines(); }
    void serverHandsOutTheExportedDocument() {
        QFETCH(QString, engine);
        Office* office = exported(engine);
        if (!office && engine != u"sqlite") QSKIP("the firebird_server fixture is not running");
        QVERIFY(office);
        QString id;
        InvoiceKey standing;
        for (const auto& [recorded, record] : office->records()) {
            if (office->invoice(record.first).mid(0, 2) == QStringList{"2", "1"} &&
                record.first.first != u"0002") {
                id = recorded;
                standing = record.first;
                break;
            }
        }
        QVERIFY(!id.isEmpty());
        const QStringList notIssued = office
                                          ->rows(
                                              "SELECT CDFILIAL, NRLANCTONF FROM NOTAFISCAL"
                                              " WHERE IDEMISSAORPS = '1' AND IDTRANSMISRPS = '1'")
                                          .value(0);
        const QStringList ofBranch2 = office
                                          ->rows(
                                              "SELECT R.CDFILIAL, R.NRLANCTONF FROM RPSEMITIDO R"
                                              " WHERE R.CDFILIAL = '0002' AND R.IDSITRPS = 'E'")
                                          .value(0);
        QVERIFY(notIssued.size() == 2 && ofBranch2.size() == 2);
        AppServerLimits limits;
        limits.groups = nfseGroup({{"certificatePassword.0002", "errada"}});
        AppServerProcess server(office->database, limits);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
        const QString badPassword =
            QStringLiteral("A senha do certificado %1 não confere.").arg(certificates_["0002"].pkcs12);
        QVERIFY2(server.log().contains(QStringLiteral("nfse: ") + badPassword), qPrintable(server.log()));

        const QJsonArray answer = QJsonDocument::fromJson(Call(server.port(), "GeraDPS", standing).toUtf8())
                                      .object()["result"]
                                      .toArray();
        QCOMPARE(answer.size(), 3);
        QCOMPARE(answer[0].toString(), QStringLiteral("S"));
        QCOMPARE(answer[2].toString().toUtf8(), Read(QDir(office->out()).filePath(id + ".xml")));

        const QList<std::pair<InvoiceKey, QString>> refusals{
            {{"0001", "9999999999"}, "Nota fiscal não encontrada (filial 0001, lançamento 9999999999)."},
            {{notIssued[0], notIssued[1]}, "A nota fiscal não tem RPS emitido."},
            {{ofBranch2[0], ofBranch2[1]}, badPassword},
        };
        for (const auto& [key, told] : refusals) {
            const QJsonArray refused = QJsonDocument::fromJson(Call(server.port(), "GeraDPS", key).toUtf8())
                                           .object()["result"]
                                           .toArray();
            QCOMPARE(refused.size(), 2);
            QCOMPARE(refused[0].toString(), QStringLiteral("N"));
            QVERIFY2(refused[1].toString().endsWith(told), qPrintable(refused[1].toString()));
        }
        QCOMPARE(server.stop(), 0);
    }

    // The configuration is read as strictly as by the other programs, and the tool stops before it
    // touches anything.
    void mistakesStopTheToolAndSayWhat_data() {
        QTest::addColumn<QString>("nfse");  // the [nfse] group; "none" for no configuration file at all
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("told");
        const QStringList exporting{"export", "--out", "@dir/dps"};
        QTest::newRow("no configuration file")
            << "none" << exporting << "kpv-nfse: arquivo de configuração não encontrado: @dir/kpv.ini";
        QTest::newRow("an environment that is not 1 or 2")
            << "environment=3" << exporting
            << "configuração inválida: [nfse] environment=3 (esperado 1, produção, ou 2, produção "
               "restrita)";
        QTest::newRow("an unknown algorithm")
            << "signatureAlgorithm=rsa-md5" << exporting
            << "configuração inválida: [nfse] signatureAlgorithm=rsa-md5 (use "
               "rsa-sha1 ou rsa-sha256)";
        QTest::newRow("a certificate for no branch")
            << "certificate.matriz=a.pfx" << exporting
            << "configuração inválida: [nfse] certificate.matriz=a.pfx (a chave leva o código da filial, "
               "de "
               "1 a 4 "
               "dígitos: certificate.0001)";
        QTest::newRow("a password without its certificate, not shown")
            << "certificatePassword.7=segredo" << exporting
            << "configuração inválida: [nfse] certificatePassword.7 (senha sem certificado: falta "
               "certificate.0007)";
        QTest::newRow("an unknown key")
            << "certificado.0001=a.pfx" << exporting
            << "configuração inválida: [nfse] certificado.0001=a.pfx (chave desconhecida)";
        QTest::newRow("no folder for the files")
            << "" << QStringList{"export"} << "informe a pasta das DPS com --out";
        QTest::newRow("a day that is no day")
            << "" << QStringList{"export", "--out", "@dir/dps", "--from", "31/12/2026"}
            << "data inválida em --from: 31/12/2026 (esperado AAAA-MM-DD)";
        QTest::newRow("an unknown command")
            << "" << QStringList{"exportar"} << "comando desconhecido: \"exportar\"";
        QTest::newRow("a database that is not there")
            << "" << exporting << "O banco de dados SQLite \"@dir/none.db\" não existe.";
    }
    void mistakesStopTheToolAndSayWhat() {
        QFETCH(QString, nfse);
        QFETCH(QStringList, arguments);
        QFETCH(QString, told);
        QTemporaryDir folder;
        const QString ini = folder.filePath(QStringLiteral("kpv.ini"));
        if (nfse != u"none")
            QVERIFY(Write(
                ini,
                QStringLiteral("[database]\nengine=sqlite\npath=none.db\n[nfse]\n%1\n").arg(nfse).toUtf8()));
        for (QString& a : arguments) a.replace("@dir", folder.path());
        const ProgramRun run = Tool(arguments + QStringList{"--config", ini});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.output.contains(told.replace("@dir", folder.path())), qPrintable(run.output));
        QVERIFY2(!run.output.contains(QStringLiteral("segredo")), qPrintable(run.output));
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 nfse == u"none" ? QStringList() : QStringList{"kpv.ini"});
    }
};

QTEST_GUILESS_MAIN(NfseTool)
#include "test_nfse_tool.moc"
