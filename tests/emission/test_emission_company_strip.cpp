// The company strip of the emission screen against the real database and application server: the company
// check, entering the strip empties the list, leaving it checks the company and opens the filter screen,
// the lookup writes the code before the name, and a command clicked over an unknown code stops with the
// code's own check.
#include "emission_fixture.h"
#include "filter/cli_kpv41100.h"
#include "framework/core/dispatch.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_grid.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace Cli_kpv41000;

namespace {

const QString kRequired = QStringLiteral("Empresa deve ser informada.");
const QString kUnknown = QStringLiteral("Empresa não cadastrada.");

TfrmEmissaoRPS* screen() {
    return EmissionFixture::screen();
}

QString focused() {
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

// Where the focus is in the screen's window, also while a dialog over it still has the activation.
QString screenFocus() {
    QWidget* w = screen()->window()->focusWidget();
    return w ? w->objectName() : QString();
}

QString companyName(const QString& code) {
    return EmissionFixture::scalar("SELECT NMRAZSOCEMPR FROM EMPRESA WHERE CDEMPRESA = ?", {code}).toString();
}

QStringList companies() {
    QStringList codes;
    QSqlQuery q(QSqlDatabase::database("dtmDBGeral"));
    q.exec("SELECT CDEMPRESA FROM EMPRESA ORDER BY CDEMPRESA");
    while (q.next()) codes << q.value(0).toString();
    return codes;
}

// How the user answers the filter screen when it opens.
enum class Filter { Confirm, Cancel };

std::function<void(QDialog*)> answer(Filter filter) {
    return [filter](QDialog* dialog) {
        auto* d = static_cast<Cli_kpv41100::TfrmFiltroEmissaoRPS*>(dialog);
        (filter == Filter::Confirm ? d->sbtConfirma : d->sbtCancel)->Click();
    };
}

}  // namespace

Q_DECLARE_METATYPE(Filter)

class CompanyStrip : public EmissionTestCase {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void companyCheck_data();
    void companyCheck();
    void enteringTheStripClosesTheList();
    void leavingTheStrip_data();
    void leavingTheStrip();
    void leavingAgain_data();
    void leavingAgain();
    void reactivationAfterTheFilter_data();
    void reactivationAfterTheFilter();
    void stripExitEndsTheEventUnlessConfirmed_data();
    void stripExitEndsTheEventUnlessConfirmed();
    void lookupWritesTheCodeBeforeTheName_data();
    void lookupWritesTheCodeBeforeTheName();
    void lookupOverAnEmptyCompanyTable();
    void databaseErrorInTheCompanyCheck();
    void commandStopsWithTheCodeFieldsCheck_data();
    void commandStopsWithTheCodeFieldsCheck();

  private:
    // The list loaded and the focus resting in the grid, as after a confirmed filter.
    void settleInTheGrid();
    // The user enters the strip, writes a code and leaves it: with the Tab key, or for the grid.
    enum class Leave { ToTheGrid, WithTab };
    void enterTypeAndLeave(const QString& code, Leave leave = Leave::ToTheGrid);
    // The screen's window gets the activation, as when the user clicks it or a dialog over it has gone.
    void activate();
};

void CompanyStrip::initTestCase() {
    QString error;
    QVERIFY2(fixture_.start(&error), qPrintable(error));
    QVERIFY(fixture_.demo().company.startsWith('0'));
    QVERIFY2(companies().size() >= 2, "the demo data needs two companies");
}

void CompanyStrip::init() {
    QVERIFY(fixture_.openScreen());
    activate();
    fixture_.resetUser();
}

void CompanyStrip::settleInTheGrid() {
    fixture_.fetch();
    screen()->dbgPadrao->setFocus();
    QCOMPARE(focused(), QString("dbgPadrao"));
    QVERIFY(screen()->cdsNotaFiscal->Active());
    user_.clear();
}

void CompanyStrip::enterTypeAndLeave(const QString& code, Leave leave) {
    activate();
    screen()->medCdEmpresa->setFocus();
    screen()->medCdEmpresa->SetText(code);
    if (leave == Leave::WithTab)
        QTest::keyClick(screen()->medCdEmpresa, Qt::Key_Tab);
    else
        screen()->dbgPadrao->setFocus();
}

void CompanyStrip::activate() {
    QApplication::setActiveWindow(screen()->window());
    QVERIFY(QTest::qWaitForWindowActive(screen()->window()));
}

void CompanyStrip::companyCheck_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("required");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("messages");
    const QString company = fixture_.demo().company;
    QTest::newRow("one digit is padded") << company.right(1) << false << company << QStringList();
    QTest::newRow("unknown company") << "99" << false << "99" << QStringList{kUnknown};
    QTest::newRow("unknown company, required") << "99" << true << "99" << QStringList{kUnknown};
    QTest::newRow("empty on the field's exit") << "" << false << "" << QStringList();
    QTest::newRow("empty on the strip's exit") << "" << true << "" << QStringList{kRequired};
}

