// The filter dialog against a real SQLite file, the real kpv-appserver on 127.0.0.1 and the real emission
// screen: creation defaults, the restore on every show, cancel, the change chains between the fields, the
// branch, registration and series checks with their messages and focus, the lookups, and the server
// calls the municipal registration makes.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter_database.h"
#include "filter_dialog.h"
#include "filter_environment.h"
#include "framework/core/context.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_module.h"
#include "framework/data/query.h"
#include "framework/ui/application.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/date_edit.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"

#include <QDir>
#include <QGuiApplication>
#include <QSqlDatabase>
#include <QtTest>

using namespace Cli_kpv41100;
using kpv::ui::TCustomEdit;
using namespace filtertest;

namespace {

const QStringList kBranch0001 = {"0001", "Matriz Alfa", "110042490114", "12345678", "A1"};
// In place of a focus: a confirmation that passed every check fetched the invoices and closed the dialog.
const QString kClosed = QStringLiteral("(closed)");

}  // namespace

class FilterScreen : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void creationDefaults_data();
    void creationDefaults();
    void defaultDateRange_data();
    void defaultDateRange();
    void failedBranchCheckAtCreationKeepsTheZeroRecord();
    void noRelationMessageWhileCreating_data();
    void noRelationMessageWhileCreating();
    void cancelShowsTheLastConfirmedFilterAgain();
    void eachRestoreOnItsOwnPutsTheRecordBack_data();
    void eachRestoreOnItsOwnPutsTheRecordBack();
    void companyChangedOnTheEmissionScreenIsSeenAtTheNextShow();
    void changeChains_data();
    void changeChains();
    void checks_data();
    void checks();
    void lookups_data();
    void lookups();
    void municipalRegistrationServerCalls();
    void seriesExitRunsUnderTheBusyAnimation_data();
    void seriesExitRunsUnderTheBusyAnimation();
    void serverFailureOnTheMunicipalRegistration();
    void databaseErrorInTheSeriesCheckWithdrawsTheConfirmation();
    void screenshot();

  private:
    // Shows the dialog through its entry and runs the script while it is up; returns the entry's answer.
    bool show(const DialogScript& script) { return env_.show(script); }
    int inscrMunicipCalls() {
        return static_cast<int>(env_.relay().calls(QStringLiteral("GetInscrMunicip")).size());
    }

    FilterEnvironment env_;
    kpv::ScriptedInteraction& user_ = env_.user();
};

void FilterScreen::initTestCase() {
    QString error;
    QVERIFY2(env_.start(&error), qPrintable(error));
}

// Every test starts from a dialog not yet created.
void FilterScreen::init() {
    env_.reset();
}

void FilterScreen::cleanupTestCase() {
    env_.stop();
    QCOMPARE(env_.server().stop(), 0);
}

void FilterScreen::creationDefaults_data() {
    QTest::addColumn<bool>("moduFili");
    QTest::addColumn<int>("modulo");
    QTest::addColumn<QString>("filiProc");
    QTest::addColumn<QStringList>("upperRows");
    QTest::addColumn<bool>("branchEnabled");

    const QStringList billing = {"0004", "Alfa Faturamento", "110042490114", "12345678", "F1"};
    QTest::newRow("module 14 takes the billing branch") << false << 14 << "0001" << billing << true;
    QTest::newRow("module 15 takes the billing branch") << false << 15 << "0001" << billing << true;
    QTest::newRow("module 16 takes the billing branch") << false << 16 << "0001" << billing << true;
    QTest::newRow("module 13 takes the user's branch") << false << 13 << "0001" << kBranch0001 << true;
    QTest::newRow("module 17 takes the user's branch") << false << 17 << "0001" << kBranch0001 << true;
    QTest::newRow("only the low 8 bits of the module count")
        << false << 256 + 15 << "0001" << billing << true;
    QTest::newRow("per-branch module: the user's branch, locked")
        << true << 15 << "0001" << kBranch0001 << false;
    QTest::newRow("a short branch code is padded")
        << false << 0 << "2" << QStringList{"0002", "Alfa Campinas", "244123456119", "87654321", "B1"}
        << true;
}

