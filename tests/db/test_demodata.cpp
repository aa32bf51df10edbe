// The demo data: the same seed gives the same rows on both engines, registration numbers carry valid
// check digits, every RPS situation occurs, and the RPS ledger agrees with the invoices and counters.
#include "db/database.h"
#include "db/demodata/brazil.h"
#include "db/demodata/demo_generator.h"
#include "db/schema.h"
#include "test_database.h"
#include "test_database_settings.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <set>

using namespace kpv;

namespace {

const QDate kUntil(2026, 11, 30);

// Every row of every table in key order, so two databases can be compared.
QByteArray contentDigest(const QSqlDatabase& db) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const db::Table& t : db::Schema()) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY %2").arg(t.name, t.primaryKey.join(", "))))
            return {};
        const int columns = q.record().count();
        while (q.next()) {
            for (int c = 0; c < columns; ++c) {
                const QVariant v = q.value(c);
                // Engines return dates as text or as dates and numbers as texts or doubles: compare values.
                QString text = v.isNull() ? QStringLiteral("<null>") : v.toString().trimmed();
                // Firebird gives a missing date as an invalid date, not as a null.
                if (v.metaType().id() == QMetaType::QDateTime) {
                    text =
                        v.toDateTime().isValid() ? v.toDateTime().toString("yyyy-MM-dd HH:mm:ss") : "<null>";
                }
                if (v.metaType().id() == QMetaType::QDate)
                    text = v.toDate().isValid() ? v.toDate().toString(Qt::ISODate) : "<null>";
                bool isNumber = false;
                const double number = text.toDouble(&isNumber);
                if (isNumber) text = QString::number(number, 'f', 4);
                hash.addData(text.toUtf8());
                hash.addData(QByteArrayView("\x1f"));
            }
            hash.addData(QByteArrayView("\n"));
        }
    }
    return hash.result().toHex();
}

int count(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next()) return -1;
    return q.value(0).toInt();
}

}  // namespace