void CompanyStrip::companyCheck() {
    QFETCH(QString, typed);
    QFETCH(bool, required);
    QFETCH(QString, code);
    QFETCH(QStringList, messages);
    screen()->dbgPadrao->setFocus();
    screen()->medCdEmpresa->SetText(typed);
    const bool passed = kpv::Dispatch([&] { screen()->Vd_Empresa(required); });
    QCOMPARE(passed, messages.isEmpty());
    QCOMPARE(screen()->medCdEmpresa->Text().trimmed(), code);
    QCOMPARE(user_.messageTexts(), messages);
    QCOMPARE(screen()->edtNmEmpresa->Text(), messages.isEmpty() ? companyName(code) : QString());
    // A failed check puts the focus back on the code.
    if (!passed) QCOMPARE(focused(), QString("medCdEmpresa"));
}

void CompanyStrip::enteringTheStripClosesTheList() {
    settleInTheGrid();
    screen()->medCdEmpresa->setFocus();
    QVERIFY(!screen()->cdsNotaFiscal->Active());
    // Closed list: every command the list rule sets is off, the filter command included.
    QVERIFY(!screen()->mnuImprimir->Enabled());
    QVERIFY(!screen()->mnuFiltro->Enabled());
    QVERIFY(!screen()->sbtFiltro->isEnabled());
    QVERIFY(!screen()->mnuCancelaEmissao->Enabled());
    QCOMPARE(user_.modalShows, 0);
    QVERIFY(user_.messages.isEmpty());
}

void CompanyStrip::leavingTheStrip_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byTab");
    QTest::addColumn<QList<Filter>>("filter");  // the answer when the filter screen opens; empty: it must not
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("listLoaded");
    const auto row = [](const char* name, const QString& typed, bool byTab, const QList<Filter>& filter,
                        const QStringList& messages, const QString& code, const char* focus,
                        bool listLoaded) {
        QTest::newRow(name) << typed << byTab << filter << messages << code << QString(focus) << listLoaded;
    };
    const QString company = fixture_.demo().company;
    const QList<Filter> confirm{Filter::Confirm};
    const QList<Filter> cancel{Filter::Cancel};
    row("valid company, filter confirmed", company, false, confirm, {}, company, "dbgPadrao", true);
    row("left with Tab, filter confirmed", company, true, confirm, {}, company, "dbgPadrao", true);
    row("one digit, padded before the filter opens", company.right(1), false, confirm, {}, company,
        "dbgPadrao", true);
    row("valid company, filter cancelled", company, false, cancel, {}, company, "medCdEmpresa", false);
    row("left with Tab, filter cancelled", company, true, cancel, {}, company, "medCdEmpresa", false);
    // The code field's own check stops the event: one message, not two.
    row("unknown company", "99", false, {}, {kUnknown}, "99", "medCdEmpresa", false);
    row("empty company", "", false, {}, {kRequired}, "", "medCdEmpresa", false);
    row("empty company, left with Tab", "", true, {}, {kRequired}, "", "medCdEmpresa", false);
}