void FilterScreen::creationDefaults() {
    QFETCH(bool, moduFili);
    QFETCH(int, modulo);
    QFETCH(QString, filiProc);
    QFETCH(QStringList, upperRows);
    QFETCH(bool, branchEnabled);
    kpv::Context().moduFili = moduFili;
    kpv::Context().moduloAtiv = modulo;
    kpv::Context().filiProc = filiProc;

    show([&](TfrmFiltroEmissaoRPS* d) {
        QCOMPARE(UpperRows(d), upperRows);
        QCOMPARE(d->lblFilial->isEnabled(), branchEnabled);
        QCOMPARE(d->medCdFilial->isEnabled(), branchEnabled);
        QCOMPARE(d->btpFiliEmit->isEnabled(), branchEnabled);
        if (branchEnabled) QCOMPARE(Focused(), QString("medCdFilial"));
        // What the dialog shows is what it remembers.
        QCOMPARE(d->FilterOnScreen(), d->recFiltro);
        // The user works in the dialog: no busy cursor while it is up.
        QCOMPARE(kpv::ui::Application().Cursor(), kpv::ui::crDefault);
        QVERIFY(!QGuiApplication::overrideCursor());
    });
    QCOMPARE(kpv::ui::Application().Cursor(), kpv::ui::crDefault);
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(user_.messageTexts().isEmpty());
    const TRecordFilter& r = frmFiltroEmissaoRPS->recFiltro;
    QCOMPARE(r.stCdFilial, upperRows[0]);
    QCOMPARE(r.stNmFilial, upperRows[1]);
    QCOMPARE(r.stCdSerie, upperRows[4]);
    QVERIFY(r.boTodosTipoOper);
    QCOMPARE(r.nrIdOperacao, 0);
    QVERIFY(!r.boSemNaoEmitido && !r.boSemEmitido && !r.boSemSubstituido);
    QVERIFY(r.stCliente.isEmpty() && r.stListaTipoOper.isEmpty());
    QCOMPARE(frmFiltroEmissaoRPS->cbbIdOperacao->currentText(), QString("Saída"));
}

void FilterScreen::defaultDateRange_data() {
    QTest::addColumn<QDate>("processing");
    QTest::addColumn<int>("modulo");
    QTest::addColumn<QDate>("billingBranchDate");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");

    QTest::newRow("17 March") << QDate(2026, 3, 17) << 0 << QDate() << QDate(2026, 3, 1)
                              << QDate(2026, 3, 17);
    QTest::newRow("first of the month")
        << QDate(2026, 3, 1) << 0 << QDate() << QDate(2026, 3, 1) << QDate(2026, 3, 1);
    QTest::newRow("leap day") << QDate(2028, 2, 29) << 0 << QDate() << QDate(2028, 2, 1)
                              << QDate(2028, 2, 29);
    QTest::newRow("billing module still uses the user's branch")
        << QDate(2026, 3, 17) << 15 << QDate(2026, 5, 20) << QDate(2026, 3, 1) << QDate(2026, 3, 17);
}

void FilterScreen::defaultDateRange() {
    QFETCH(QDate, processing);
    QFETCH(int, modulo);
    QFETCH(QDate, billingBranchDate);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    kpv::Context().dataProc = processing;
    kpv::Context().moduloAtiv = modulo;
    if (billingBranchDate.isValid())
        kpv::Context().dataProcByBranch.insert(QStringLiteral("0004"), billingBranchDate);

    show([&](TfrmFiltroEmissaoRPS* d) {
        QCOMPARE(d->depSaidIni->GetDate(), from);
        QCOMPARE(d->depSaidFim->GetDate(), to);
    });
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro.dtSaidIni, from);
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro.dtSaidFim, to);
}

