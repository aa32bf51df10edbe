// An issued RPS of the application database as the DPS its rows make, on SQLite and Firebird: each row of
// the table changes what one RPS is made of and names what its document must then say, or why there is
// none.
#include "db/connection.h"
#include "db/database.h"
#include "db/demodata/demo_generator.h"
#include "nfse/dps_document.h"
#include "nfse/nfse_error.h"
#include "nfse/rps/rps_dps.h"
#include "test_database.h"
#include "test_database_settings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace kpv;

namespace {

const QDate kUntil(2026, 6, 30);

// Which RPS the rows change: an issued one of branch 0001 whose invoice is not transmitted.
struct Chosen {
    QString branch;
    QString entry;
    QString client;
};

}  // namespace

class RpsDps : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QMap<QString, TestDatabase> templates_;  // by engine, closed
    QMap<QString, Chosen> chosen_;
    int copies_ = 0;

    // The engine's demo database, made once; a copy of it for each row.
    TestDatabase copyOf(const QString& engine) {
        if (!templates_.contains(engine)) {
            const QString folder = dir_.filePath(engine);
            const TestDatabase t =
                engine == u"sqlite" ? TestDatabase::Sqlite(folder) : TestDatabase::FirebirdEmbedded(folder);
            {
                QSqlDatabase db = db::OpenDatabase(SettingsOf(t), QStringLiteral("template"));
                demo::GenerateDemoData(db, {300, 5, kUntil});
            }
            db::CloseDatabase(QStringLiteral("template"));
            const std::unique_ptr<db::Connection> c = db::Connect(SettingsOf(t));
            nfse::RpsSelection selection;
            selection.company = QStringLiteral("01");
            for (const nfse::RpsDps& r : nfse::ReadRpsToExport(*c, selection, {})) {
                if (r.rps.branch == u"0001" && r.dps) {
                    chosen_[engine] = {r.rps.branch, r.rps.entry, QString()};
                    break;
                }
            }
            db::Statement& q = c->prepare(
                QStringLiteral("SELECT CDCLIENTE FROM NOTAFISCAL WHERE CDFILIAL = ? AND NRLANCTONF = ?"));
            q.execute({chosen_[engine].branch, chosen_[engine].entry});
            if (q.next()) chosen_[engine].client = q.string(0).trimmed();
            q.finish();
            templates_[engine] = t;
        }
        TestDatabase copy = templates_[engine];
        const QString folder = dir_.filePath(QStringLiteral("copy%1").arg(++copies_));
        QDir().mkpath(folder);
        copy.path = QDir(folder).filePath(QFileInfo(copy.path).fileName());
        QFile::copy(templates_[engine].path, copy.path);
        return copy;
    }

  private Q_SLOTS:
    void initTestCase() {
        // Amounts are written with a point whatever the user's locale writes.
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    }

    void rowsMakeTheirDocument_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QStringList>("statements");  // :BRANCH, :ENTRY and :CLIENT stand for the RPS's
        QTest::addColumn<QStringList>("written");     // in the document, in this order
        QTest::addColumn<QString>("refusal");         // or the reason there is none, in part
        const QString ofInvoice = QStringLiteral(" WHERE CDFILIAL = :BRANCH AND NRLANCTONF = :ENTRY");
        const QString ofClient = QStringLiteral(" WHERE CDCLIENTE = :CLIENT");
        const QString ofCompany = QStringLiteral(" WHERE CDEMPRESA = '01'");
        struct Row {
            const char* name;
            QStringList statements;
            QStringList written;
            QString refusal;
        };
        const std::vector<Row> rows{
            {"a company taker, as the invoice names it",
             {"UPDATE NOTAFISCAL SET IDTPIJURNF = 'J', NRINSJURNF = '11222333000181'" + ofInvoice},
             {"<toma><CNPJ>11222333000181</CNPJ>"},
             {}},
            {"a person taker",
             {"UPDATE NOTAFISCAL SET IDTPIJURNF = 'F', NRINSJURNF = '52998224725'" + ofInvoice},
             {"<toma><CPF>52998224725</CPF>"},
             {}},
            {"a taker abroad without a tax number, at its address abroad",
             {"UPDATE NOTAFISCAL SET IDTPIJURNF = 'E', NRINSJURNF = NULL,"
              " CDCLIENTE = (SELECT CDCLIENTE FROM CLIENTE WHERE IDTPIJURCLIE = 'E')" +
              ofInvoice},
             {"<toma><cNaoNIF>0</cNaoNIF><xNome>Lusitana Software Unipessoal Lda</xNome><end><endExt>"
              "<cPais>PT</cPais><cEndPost>1100-148</cEndPost><xCidade>Lisboa</xCidade>"
              "<xEstProvReg>Lisboa</xEstProvReg></endExt>"},
             {}},
            {"a taker abroad with its tax number",
             {"UPDATE NOTAFISCAL SET IDTPIJURNF = 'E', NRINSJURNF = 'PT509876543'" + ofInvoice},
             {"<toma><NIF>PT509876543</NIF>"},
             {}},
            {"a typed phone and typographic quotes in the street",
             {"UPDATE CLIENTE SET NRTELEFCLIE = '(11) 3333-4444', DSENDERCLIE = 'Rua “Aurora” – Bloco 2'" +
              ofClient},
             {"<xLgr>Rua \"Aurora\" - Bloco 2</xLgr>", "<fone>1133334444</fone>"},
             {}},
            {"a name beyond Latin-1, which names take",
             {"UPDATE CLIENTE SET NMRAZSOCCLIE = 'Łódź Software  Sp. z o.o.'" + ofClient},
             {"<xNome>Łódź Software Sp. z o.o.</xNome>"},
             {}},
            {"a street beyond Latin-1, which addresses do not take",
             {"UPDATE CLIENTE SET DSENDERCLIE = 'ulica Łódzka'" + ofClient},
             {},
             "\"ulica Łódzka\" tem o caractere \"Ł\" (U+0141), que a DPS não aceita."},
            {"amounts in hundredths with a point",
             {"UPDATE NOTAFISCAL SET VRSERVICO = 1234.5, PCALIQISS = 2.5" + ofInvoice},
             {"<vServ>1234.50</vServ>", "<pAliq>2.50</pAliq>"},
             {}},
            {"the invoice's amount where the service's is missing",
             {"UPDATE NOTAFISCAL SET VRSERVICO = NULL, VRNOTAFISC = 99.9" + ofInvoice},
             {"<vServ>99.90</vServ>"},
             {}},
            {"a rate of three decimals",
             {"UPDATE NOTAFISCAL SET PCALIQISS = 2.125" + ofInvoice},
             {},
             "A alíquota do ISS da nota fiscal, 2.1250%, tem mais de duas casas decimais."},
            {"the invoice's national code over its type's",
             {"UPDATE NOTAFISCAL SET CDTRIBNAC = '990101'" + ofInvoice},
             {"<cTribNac>990101</cTribNac>"},
             {}},
            {"no national code at all",
             {"UPDATE NOTAFISCAL SET CDTRIBNAC = NULL" + ofInvoice, "UPDATE TIPOOPER SET CDTRIBNAC = NULL"},
             {},
             "(NOTAFISCAL.CDTRIBNAC, TIPOOPER.CDTRIBNAC)"},
            {"ISS withheld by the taker",
             {"UPDATE NOTAFISCAL SET IDTPRETISS = '2'" + ofInvoice},
             {"<tpRetISSQN>2</tpRetISSQN>"},
             {}},
            {"an ME/EPP provider in a special regime",
             {"UPDATE EMPRESA SET IDOPSIMPNAC = '3', IDREGAPTRIBSN = '2', IDREGESPTRIB = '5'" + ofCompany},
             {"<regTrib><opSimpNac>3</opSimpNac><regApTribSN>2</regApTribSN><regEspTrib>5</regEspTrib>"},
             {}},
            {"the provider's tax standing not recorded",
             {"UPDATE EMPRESA SET IDOPSIMPNAC = NULL" + ofCompany},
             {},
             "A empresa 01 não tem informada a sua situação no Simples Nacional (EMPRESA.IDOPSIMPNAC"},
            {"a branch in Acre",
             {"INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO, CDMUNICIBGE)"
              " VALUES ('1058', 'AC', '0001', 'Rio Branco', '1200401')",
              "UPDATE FILIAL SET SGESTADO = 'AC', CDMUNICIPIO = '0001' WHERE CDFILIAL = :BRANCH"},
             {"<infDPS Id=\"DPS1200401", "-05:00</dhEmi>", "<cLocEmi>1200401</cLocEmi>",
              "<cLocPrestacao>1200401</cLocPrestacao>"},
             {}},
            {"a branch on Fernando de Noronha",
             {"INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO, CDMUNICIBGE)"
              " VALUES ('1058', 'PE', '0099', 'Fernando de Noronha', '2605459')",
              "UPDATE FILIAL SET SGESTADO = 'PE', CDMUNICIPIO = '0099' WHERE CDFILIAL = :BRANCH"},
             {"-02:00</dhEmi>", "<cLocEmi>2605459</cLocEmi>"},
             {}},
            {"an RPS series of letters",
             {"UPDATE RPSEMITIDO SET CDSERIERPS = 'RPS'" + ofInvoice + " AND IDSITRPS = 'E'",
              "UPDATE NOTAFISCAL SET CDSERIERPS = 'RPS'" + ofInvoice},
             {},
             "A série \"RPS\" não serve para a DPS: deve ter de 1 a 5 algarismos."},
        };
        for (const char* engine : {"sqlite", "firebird"}) {
            for (const Row& r : rows)
                QTest::addRow("%s: %s", engine, r.name) << engine << r.statements << r.written << r.refusal;
        }
    }
    void rowsMakeTheirDocument() {
        QFETCH(QString, engine);
        QFETCH(QStringList, statements);
        QFETCH(QStringList, written);
        QFETCH(QString, refusal);
        const TestDatabase database = copyOf(engine);
        const Chosen rps = chosen_.value(engine);
        QVERIFY2(!rps.entry.isEmpty(), "the demo data has no issued RPS of branch 0001 to export");
        {
            QSqlDatabase db = db::OpenDatabase(SettingsOf(database), QStringLiteral("change"));
            for (QString statement : statements) {
                statement.replace(":BRANCH", "'" + rps.branch + "'")
                    .replace(":ENTRY", "'" + rps.entry + "'")
                    .replace(":CLIENT", "'" + rps.client + "'");
                QSqlQuery q(db);
                QVERIFY2(q.exec(statement), qPrintable(statement + ": " + q.lastError().text()));
            }
        }
        db::CloseDatabase(QStringLiteral("change"));

        const std::unique_ptr<db::Connection> connection = db::Connect(SettingsOf(database));
        const std::optional<nfse::RpsDps> read =
            nfse::ReadStandingRps(*connection, rps.branch, rps.entry, {});
        QVERIFY(read);
        if (!refusal.isEmpty()) {
            QVERIFY2(!read->dps && read->refusal.contains(refusal), qPrintable(read->refusal));
            return;
        }
        QVERIFY2(read->dps, qPrintable(read->refusal));
        const QString document = QString::fromUtf8(nfse::UnsignedDps(*read->dps));
        qsizetype at = 0;
        for (const QString& part : written) {
            const qsizetype found = document.indexOf(part, at);
            QVERIFY2(found >= 0, qPrintable(QStringLiteral("%1 not in order in %2").arg(part, document)));
            at = found + part.size();
        }
        // The same rows make the same bytes.
        QCOMPARE(nfse::UnsignedDps(*nfse::ReadStandingRps(*connection, rps.branch, rps.entry, {})->dps),
                 document.toUtf8());
    }
};

QTEST_GUILESS_MAIN(RpsDps)
#include "test_rps_dps.moc"