void CompanyStrip::leavingTheStrip() {
    QFETCH(QString, typed);
    QFETCH(bool, byTab);
    QFETCH(QList<Filter>, filter);
    QFETCH(QStringList, messages);
    QFETCH(QString, code);
    QFETCH(QString, focus);
    QFETCH(bool, listLoaded);
    settleInTheGrid();
    for (Filter f : filter) user_.modalScripts.push_back(answer(f));

    enterTypeAndLeave(typed, byTab ? Leave::WithTab : Leave::ToTheGrid);

    QCOMPARE(user_.modalShows, filter.size());
    QCOMPARE(user_.messageTexts(), messages);
    QCOMPARE(screen()->medCdEmpresa->Text().trimmed(), code);
    QCOMPARE(screenFocus(), focus);
    QCOMPARE(screen()->cdsNotaFiscal->Active(), listLoaded);
    if (listLoaded) QCOMPARE(screen()->cdsNotaFiscal->RecordCount(), fixture_.demo().rows);
    QCOMPARE(screen()->edtNmEmpresa->Text(), messages.isEmpty() ? companyName(code) : QString());
}

void CompanyStrip::leavingAgain_data() {
    QTest::addColumn<QString>("firstCode");
    QTest::addColumn<QList<Filter>>("firstFilter");
    QTest::addColumn<QString>("secondCode");
    QTest::addColumn<QStringList>("messages");
    const QString company = fixture_.demo().company;
    // Whatever ended the first exit, the second one checks the company again and opens the filter again.
    // (Leaving again after a confirmed filter is leavingTheStrip: every test starts from a loaded list.)
    QTest::newRow("after a cancelled filter")
        << company << QList<Filter>{Filter::Cancel} << company << QStringList();
    QTest::newRow("after an unknown company") << "99" << QList<Filter>{} << company << QStringList{kUnknown};
    QTest::newRow("after an empty company") << "" << QList<Filter>{} << company << QStringList{kRequired};
}

void CompanyStrip::leavingAgain() {
    QFETCH(QString, firstCode);
    QFETCH(QList<Filter>, firstFilter);
    QFETCH(QString, secondCode);
    QFETCH(QStringList, messages);
    settleInTheGrid();
    for (Filter f : firstFilter) user_.modalScripts.push_back(answer(f));
    enterTypeAndLeave(firstCode);
    QCOMPARE(user_.modalShows, firstFilter.size());

    user_.modalScripts.push_back(answer(Filter::Confirm));
    enterTypeAndLeave(secondCode);

    QCOMPARE(user_.modalShows, firstFilter.size() + 1);
    QCOMPARE(user_.messageTexts(), messages);
    QCOMPARE(screenFocus(), QString("dbgPadrao"));
    QVERIFY(screen()->cdsNotaFiscal->Active());
    QCOMPARE(screen()->cdsNotaFiscal->RecordCount(), fixture_.demo().rows);
    QCOMPARE(screen()->edtNmEmpresa->Text(), companyName(secondCode));
}

void CompanyStrip::reactivationAfterTheFilter_data() {
    QTest::addColumn<Filter>("filter");
    QTest::addColumn<QString>("focus");
    QTest::newRow("confirmed") << Filter::Confirm << "dbgPadrao";
    QTest::newRow("cancelled") << Filter::Cancel << "medCdEmpresa";
}