// The message is shown and the creation handler stops, but the dialog still comes up, from a record
// nobody filled: no branch, no dates, and "Lista" since "Todos" was never remembered.
void FilterScreen::failedBranchCheckAtCreationKeepsTheZeroRecord() {
    kpv::Context().filiProc = QStringLiteral("0099");
    const bool confirmed = show([&](TfrmFiltroEmissaoRPS* d) {
        QCOMPARE(UpperRows(d), QStringList({"", "", "", "", ""}));
        QVERIFY(d->depSaidIni->GetDate().isNull());
        QVERIFY(d->rdgListaTipoOper->Checked());
        QVERIFY(d->btpTipoOper->isEnabled());
    });
    QVERIFY(!confirmed);
    QCOMPARE(user_.messageTexts(), QStringList{"Filial não cadastrada."});
    QCOMPARE(user_.modalShows, 1);
    QVERIFY(frmFiltroEmissaoRPS);
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro, TRecordFilter());
}

void FilterScreen::noRelationMessageWhileCreating_data() {
    QTest::addColumn<bool>("moduFili");
    QTest::addColumn<QString>("focus");
    QTest::newRow("branch field free") << false << "medCdFilial";
    // The branch field is disabled: the next row takes the focus.
    QTest::newRow("per-branch module") << true << "edtCdInscEsta";
}

// While the dialog is being created it is not the active window, so a branch of another company goes
// unsaid; the confirmation reports it.
void FilterScreen::noRelationMessageWhileCreating() {
    QFETCH(bool, moduFili);
    QFETCH(QString, focus);
    kpv::Context().filiProc = QStringLiteral("0003");
    kpv::Context().moduFili = moduFili;
    QStringList atConfirmation;
    show([&](TfrmFiltroEmissaoRPS* d) {
        QCOMPARE(UpperRows(d), QStringList({"0003", "Beta Matriz", "330011223344", "55550001", "C1"}));
        QVERIFY(user_.messageTexts().isEmpty());
        d->sbtConfirma->Click();
        atConfirmation = user_.messageTexts();
        QCOMPARE(Focused(), focus);
    });
    QCOMPARE(atConfirmation, QStringList{"Filial não relacionada para a empresa informada."});
}

void FilterScreen::cancelShowsTheLastConfirmedFilterAgain() {
    TRecordFilter created;
    auto editAndCancel = [&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        d->medCdFilial->SetText(QStringLiteral("2"));
        Leave(d, d->medCdFilial);
        d->depSaidIni->SetDate(QDate(2025, 1, 5));
        d->chbEmitido->SetChecked(false);
        d->rdgListaTipoOper->SetChecked(true);
        d->medCliente->SetText(QStringLiteral("12345678909"));
        QVERIFY(d->FilterOnScreen() != d->recFiltro);
        d->sbtCancel->Click();
        QVERIFY(!d->isVisible());
    };

    QVERIFY(!show([&](TfrmFiltroEmissaoRPS* d) {
        created = d->recFiltro;
        editAndCancel(d);
    }));
    QVERIFY(!boConfirma);
    show([&](TfrmFiltroEmissaoRPS* d) { QCOMPARE(d->FilterOnScreen(), created); });

    // What a confirmation remembers.
    TRecordFilter confirmed;
    confirmed.nrIdOperacao = 0;
    confirmed.stCliente = QStringLiteral("12345678000195");
    confirmed.stNmCliente = QStringLiteral("Cliente Exemplo");
    confirmed.stListaTipoOper = QStringLiteral("S01,S05");
    confirmed.stCdFilial = QStringLiteral("0002");
    confirmed.stNmFilial = QStringLiteral("Alfa Campinas");
    confirmed.stCdInscEsta = QStringLiteral("244123456119");
    confirmed.stCdInscMuni = QStringLiteral("87654321");
    confirmed.stCdSerie = QStringLiteral("B1");
    confirmed.dtSaidIni = QDate(2026, 2, 1);
    confirmed.dtSaidFim = QDate(2026, 2, 28);
    confirmed.boTodosTipoOper = false;
    confirmed.boSemEmitido = true;
    frmFiltroEmissaoRPS->recFiltro = confirmed;
    Cli_kpv41000::frmEmissaoRPS->ListaTipoOper.clear();

    for (int round = 0; round < 2; ++round) {
        show([&](TfrmFiltroEmissaoRPS* d) {
            QCOMPARE(d->FilterOnScreen(), confirmed);
            // Selecting "Lista" emptied the list a moment before it was put back.
            QCOMPARE(Cli_kpv41000::frmEmissaoRPS->ListaTipoOper, QString("S01,S05"));
            QVERIFY(d->btpTipoOper->isEnabled());
            QVERIFY(d->chbNaoEmitido->Checked() && !d->chbEmitido->Checked() && d->chbSubstituido->Checked());
            editAndCancel(d);
        });
    }
}

