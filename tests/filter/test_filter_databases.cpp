// The dialog's own statements on each engine the application database runs on: the embedded SQLite file
// and a Firebird server. The series query runs a statement per dialect (SQL_IB on Firebird), and every
// engine must give the same rows; the branch, registration and client checks run their generic statements.
#include "db/dialect.h"
#include "emission/cli_kpv41000.h"
#include "emission_screen.h"
#include "filter/cli_kpv41100.h"
#include "filter_database.h"
#include "filter_dialog.h"
#include "framework/core/context.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_module.h"
#include "framework/data/query.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"
#include "screen_fixture.h"
#include "test_database_settings.h"

#include <QtTest>

using namespace Cli_kpv41100;
using namespace filtertest;

class FilterDatabases : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void checks_data();
    void checks();
    void seriesListIsTheSameOnEveryEngine_data();
    void seriesListIsTheSameOnEveryEngine();

  private:
    void addEngines();
    // Opens the engine's database for the queries and brings the dialog up on it.
    void showOn(const QString& engine, const std::function<void(TfrmFiltroEmissaoRPS*)>& script);

    ScreenFixture screens_;
    kpv::ScriptedInteraction& user_ = screens_.user();
};

void FilterDatabases::initTestCase() {
    QVERIFY(screens_.dir().isValid());
    kpv::Context().filiProc = QStringLiteral("0001");
    kpv::Context().dataProc = QDate(2026, 3, 17);

    filtertest::CreateFilterDatabase(SettingsOf(TestDatabase::Sqlite(screens_.dir().path())),
                                     QStringLiteral("sqlite"));
    const TestDatabase firebird = TestDatabase::FirebirdServer(QStringLiteral("filter_databases"));
    QVERIFY2(firebird.isValid(),
             "no Firebird server: run under CTest, which starts the firebird_server fixture");
    filtertest::CreateFilterDatabase(SettingsOf(firebird), QStringLiteral("firebird"));

    screens_.showMdi();
    QVERIFY(OpenEmissionScreen(filtertest::kEmpresa));
}

void FilterDatabases::init() {
    delete frmFiltroEmissaoRPS.data();
    screens_.resetUser();
}

void FilterDatabases::cleanupTestCase() {
    delete frmFiltroEmissaoRPS.data();
    QVERIFY(CloseEmissionScreen());
    kpv::data::dtmDBGeral()->Close();
}

void FilterDatabases::showOn(const QString& engine,
                             const std::function<void(TfrmFiltroEmissaoRPS*)>& script) {
    kpv::data::dtmDBGeral()->Open(engine);
    user_.modalScripts.push_back([script](QDialog* d) { script(static_cast<TfrmFiltroEmissaoRPS*>(d)); });
    CriaFiltroEmissaoRPS();
}

void FilterDatabases::checks_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("leaving");
    QTest::addColumn<QString>("typed");  // typed into the field before leaving it
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus");

    struct Row {
        const char* name;
        QStringList values;
        const char* leaving;
        const char* typed;
        QStringList messages;
        const char* focus;
    };
    const QStringList pair = {"0001", "110042490114", "12345678"};
    const Row rows[] = {
        {"series of the pair", pair + QStringList{"A1"}, "edtCdSerie", "", {}, "chbNaoEmitido"},
        {"series without number control", pair + QStringList{"A3"}, "edtCdSerie", "", {}, "chbNaoEmitido"},
        {"series typed in lower case", pair + QStringList{""}, "edtCdSerie", "f1", {}, "chbNaoEmitido"},
        {"series of another pair",
         pair + QStringList{"B1"},
         "edtCdSerie",
         "",
         {"Série não cadastrada."},
         "edtCdSerie"},
        {"series of another company",
         pair + QStringList{"C1"},
         "edtCdSerie",
         "",
         {"Série não cadastrada."},
         "edtCdSerie"},
        {"unknown branch", {"0099"}, "medCdFilial", "", {"Filial não cadastrada."}, "medCdFilial"},
        {"branch of another company",
         {"0005"},
         "medCdFilial",
         "",
         {"Filial não relacionada para a empresa informada."},
         "medCdFilial"},
        {"state registration whose municipality is missing",
         {"0001", "120000000000"},
         "edtCdInscEsta",
         "",
         {"Inscrição estadual não cadastrada."},
         "edtCdInscEsta"},
        {"state registration not related",
         {"0001", "130000000000"},
         "edtCdInscEsta",
         "",
         {"Inscrição estadual não relacionada para a empresa informada."},
         "edtCdInscEsta"},
        {"state registration related through EMPRCNTRFIL",
         {"0001", "119999999111"},
         "edtCdInscEsta",
         "",
         {},
         "chbNaoEmitido"},
        {"registered client",
         pair + QStringList{"A1"},
         "medCliente",
         "12.345.678/0001-95",
         {},
         "chbNaoEmitido"},
        {"client not registered",
         pair + QStringList{"A1"},
         "medCliente",
         "98765432100",
         {"Cliente não cadastrado."},
         "medCliente"},
    };
    for (const char* engine : {"sqlite", "firebird"}) {
        for (const Row& r : rows) {
            QTest::addRow("%s: %s", engine, r.name) << QString(engine) << r.values << QString(r.leaving)
                                                    << QString(r.typed) << r.messages << QString(r.focus);
        }
    }
}