// Once the filter screen is gone the window manager hands the activation back to the screen's window, with
// the focus where the strip's exit put it. That is no new exit from the strip.
void CompanyStrip::reactivationAfterTheFilter() {
    QFETCH(Filter, filter);
    QFETCH(QString, focus);
    settleInTheGrid();
    user_.modalScripts.push_back(answer(filter));
    enterTypeAndLeave(fixture_.demo().company);
    QCOMPARE(user_.modalShows, 1);
    QCOMPARE(screenFocus(), focus);
    const bool listLoaded = screen()->cdsNotaFiscal->Active();

    QApplication::setActiveWindow(screen()->window());
    QApplication::processEvents();

    QCOMPARE(user_.modalShows, 1);
    QCOMPARE(focused(), focus);
    QCOMPARE(screen()->cdsNotaFiscal->Active(), listLoaded);
    QVERIFY(user_.messages.isEmpty());
}

void CompanyStrip::stripExitEndsTheEventUnlessConfirmed_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QList<Filter>>("filter");
    QTest::addColumn<bool>("completes");
    QTest::newRow("filter confirmed") << fixture_.demo().company << QList<Filter>{Filter::Confirm} << true;
    QTest::newRow("filter cancelled") << fixture_.demo().company << QList<Filter>{Filter::Cancel} << false;
    QTest::newRow("unknown company") << "99" << QList<Filter>{} << false;
}

// The strip's exit as the focus rules raise it: an event that ends early ends the event around it too.
void CompanyStrip::stripExitEndsTheEventUnlessConfirmed() {
    QFETCH(QString, code);
    QFETCH(QList<Filter>, filter);
    QFETCH(bool, completes);
    screen()->medCdEmpresa->SetText(code);
    for (Filter f : filter) user_.modalScripts.push_back(answer(f));
    QCOMPARE(kpv::Dispatch([] { screen()->panFiltroExit(screen()->panFiltro); }), completes);
    QCOMPARE(user_.modalShows, filter.size());
    QCOMPARE(screenFocus(), QString(completes ? "dbgPadrao" : "medCdEmpresa"));
}

void CompanyStrip::lookupWritesTheCodeBeforeTheName_data() {
    QTest::addColumn<QString>("shown");       // the company on the screen before the lookup
    QTest::addColumn<int>("pick");            // the row picked in the list of every company; -1 gives up
    QTest::addColumn<bool>("filterCleared");  // the filter screen's registration and series were cleared
    const QStringList all = companies();
    const QString other = all.last() == fixture_.demo().company ? all.first() : all.last();
    QTest::newRow("another company") << fixture_.demo().company << static_cast<int>(all.indexOf(other))
                                     << true;
    QTest::newRow("from an empty code")
        << QString() << static_cast<int>(all.indexOf(fixture_.demo().company)) << true;
    // The code does not change, so its change handler does not run; the name is written all the same.
    QTest::newRow("the company already shown")
        << fixture_.demo().company << static_cast<int>(all.indexOf(fixture_.demo().company)) << false;
    QTest::newRow("the user gives up") << fixture_.demo().company << -1 << false;
}

void CompanyStrip::lookupWritesTheCodeBeforeTheName() {
    QFETCH(QString, shown);
    QFETCH(int, pick);
    QFETCH(bool, filterCleared);
    screen()->medCdEmpresa->setFocus();
    screen()->medCdEmpresa->SetText(shown);
    if (!shown.isEmpty()) QVERIFY(kpv::Dispatch([] { screen()->Vd_Empresa(false); }));
    // The filter screen exists and shows its remembered registrations and series.
    Cli_kpv41100::TfrmFiltroEmissaoRPS* f = Cli_kpv41100::frmFiltroEmissaoRPS;
    QVERIFY(f);
    f->edtCdInscEsta->SetText(fixture_.demo().ie);
    f->edtCdInscMuni->SetText(fixture_.demo().im);
    f->edtCdSerie->SetText(fixture_.demo().serie);
    if (pick >= 0)
        user_.rowPicks.push_back(pick);
    else
        user_.rowPicks.push_back(std::nullopt);

    screen()->btpEmpresa->Click();

    QCOMPARE(user_.pickTitles, QStringList{"Empresa"});
    QVERIFY(user_.messages.isEmpty());
    const QString code = pick >= 0 ? companies().at(pick) : shown;
    QCOMPARE(screen()->medCdEmpresa->Text(), code);
    QCOMPARE(screen()->edtNmEmpresa->Text(), companyName(code));
    QVERIFY(!screen()->edtNmEmpresa->Text().isEmpty());
    const QStringList upper = {f->edtCdInscEsta->Text(), f->edtCdInscMuni->Text(), f->edtCdSerie->Text()};
    const QStringList remembered = {fixture_.demo().ie, fixture_.demo().im, fixture_.demo().serie};
    QCOMPARE(upper, filterCleared ? QStringList({"", "", ""}) : remembered);
    QCOMPARE(focused(), QString("medCdEmpresa"));
}