void FilterScreen::eachRestoreOnItsOwnPutsTheRecordBack_data() {
    QTest::addColumn<bool>("activation");
    QTest::newRow("show") << false;
    QTest::newRow("activation") << true;
}

// Show and activation each run the whole restore, in the order that lets every value survive the change
// handlers of the values written after it.
void FilterScreen::eachRestoreOnItsOwnPutsTheRecordBack() {
    QFETCH(bool, activation);
    show([](TfrmFiltroEmissaoRPS*) {});
    TfrmFiltroEmissaoRPS* d = frmFiltroEmissaoRPS;
    TRecordFilter remembered = d->recFiltro;
    remembered.stCdFilial = QStringLiteral("0002");
    remembered.stNmFilial = QStringLiteral("Alfa Campinas");
    remembered.stCdInscEsta = QStringLiteral("244123456119");
    remembered.stCdInscMuni = QStringLiteral("87654321");
    remembered.stCdSerie = QStringLiteral("B1");
    remembered.stCliente = QStringLiteral("12345678909");
    remembered.stNmCliente = QStringLiteral("Maria Silva");
    remembered.boTodosTipoOper = false;
    remembered.stListaTipoOper = QStringLiteral("S05");
    remembered.boSemSubstituido = true;
    d->recFiltro = remembered;

    Fill(d, {"0004", "119999999111", "99990000", "A2"});
    d->rdgTodosTipoOper->SetChecked(true);
    d->chbNaoEmitido->SetChecked(false);
    d->depSaidFim->SetDate(QDate(2027, 1, 1));
    Cli_kpv41000::frmEmissaoRPS->ListaTipoOper = QStringLiteral("S01");
    boConfirma = true;
    if (activation)
        d->FormActivate(d);
    else
        d->FormShow(d);
    QCOMPARE(d->FilterOnScreen(), remembered);
    QVERIFY(d->btpTipoOper->isEnabled());
    QVERIFY(!boConfirma);
}

void FilterScreen::companyChangedOnTheEmissionScreenIsSeenAtTheNextShow() {
    show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        d->sbtConfirma->Click();
    });
    QVERIFY(user_.messageTexts().isEmpty());

    // The emission screen's change handler empties the old company's registration and series here.
    Cli_kpv41000::frmEmissaoRPS->medCdEmpresa->SetText(filtertest::kOutraEmpresa);
    QCOMPARE(frmFiltroEmissaoRPS->edtCdInscEsta->Text(), QString());
    QCOMPARE(frmFiltroEmissaoRPS->edtCdSerie->Text(), QString());

    show([&](TfrmFiltroEmissaoRPS* d) {
        QCOMPARE(UpperRows(d), kBranch0001);
        QCOMPARE(d->qryEmprCntrFil->ParamByName("P_CDEMPRESA")->AsString(), filtertest::kOutraEmpresa);
        Settle(d);
        d->sbtConfirma->Click();
        QCOMPARE(Focused(), QString("medCdFilial"));
    });
    QCOMPARE(user_.messageTexts(), QStringList{"Filial não relacionada para a empresa informada."});
}

void FilterScreen::changeChains_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");  // null: Clear()
    QTest::addColumn<QStringList>("after");

    QTest::newRow("branch empties name, registrations and series")
        << "medCdFilial"
        << "0002" << QStringList{"0002", "", "", "", ""};
    QTest::newRow("the same branch changes nothing") << "medCdFilial"
                                                     << "0001" << kBranch0001;
    QTest::newRow("state registration empties municipal and series")
        << "edtCdInscEsta"
        << "244123456119" << QStringList{"0001", "Matriz Alfa", "244123456119", "", ""};
    QTest::newRow("the same state registration changes nothing") << "edtCdInscEsta"
                                                                 << "110042490114" << kBranch0001;
    QTest::newRow("municipal registration empties the series")
        << "edtCdInscMuni"
        << "87654321" << QStringList{"0001", "Matriz Alfa", "110042490114", "87654321", ""};
    QTest::newRow("series empties nothing")
        << "edtCdSerie"
        << "A3" << QStringList{"0001", "Matriz Alfa", "110042490114", "12345678", "A3"};
    QTest::newRow("clearing the state registration runs the chain")
        << "edtCdInscEsta" << QString() << QStringList{"0001", "Matriz Alfa", "", "", ""};
}