void FilterDatabases::checks() {
    QFETCH(QString, engine);
    QFETCH(QStringList, values);
    QFETCH(QString, leaving);
    QFETCH(QString, typed);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QStringList shown;
    QString focused;
    showOn(engine, [&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        Fill(d, values);
        user_.clear();
        auto* field = d->findChild<QWidget*>(leaving);
        field->setFocus();
        QTest::keyClicks(field, typed);
        Settle(d);
        shown = user_.messageTexts();
        focused = Focused();
    });
    QCOMPARE(shown, messages);
    QCOMPARE(focused, focus);
}

void FilterDatabases::seriesListIsTheSameOnEveryEngine_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("driver");
    QTest::newRow("sqlite") << "sqlite"
                            << "QSQLITE";
    QTest::newRow("firebird") << "firebird"
                              << "QIBASE";
}

// The lookup lists the series with a null series parameter; a series without number control comes with
// the number control's columns empty.
void FilterDatabases::seriesListIsTheSameOnEveryEngine() {
    QFETCH(QString, engine);
    QFETCH(QString, driver);
    const kpv::db::Dialect& dialect = kpv::db::DialectForDriver(driver);
    user_.rowPicks.push_back(std::nullopt);
    showOn(engine, [&](TfrmFiltroEmissaoRPS* d) {
        QCOMPARE(kpv::data::dtmDBGeral()->Dialect().name(), dialect.name());
        const QStringList& ran = d->qrySerieNF->StatementFor(dialect);
        QCOMPARE(ran, driver == "QIBASE" ? d->qrySerieNF->SQL_IB : d->qrySerieNF->SQL_SQLITE);
        d->btpSerieNF->Click();
        kpv::data::TClientDataSet* list = d->qrySerieNF->Query();
        QCOMPARE(Column(list, "CDSERIE"), QStringList({"A1", "A3", "F1"}));
        QCOMPARE(Column(list, "DSSERIE"), QStringList({"Serviços A1", "Sem controle", "Faturamento"}));
        QCOMPARE(Column(list, "CDINSCESTA"), QStringList(3, "110042490114"));
        QCOMPARE(Column(list, "CDCTRLNUMENF"), QStringList({"CTL01", "", "CTL01"}));
        QCOMPARE(Column(list, "IDCONSDTEMIS"), QStringList({"S", "", "S"}));
        QCOMPARE(Column(list, "IDUTDTPREMIS"), QStringList({"S", "N", "S"}));
        list->First();
        QCOMPARE(list->FieldByName("DTEMISCTNUNF")->AsDateTime(), QDateTime(QDate(2026, 3, 2), QTime(8, 30)));
        list->Next();
        QVERIFY(list->FieldByName("DTEMISCTNUNF")->IsNull());
    });
    QCOMPARE(user_.pickTitles, QStringList{"Série de Documentos de Saída"});
}

QTEST_MAIN(FilterDatabases)
#include "test_filter_databases.moc"