void CompanyStrip::lookupOverAnEmptyCompanyTable() {
    QSqlDatabase db = QSqlDatabase::database("dtmDBGeral");
    QVERIFY(db.transaction());
    QSqlQuery q(db);
    QVERIFY2(q.exec("DELETE FROM EMPRESA"), qPrintable(q.lastError().text()));
    screen()->medCdEmpresa->setFocus();
    user_.rowPicks.push_back(0);
    screen()->btpEmpresa->Click();
    QVERIFY(db.rollback());
    QCOMPARE(user_.messageTexts(), QStringList{"Não há empresa cadastrada."});
    QVERIFY(user_.pickTitles.isEmpty());
    QCOMPARE(screen()->medCdEmpresa->Text(), fixture_.demo().company);
}

void CompanyStrip::databaseErrorInTheCompanyCheck() {
    QSqlDatabase db = QSqlDatabase::database("dtmDBGeral");
    QVERIFY(db.transaction());
    QSqlQuery q(db);
    QVERIFY2(q.exec("ALTER TABLE EMPRESA RENAME TO EMPRESA_FORA"), qPrintable(q.lastError().text()));
    QStringList reported;
    kpv::SetErrorDisplay([&](const QString& text) { reported << text; });
    screen()->dbgPadrao->setFocus();
    screen()->medCdEmpresa->SetText(fixture_.demo().company);
    const bool passed = kpv::Dispatch([] { screen()->Vd_Empresa(true); });
    kpv::SetErrorDisplay({});
    QVERIFY(db.rollback());
    QVERIFY(!passed);
    // The database's own error reaches the host's display; the screen adds no message of its own.
    QCOMPARE(reported.size(), 1);
    QVERIFY2(reported[0].contains("EMPRESA"), qPrintable(reported[0]));
    QVERIFY(user_.messages.isEmpty());
    QCOMPARE(focused(), QString("medCdEmpresa"));
}

void CompanyStrip::commandStopsWithTheCodeFieldsCheck_data() {
    QTest::addColumn<bool>("fromTheMenu");
    QTest::newRow("toolbar button") << false;
    QTest::newRow("menu item") << true;
}

// An unknown code typed and the focus still in its field: the command that moves the focus away meets the
// field's check first, and stops with it. One box, no question, nothing sent.
void CompanyStrip::commandStopsWithTheCodeFieldsCheck() {
    QFETCH(bool, fromTheMenu);
    screen()->medCdEmpresa->setFocus();
    screen()->medCdEmpresa->selectAll();
    QTest::keyClicks(screen()->medCdEmpresa, "99");
    QVERIFY(screen()->sbtCancelaEmissao->isEnabled());
    const int calls = fixture_.serverCalls();

    if (fromTheMenu)
        screen()->mnuCancelaEmissao->Action()->trigger();
    else
        QTest::mouseClick(screen()->sbtCancelaEmissao, Qt::LeftButton);

    QCOMPARE(user_.messageTexts(), QStringList{kUnknown});
    QCOMPARE(focused(), QString("medCdEmpresa"));
    QCOMPARE(fixture_.serverCalls(), calls);
    QCOMPARE(user_.modalShows, 0);
}

QTEST_MAIN(CompanyStrip)
#include "test_emission_company_strip.moc"