void FilterScreen::changeChains() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QStringList, after);
    show([&](TfrmFiltroEmissaoRPS* d) {
        QCOMPARE(UpperRows(d), kBranch0001);
        auto* edit = d->findChild<TCustomEdit*>(field);
        if (value.isNull())
            edit->Clear();
        else
            edit->SetText(value);
        QCOMPARE(UpperRows(d), after);
    });
    QVERIFY(user_.messageTexts().isEmpty());
}

void FilterScreen::checks_data() {
    QTest::addColumn<QStringList>("values");  // branch, state and municipal registration, series
    QTest::addColumn<QString>("action");      // the field left, or "sbtConfirma"
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("confirma");
    QTest::addColumn<QStringList>("after");  // the upper rows afterwards; empty: as written

    const QString ok = "chbNaoEmitido";
    const QString closed = kClosed;
    const QStringList valid = {"0001", "110042490114", "12345678", "A1"};
    const QStringList asWritten;
    auto add = [](const char* name, const QStringList& values, const QString& action,
                  const QStringList& messages, const QString& focus, bool confirma,
                  const QStringList& after) {
        QTest::newRow(name) << values << action << messages << focus << confirma << after;
    };

    // Leaving a field.
    add("unknown branch", {"9"}, "medCdFilial", {"Filial não cadastrada."}, "medCdFilial", false,
        {"0009", "", "", "", ""});
    add("branch of another company", {"3"}, "medCdFilial",
        {"Filial não relacionada para a empresa informada."}, "medCdFilial", false,
        {"0003", "Beta Matriz", "", "", ""});
    add("empty branch offers nothing", {""}, "medCdFilial", {}, ok, false, {"", "", "", "", ""});
    add("padded branch refills all three from the branch", {"1", "119999999111", "99990000", "A2"},
        "medCdFilial", {}, ok, false, kBranch0001);
    add("unchanged branch keeps the registrations typed", {"0001", "119999999111", "99990000", "A2"},
        "medCdFilial", {}, ok, false, {"0001", "Matriz Alfa", "119999999111", "99990000", "A2"});
    add("empty state registration takes all three from the branch", {"0001", "", "99990000", "A2"},
        "medCdFilial", {}, ok, false, kBranch0001);
    add("the branch's own series is checked", {"0006"}, "medCdFilial", {"Série não cadastrada."},
        "edtCdSerie", false, {"0006", "Alfa Norte", "110042490114", "12345678", "Z9"});
    add("state registration whose municipality is missing", {"0001", "120000000000"}, "edtCdInscEsta",
        {"Inscrição estadual não cadastrada."}, "edtCdInscEsta", false, asWritten);
    add("state registration not related", {"0001", "130000000000"}, "edtCdInscEsta",
        {"Inscrição estadual não relacionada para a empresa informada."}, "edtCdInscEsta", false, asWritten);
    add("state registration of another company", {"0001", "330011223344"}, "edtCdInscEsta",
        {"Inscrição estadual não cadastrada."}, "edtCdInscEsta", false, asWritten);
    add("state registration related through EMPRCNTRFIL", {"0001", "119999999111"}, "edtCdInscEsta", {}, ok,
        false, asWritten);
    add("empty state registration on exit", {"0001", ""}, "edtCdInscEsta", {}, ok, false, asWritten);
    add("municipal registration not registered", {"0001", "110042490114", "00000000"}, "edtCdInscMuni",
        {"Inscrição municipal não cadastrada."}, "edtCdInscMuni", false, asWritten);
    add("municipal registration not related", {"0001", "110042490114", "77770000"}, "edtCdInscMuni",
        {"Inscrição municipal não relacionada para a empresa informada."}, "edtCdInscMuni", false, asWritten);
    add("municipal registration of another company", {"0001", "110042490114", "55550001"}, "edtCdInscMuni",
        {"Inscrição municipal não cadastrada."}, "edtCdInscMuni", false, asWritten);
    add("municipal registration related on another row", {"0001", "110042490114", "87654321"},
        "edtCdInscMuni", {}, ok, false, asWritten);
    add("series of another registration pair", {"0001", "110042490114", "12345678", "B1"}, "edtCdSerie",
        {"Série não cadastrada."}, "edtCdSerie", false, asWritten);
    add("series of another company", {"0001", "110042490114", "12345678", "C1"}, "edtCdSerie",
        {"Série não cadastrada."}, "edtCdSerie", false, asWritten);
    add("series without number control", {"0001", "110042490114", "12345678", "A3"}, "edtCdSerie", {}, ok,
        false, asWritten);
    add("empty series on exit", {"0001", "110042490114", "12345678", ""}, "edtCdSerie", {}, ok, false,
        asWritten);

    // Confirming: the checks in their order; only the series check withdraws the confirmation.
    add("all valid", valid, "sbtConfirma", {}, closed, true, asWritten);
    add("empty branch is accepted", {"", "110042490114", "12345678", "A1"}, "sbtConfirma", {}, closed, true,
        asWritten);
    add("a failed branch stops the later checks", {"0099", "130000000000", "", ""}, "sbtConfirma",
        {"Filial não cadastrada."}, "medCdFilial", true, asWritten);
    add("state registration required", {"0001", "", "12345678", "A1"}, "sbtConfirma",
        {"Inscrição Estadual deve ser Informada."}, "edtCdInscEsta", true, asWritten);
    add("municipal registration required", {"0001", "110042490114", "", "A1"}, "sbtConfirma",
        {"Inscrição Municipal deve ser Informada."}, "edtCdInscMuni", true, asWritten);
    add("state registration not related at confirmation", {"0001", "130000000000", "12345678", "A1"},
        "sbtConfirma", {"Inscrição estadual não relacionada para a empresa informada."}, "edtCdInscEsta",
        true, asWritten);
    add("series required", {"0001", "110042490114", "12345678", ""}, "sbtConfirma",
        {"Série deve ser Informada."}, "edtCdSerie", false, asWritten);
    add("series of another pair at confirmation", {"0001", "110042490114", "12345678", "B1"}, "sbtConfirma",
        {"Série não cadastrada."}, "edtCdSerie", false, asWritten);
    add("series without number control at confirmation", {"0001", "110042490114", "12345678", "A3"},
        "sbtConfirma", {}, closed, true, asWritten);
    add("registrations of the company relations", {"0001", "119999999111", "99990000", "A2"}, "sbtConfirma",
        {}, closed, true, asWritten);
}