class DemoData : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int databases_ = 0;

    QSqlDatabase generated(const QString& engine, int invoices, quint64 seed) {
        const QString folder = dir_.filePath(QString::number(++databases_));
        const TestDatabase target = engine == QLatin1String("sqlite")
                                        ? TestDatabase::Sqlite(folder)
                                        : TestDatabase::FirebirdEmbedded(folder);
        QSqlDatabase db = db::OpenDatabase(SettingsOf(target), QStringLiteral("demo%1").arg(databases_));
        demo::GenerateDemoData(db, {invoices, seed, kUntil});
        return db;
    }

    QSqlDatabase shared() {
        static const QString name = QStringLiteral("shared");
        if (!QSqlDatabase::contains(name)) {
            const TestDatabase target = TestDatabase::Sqlite(dir_.filePath(QStringLiteral("shared")));
            QSqlDatabase db = db::OpenDatabase(SettingsOf(target), name);
            demo::GenerateDemoData(db, {4000, 3, kUntil});
        }
        return QSqlDatabase::database(name);
    }

  private Q_SLOTS:
    void checkDigits_data() {
        QTest::addColumn<QString>("number");
        QTest::addColumn<bool>("cnpj");
        QTest::addColumn<bool>("valid");
        QTest::newRow("cnpj valid") << "11222333000181" << true << true;
        QTest::newRow("cnpj wrong first digit") << "11222333000171" << true << false;
        QTest::newRow("cnpj wrong second digit") << "11222333000182" << true << false;
        QTest::newRow("cnpj all equal") << "11111111111111" << true << false;
        QTest::newRow("cnpj short") << "1122233300018" << true << false;
        QTest::newRow("cnpj with mask") << "11.222.333/0001-81" << true << false;
        QTest::newRow("cpf valid") << "52998224725" << false << true;
        QTest::newRow("cpf wrong digit") << "52998224726" << false << false;
        QTest::newRow("cpf all equal") << "00000000000" << false << false;
        QTest::newRow("cpf letters") << "5299822472a" << false << false;
    }
    void checkDigits() {
        QFETCH(QString, number);
        QFETCH(bool, cnpj);
        QFETCH(bool, valid);
        QCOMPARE(cnpj ? demo::ValidCnpj(number) : demo::ValidCpf(number), valid);
    }

    void generatedNumbersCarryTheirCheckDigits_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("kind");
        QTest::newRow("company CNPJ") << "SELECT NRCNPJEMPR FROM EMPRESA"
                                      << "J";
        QTest::newRow("branch CNPJ") << "SELECT NRCNPJFILI FROM FILIAL"
                                     << "J";
        QTest::newRow("client CNPJ") << "SELECT NRINSJURCLIE FROM CLIENTE WHERE IDTPIJURCLIE = 'J'"
                                     << "J";
        QTest::newRow("client CPF") << "SELECT NRINSJURCLIE FROM CLIENTE WHERE IDTPIJURCLIE = 'F'"
                                    << "F";
        QTest::newRow("invoice CNPJ") << "SELECT NRINSJURNF FROM NOTAFISCAL WHERE IDTPIJURNF = 'J'"
                                      << "J";
        QTest::newRow("invoice CPF") << "SELECT NRINSJURNF FROM NOTAFISCAL WHERE IDTPIJURNF = 'F'"
                                     << "F";
    }
    void generatedNumbersCarryTheirCheckDigits() {
        QFETCH(QString, sql);
        QFETCH(QString, kind);
        QSqlQuery q(shared());
        QVERIFY(q.exec(sql));
        int checked = 0;
        while (q.next()) {
            const QString number = q.value(0).toString();
            QVERIFY2(kind == "J" ? demo::ValidCnpj(number) : demo::ValidCpf(number), qPrintable(number));
            ++checked;
        }
        QVERIFY(checked > 0);
    }

    void branchesShareTheirCompanyRoot() {
        QSqlQuery q(shared());
        QVERIFY(q.exec(QStringLiteral(
            "SELECT E.NRCNPJEMPR, F.NRCNPJFILI FROM FILIAL F JOIN EMPRESA E ON E.CDEMPRESA = F.CDEMPRESA")));
        std::set<QString> numbers;
        while (q.next()) {
            QCOMPARE(q.value(1).toString().left(8), q.value(0).toString().left(8));
            numbers.insert(q.value(1).toString());
        }
        QCOMPARE(int(numbers.size()), 11);
    }

    // An invoice issued by a sister branch stays within its company, and the registrations it carries are
    // those of the branch it is recorded under, whose address the RPS prints.
    void invoicesKeepTheirCompanysBranchesAndRegistrations() {
        QCOMPARE(count(shared(),
                       "SELECT COUNT(*) FROM NOTAFISCAL NF JOIN FILIAL F ON F.CDFILIAL = NF.CDFILIEMIT"
                       " WHERE F.CDEMPRESA <> NF.CDEMPRESA"),
                 0);
        QCOMPARE(count(shared(),
                       "SELECT COUNT(*) FROM NOTAFISCAL NF JOIN FILIAL F ON F.CDFILIAL = NF.CDFILIAL"
                       " WHERE F.CDEMPRESA <> NF.CDEMPRESA OR F.CDINSCMUNI <> NF.CDINSCMUNI"
                       " OR F.CDINSCESTA <> NF.CDINSCESTA"),
                 0);
    }

    void everySituationOccurs_data() {
        QTest::addColumn<QString>("emission");
        QTest::addColumn<QString>("transmission");
        for (const auto& [e, t] : std::vector<std::pair<const char*, const char*>>{{"1", "1"},
                                                                                   {"1", "2"},
                                                                                   {"1", "4"},
                                                                                   {"2", "1"},
                                                                                   {"2", "2"},
                                                                                   {"2", "3"},
                                                                                   {"2", "4"},
                                                                                   {"3", "4"}}) {
            QTest::addRow("%s/%s", e, t) << e << t;
        }
    }
    void everySituationOccurs() {
        QFETCH(QString, emission);
        QFETCH(QString, transmission);
        QSqlQuery q(shared());
        QVERIFY(q.prepare(
            QStringLiteral("SELECT COUNT(*) FROM NOTAFISCAL WHERE IDEMISSAORPS = ? AND IDTRANSMISRPS = ?")));
        q.addBindValue(emission);
        q.addBindValue(transmission);
        QVERIFY(q.exec() && q.next());
        QVERIFY2(q.value(0).toInt() > 0, "no invoice in this situation");
    }

    void referenceDataIsVaried_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("atLeast");
        QTest::newRow("clients of both kinds")
            << "SELECT COUNT(DISTINCT IDTPIJURCLIE) FROM CLIENTE WHERE IDTPIJURCLIE IN ('J', 'F')" << 2;
        QTest::newRow("a client without registration")
            << "SELECT COUNT(*) FROM CLIENTE WHERE NRINSJURCLIE IS NULL" << 1;
        QTest::newRow("operation types in both directions")
            << "SELECT COUNT(DISTINCT IDOPERACAO) FROM TIPOOPER" << 2;
        QTest::newRow("incoming invoices") << "SELECT COUNT(*) FROM NOTAFISCAL WHERE IDOPERACAO = 'E'" << 1;
        QTest::newRow("series without a control")
            << "SELECT COUNT(*) FROM SERIENF WHERE CDCTRLNUMENF IS NULL" << 1;
        QTest::newRow("series whose control row is missing")
            << "SELECT COUNT(*) FROM SERIENF S WHERE S.CDCTRLNUMENF IS NOT NULL AND NOT EXISTS "
               "(SELECT 1 FROM CTRLNUMENF C WHERE C.CDCTRLNUMENF = S.CDCTRLNUMENF)"
            << 1;
        QTest::newRow("series with a control row")
            << "SELECT COUNT(*) FROM SERIENF S JOIN CTRLNUMENF C ON C.CDCTRLNUMENF = S.CDCTRLNUMENF" << 1;
        QTest::newRow("several branches per company")
            << "SELECT MIN(N) FROM (SELECT COUNT(*) AS N FROM FILIAL GROUP BY CDEMPRESA) X" << 3;
        QTest::newRow("municipalities with IBGE codes")
            << "SELECT COUNT(*) FROM MUNICIPIO WHERE CDMUNICIBGE IS NOT NULL" << 20;
        QTest::newRow("cities with and without deadline")
            << "SELECT COUNT(DISTINCT CASE WHEN NRDIASCONVRPS IS NULL THEN 0 ELSE 1 END) FROM MUNICIPIO" << 2;
        QTest::newRow("cancelled RPS") << "SELECT COUNT(*) FROM RPSEMITIDO WHERE IDSITRPS = 'C'" << 1;
        QTest::newRow("issuing branch differs")
            << "SELECT COUNT(*) FROM NOTAFISCAL WHERE CDFILIEMIT <> CDFILIAL" << 1;
        QTest::newRow("a branch related to another company")
            << "SELECT COUNT(*) FROM EMPRCNTRFIL R JOIN FILIAL F ON F.CDFILIAL = R.CDFILIAL WHERE "
               "F.CDEMPRESA <> R.CDEMPRESA"
            << 1;
    }
    void referenceDataIsVaried() {
        QFETCH(QString, sql);
        QFETCH(int, atLeast);
        const int n = count(shared(), sql);
        QVERIFY2(n >= atLeast, qPrintable(QStringLiteral("%1 < %2").arg(n).arg(atLeast)));
    }

    // RPS numbers of every series run 1..last without a gap or a repeat, cancelled ones included, and each
    // invoice with an RPS points at its one standing ledger row.
    void ledgerAgreesWithInvoicesAndCounters() {
        QSqlDatabase db = shared();
        QSqlQuery series(db);
        QVERIFY(series.exec(
            QStringLiteral("SELECT S.CDEMPRESA, S.CDINSCMUNI, S.CDSERIERPS, S.NRULTRPS, COUNT(R.NRRPS),"
                           " MIN(R.NRRPS), MAX(R.NRRPS) FROM SERIERPS S LEFT JOIN RPSEMITIDO R"
                           " ON R.CDEMPRESA = S.CDEMPRESA AND R.CDINSCMUNI = S.CDINSCMUNI"
                           " AND R.CDSERIERPS = S.CDSERIERPS"
                           " GROUP BY S.CDEMPRESA, S.CDINSCMUNI, S.CDSERIERPS, S.NRULTRPS")));
        int seriesChecked = 0;
        while (series.next()) {
            const qint64 last = series.value(3).toLongLong();
            QCOMPARE(series.value(4).toLongLong(), last);
            if (last > 0) {
                QCOMPARE(series.value(5).toLongLong(), 1);
                QCOMPARE(series.value(6).toLongLong(), last);
            }
            ++seriesChecked;
        }
        QVERIFY(seriesChecked >= 20);

        QCOMPARE(
            count(db,
                  "SELECT COUNT(*) FROM NOTAFISCAL N WHERE N.IDEMISSAORPS IN ('2', '3') AND NOT EXISTS "
                  "(SELECT 1 FROM RPSEMITIDO R WHERE R.CDFILIAL = N.CDFILIAL AND R.NRLANCTONF = N.NRLANCTONF"
                  " AND R.IDSITRPS <> 'C' AND CAST(R.NRRPS AS VARCHAR(30)) = N.NRRPS"
                  " AND R.CDSERIERPS = N.CDSERIERPS)"),
            0);
        QCOMPARE(count(db,
                       "SELECT COUNT(*) FROM RPSEMITIDO R JOIN NOTAFISCAL N ON N.CDFILIAL = R.CDFILIAL"
                       " AND N.NRLANCTONF = R.NRLANCTONF WHERE R.IDSITRPS = 'S' AND N.IDEMISSAORPS <> '3'"),
                 0);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM NOTAFISCAL WHERE IDEMISSAORPS = '1' AND NRRPS IS NOT NULL"),
                 0);
        QCOMPARE(
            count(db, "SELECT COUNT(*) FROM NOTAFISCAL WHERE IDEMISSAORPS = '2' AND DTLIMCONVNFSE IS NULL"),
            0);
    }

    void sameSeedSameRows_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("firebird embedded") << "firebird";
    }
    void sameSeedSameRows() {
        QFETCH(QString, engine);
        const QByteArray first = contentDigest(generated(engine, 600, 42));
        const QByteArray again = contentDigest(generated(engine, 600, 42));
        const QByteArray other = contentDigest(generated(engine, 600, 43));
        QVERIFY(!first.isEmpty());
        QCOMPARE(again, first);
        QVERIFY(other != first);
        // And the engines hold the same data for the same seed.
        static QByteArray previousEngine;
        if (!previousEngine.isEmpty()) QCOMPARE(first, previousEngine);
        previousEngine = first;
    }

    // What the RPS report prints for one invoice is reachable from its key alone.
    void reportReachesTheInvoicesParties_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("firebird embedded") << "firebird";
    }
    void reportReachesTheInvoicesParties() {
        QFETCH(QString, engine);
        QSqlDatabase db = generated(engine, 300, 8);
        QSqlQuery pick(db);
        QVERIFY(pick.exec(
            "SELECT CDFILIAL, NRLANCTONF FROM NOTAFISCAL WHERE IDEMISSAORPS = '2' AND IDTPIJURNF = 'J'"));
        QVERIFY(pick.next());
        const QString branch = pick.value(0).toString();
        const QString entry = pick.value(1).toString();
        pick.finish();
        QSqlQuery q(db);
        QVERIFY(q.prepare(
            "SELECT E.NMRAZSOCEMPR, F.NRCNPJFILI, F.DSENDERFILI, M.NMMUNICIPIO, NF.CDINSCMUNI,"
            " C.NMRAZSOCCLIE, C.NRINSJURCLIE, C.DSENDERCLIE, NF.DSSERVICO, NF.VRSERVICO, NF.VRBASEISS,"
            " NF.PCALIQISS, NF.VRISS, NF.NRRPS, NF.CDSERIERPS, NF.DTEMISRPS, NF.DTLIMCONVNFSE"
            " FROM NOTAFISCAL NF JOIN FILIAL F ON F.CDFILIAL = NF.CDFILIAL"
            " JOIN EMPRESA E ON E.CDEMPRESA = NF.CDEMPRESA JOIN CLIENTE C ON C.CDCLIENTE = NF.CDCLIENTE"
            " LEFT JOIN MUNICIPIO M ON M.CDPAIS = F.CDPAIS AND M.SGESTADO = F.SGESTADO"
            " AND M.CDMUNICIPIO = F.CDMUNICIPIO WHERE NF.CDFILIAL = ? AND NF.NRLANCTONF = ?"));
        q.addBindValue(branch);
        q.addBindValue(entry);
        QVERIFY(q.exec());
        QVERIFY(q.next());
        for (int c = 0; c < 17; ++c) {
            const QVariant v = q.value(c);
            const bool present = v.metaType().id() == QMetaType::QDateTime ? v.toDateTime().isValid()
                                 : v.metaType().id() == QMetaType::QDate
                                     ? v.toDate().isValid()
                                     : !v.isNull() && !v.toString().isEmpty();
            QVERIFY2(present, qPrintable(QStringLiteral("column %1 is empty").arg(c)));
        }
        QVERIFY(demo::ValidCnpj(q.value(1).toString()));
        QCOMPARE(q.value(12).toDouble(), std::round(q.value(10).toDouble() * q.value(11).toDouble()) / 100.0);
        QVERIFY(!q.next());
    }

    void regeneratingReplacesTheContent() {
        QSqlDatabase db = generated("sqlite", 500, 9);
        const QByteArray fresh = contentDigest(db);
        demo::GenerateDemoData(db, {800, 2, kUntil});
        demo::GenerateDemoData(db, {500, 9, kUntil});
        QCOMPARE(contentDigest(db), fresh);
        QCOMPARE(count(db, "SELECT COUNT(*) FROM NOTAFISCAL"), 500);
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("sqlite") << QStringList{"--engine",  "sqlite",     "--database",
                                               "@dir/a.db", "--invoices", "120"}
                                << 0 << "120 notas fiscais";
        QTest::newRow("from a configuration")
            << QStringList{"--config", "@ini", "--invoices", "50"} << 0 << "50 notas fiscais";
        QTest::newRow("unknown engine") << QStringList{"--engine", "db2", "--database", "@dir/b.db"} << 1
                                        << "Banco de dados desconhecido na configuração: \"db2\"";
        QTest::newRow("no database") << QStringList{"--engine", "sqlite"} << 1 << "informe o banco de dados";
        QTest::newRow("bad count") << QStringList{"--database", "@dir/c.db", "--invoices", "many"} << 1
                                   << "número de notas inválido: many";
        QTest::newRow("bad date") << QStringList{"--database", "@dir/c.db", "--until", "31/12/2026"} << 1
                                  << "data inválida: 31/12/2026";
        QTest::newRow("missing configuration")
            << QStringList{"--config", "@dir/none.ini"} << 1 << "arquivo de configuração não encontrado";
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        const QString folder = dir_.filePath(QStringLiteral("cli%1").arg(++databases_));
        QDir().mkpath(folder);
        const QString ini = QDir(folder).filePath("kpv.ini");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("[database]\nengine=sqlite\npath=%1/from-ini.db\n").arg(folder).toUtf8());
        f.close();
        for (QString& a : args) a.replace("@dir", folder).replace("@ini", ini);
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(BuildProgram("kpv-demodata"), args);
        QVERIFY(tool.waitForFinished(120000));
        const QString text = QString::fromUtf8(tool.readAll());
        QCOMPARE(tool.exitCode(), exitCode);
        QVERIFY2(text.contains(output), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(DemoData)
#include "test_demodata.moc"