void FilterScreen::checks() {
    QFETCH(QStringList, values);
    QFETCH(QString, action);
    QFETCH(QStringList, messages);
    QFETCH(QString, focus);
    QFETCH(bool, confirma);
    QFETCH(QStringList, after);

    QStringList shown;
    QStringList rows;
    QString focused;
    show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        Fill(d, values);
        user_.clear();
        if (action == QLatin1String("sbtConfirma"))
            d->sbtConfirma->Click();
        else
            Leave(d, d->findChild<QWidget*>(action));
        shown = user_.messageTexts();
        focused = d->isVisible() ? Focused() : kClosed;
        rows = UpperRows(d);
    });
    QCOMPARE(shown, messages);
    QCOMPARE(focused, focus);
    QCOMPARE(boConfirma, confirma);
    if (after.isEmpty()) {
        // The fields keep what the user typed.
        QCOMPARE(rows[0], values.value(0).trimmed());
        QCOMPARE(rows.mid(2, values.size() - 1), values.mid(1));
    } else {
        QCOMPARE(rows, after);
    }
}

void FilterScreen::lookups_data() {
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("keyField");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<int>("pick");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("every branch, of every company")
        << QStringList{"0001", "110042490114", "12345678", "A1"} << "btpFiliEmit"
        << "CDFILIAL" << QStringList{"0001", "0002", "0003", "0004", "0005", "0006"} << 1
        << QStringList{"0002", "Alfa Campinas", "", "", ""} << QStringList();
    QTest::newRow("picking the branch in the field refreshes only its name")
        << QStringList{"0001", "119999999111", "99990000", "A2"} << "btpFiliEmit"
        << "CDFILIAL" << QStringList{"0001", "0002", "0003", "0004", "0005", "0006"} << 0
        << QStringList{"0001", "Matriz Alfa", "119999999111", "99990000", "A2"} << QStringList();
    QTest::newRow("the company's state registrations with a municipality")
        << QStringList{"0001", "110042490114", "12345678", "A1"} << "btnInscrEstad"
        << "CDINSCESTA" << QStringList{"110042490114", "119999999111", "130000000000", "244123456119"} << 3
        << QStringList{"0001", "Matriz Alfa", "244123456119", "", ""} << QStringList();
    QTest::newRow("series of the company and both registrations")
        << QStringList{"0001", "110042490114", "12345678", "A1"} << "btpSerieNF"
        << "CDSERIE" << QStringList{"A1", "A3", "F1"} << 1
        << QStringList{"0001", "Matriz Alfa", "110042490114", "12345678", "A3"} << QStringList();
    QTest::newRow("no series for the pair")
        << QStringList{"0001", "130000000000", "77770000", ""} << "btpSerieNF"
        << "CDSERIE" << QStringList() << -1
        << QStringList{"0001", "Matriz Alfa", "130000000000", "77770000", ""}
        << QStringList{
               "Não há série cadastrada para a inscrição estadual "
               "informada."};
}

void FilterScreen::lookups() {
    QFETCH(QStringList, values);
    QFETCH(QString, button);
    QFETCH(QString, keyField);
    QFETCH(QStringList, listed);
    QFETCH(int, pick);
    QFETCH(QStringList, after);
    QFETCH(QStringList, messages);
    user_.rowPicks.push_back(pick >= 0 ? std::optional<int>(pick) : std::nullopt);
    show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        Fill(d, values);
        user_.clear();
        auto* lookup = d->findChild<kpv::ui::TBtnPesquisa*>(button);
        lookup->Click();
        QCOMPARE(Column(lookup->DataSource->DataSet(), keyField), listed);
        QCOMPARE(UpperRows(d), after);
    });
    QCOMPARE(user_.messageTexts(), messages);
    // A pick runs no check: nothing but the list itself was shown.
    QCOMPARE(user_.pickTitles.size(), listed.isEmpty() ? 0 : 1);
}

// Every leave of a filled municipal registration asks the server for that one registration ("S"), every
// opening of its lookup for all of the company's ("N"); an empty field asks nothing.
void FilterScreen::municipalRegistrationServerCalls() {
    user_.rowPicks.push_back(3);
    show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        const int before = inscrMunicipCalls();
        kpv::data::TClientDataSet* list = d->cdsInscrMunicip;

        Leave(d, d->edtCdInscMuni);
        QTRY_COMPARE(inscrMunicipCalls(), before + 1);
        QCOMPARE(Column(list, "CDINSCMUNI"), QStringList{"12345678"});

        d->edtCdInscMuni->SetText(QStringLiteral("77770000"));
        Leave(d, d->edtCdInscMuni);
        QTRY_COMPARE(inscrMunicipCalls(), before + 2);
        QCOMPARE(Column(list, "CDINSCMUNI"), QStringList{"77770000"});
        QCOMPARE(user_.messageTexts(),
                 QStringList{"Inscrição municipal não relacionada para a empresa informada."});

        d->edtCdInscMuni->Clear();
        Leave(d, d->edtCdInscMuni);
        d->btpInscrMunicip->Click();
        QTRY_COMPARE(inscrMunicipCalls(), before + 3);
        QCOMPARE(Column(list, "CDINSCMUNI"), QStringList({"12345678", "77770000", "87654321", "99990000"}));
        QCOMPARE(Column(list, "IDAMBTRABNFSE", true),
                 QStringList({"Produção", "Homologação", "Homologação", "Produção"}));
        QCOMPARE(Column(list, "NMMUNICIPIO", true),
                 QStringList({"São Paulo", "São Paulo", "Campinas", "São Paulo"}));
        QCOMPARE(user_.pickTitles, QStringList{"Inscrição Municipal"});
        QCOMPARE(d->edtCdInscMuni->Text(), QString("99990000"));
        QCOMPARE(d->edtCdSerie->Text(), QString());
    });
}

void FilterScreen::seriesExitRunsUnderTheBusyAnimation_data() {
    QTest::addColumn<QString>("serie");
    QTest::addColumn<bool>("queried");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("found") << "A1" << true << QStringList();
    QTest::newRow("not found") << "B1" << true << QStringList{"Série não cadastrada."};
    QTest::newRow("empty") << "" << false << QStringList();
}

void FilterScreen::seriesExitRunsUnderTheBusyAnimation() {
    QFETCH(QString, serie);
    QFETCH(bool, queried);
    QFETCH(QStringList, messages);
    QStringList seenWhileQuerying;
    show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        d->edtCdSerie->SetText(serie);
        user_.clear();
        const auto own = d->qrySerieNF->BeforeOpen;
        d->qrySerieNF->BeforeOpen = [&, own](kpv::data::TADOIBQuery* q) {
            seenWhileQuerying << (kpv::ShowAviActive() ? kpv::ShowAviText() : QString("no animation"));
            own(q);
        };
        Leave(d, d->edtCdSerie);
        QVERIFY(!kpv::ShowAviActive());
        d->qrySerieNF->BeforeOpen = own;
    });
    QCOMPARE(seenWhileQuerying,
             queried ? QStringList{"Verificando número da nota fiscal no servidor..."} : QStringList());
    QCOMPARE(user_.messageTexts(), messages);
}

// The transport's error reaches the user, the busy animation is gone, the focus is back on the field and
// the list holds nothing.
void FilterScreen::serverFailureOnTheMunicipalRegistration() {
    env_.connectTo(DeadPort());

    QStringList shown;
    show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        user_.clear();
        Leave(d, d->edtCdInscMuni);
        shown = user_.messageTexts();
        QCOMPARE(Focused(), QString("edtCdInscMuni"));
        QVERIFY(!kpv::ShowAviActive());
        QVERIFY(d->cdsInscrMunicip->Active());
        QVERIFY(d->cdsInscrMunicip->IsEmpty());
        QCOMPARE(d->edtCdInscMuni->Text(), QString("12345678"));
    });
    env_.connectTo(0);
    QCOMPARE(shown.size(), 1);
    QVERIFY(!shown[0].isEmpty());
    QVERIFY(!shown[0].contains("Inscrição municipal"));
}

void FilterScreen::databaseErrorInTheSeriesCheckWithdrawsTheConfirmation() {
    // A database without the application's tables.
    {
        QSqlDatabase empty = QSqlDatabase::addDatabase("QSQLITE", "empty");
        empty.setDatabaseName(":memory:");
        QVERIFY(empty.open());
    }
    QStringList shown;
    show([&](TfrmFiltroEmissaoRPS* d) {
        Settle(d);
        user_.clear();
        kpv::data::dtmDBGeral()->Open("empty");
        boConfirma = true;
        Leave(d, d->edtCdSerie);
        kpv::data::dtmDBGeral()->Open("kpv");
        shown = user_.messageTexts();
        QVERIFY(!kpv::ShowAviActive());
    });
    QSqlDatabase::removeDatabase("empty");
    QVERIFY(!boConfirma);
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].contains("SERIENF", Qt::CaseInsensitive));
}

// The dialog as a user first meets it, for the documentation of the screens.
void FilterScreen::screenshot() {
    QImage picture;
    show([&](TfrmFiltroEmissaoRPS* d) { picture = d->grab().toImage(); });
    QCOMPARE(picture.size(), QSize(694, 215));
    const QString file =
        QDir(qEnvironmentVariable("KPV_BIN_DIR", QDir::tempPath())).filePath("frmFiltroEmissaoRPS.png");
    QVERIFY(picture.save(file));
}

QTEST_MAIN(FilterScreen)
#include "test_filter_screen.moc"
