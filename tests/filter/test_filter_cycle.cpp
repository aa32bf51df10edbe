// The whole cycle as a user runs it in the host: the emission screen opened from the host's menu, a company
// typed, the filter dialog opened, confirmed and remembered, the invoices listed by the real kpv-appserver
// over a real SQLite file, one ticked, and the refresh repeating the confirmed filter; with the focus where
// each step leaves it.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter_database.h"
#include "filter_dialog.h"
#include "filter_environment.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_grid.h"
#include "framework/ui/application.h"
#include "framework/ui/date_edit.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"
#include "host/main_window.h"

#include <QAction>
#include <QApplication>
#include <QtTest>

using namespace Cli_kpv41100;
using namespace filtertest;
using Cli_kpv41000::frmEmissaoRPS;

Q_DECLARE_METATYPE(filtertest::DialogScript)

namespace {

const QStringList kConfirmedArgs = {
    "0001",       "T",          "01", "110042490114", "12345678", "A1", "12345678000195",
    "2026-03-01", "2026-03-17", "S",  "_1_2_3"};

// The IDCHECK mark of every listed invoice, in list order.
QStringList Ticks() {
    return Column(frmEmissaoRPS->cdsNotaFiscal, QStringLiteral("IDCHECK"));
}

// Where the focus is in the host's window, also while no window has the activation.
QString ScreenFocus() {
    QWidget* w = frmEmissaoRPS->window()->focusWidget();
    return w ? w->objectName() : QString();
}

// The user types the company code into the strip, entering it as a user does.
void TypeCompany(const QString& code) {
    frmEmissaoRPS->medCdEmpresa->SetFocus();
    frmEmissaoRPS->medCdEmpresa->selectAll();
    QTest::keyClicks(frmEmissaoRPS->medCdEmpresa, code);
}

}  // namespace

class FilterCycle : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void companyFilterListTickRefresh();
    void leavingTheCompanyStrip_data();
    void leavingTheCompanyStrip();

  private:
    void activateHost();

    FilterEnvironment env_;
    std::unique_ptr<kpv::host::MainWindow> host_;
};

void FilterCycle::initTestCase() {
    QString error;
    QVERIFY2(env_.startServices(&error), qPrintable(error));
    host_ = std::make_unique<kpv::host::MainWindow>();
    host_->resize(1300, 800);
    host_->show();
    kpv::ui::Application().SetMdiArea(host_->MdiArea());
    host_->SetOpenScreen([] { Cli_kpv41000::CriaEmissaoRPS(); });
}

// Every test starts from a screen the host opens afresh, with no company and no filter dialog.
void FilterCycle::init() {
    if (frmEmissaoRPS) {
        frmEmissaoRPS->Close();
        QTRY_VERIFY(frmEmissaoRPS.isNull());
    }
    host_->findChild<QAction*>(QStringLiteral("mnuEmissaoRPS"))->trigger();
    QVERIFY(frmEmissaoRPS);
    env_.reset();
    frmEmissaoRPS->medCdEmpresa->Clear();
    activateHost();
}

// Only between tests: the focus tracker would take a reactivation after a dialog the strip's exit opened
// for a second exit from the strip.
void FilterCycle::activateHost() {
    QApplication::setActiveWindow(host_.get());
    QVERIFY(QTest::qWaitForWindowActive(host_.get()));
}

void FilterCycle::cleanupTestCase() {
    env_.stop();
    kpv::ui::Application().SetMdiArea(nullptr);
    host_.reset();
}

void FilterCycle::companyFilterListTickRefresh() {
    // Leaving the company strip validates the company and brings the filter up; the scripted user picks
    // the legal-person client and confirms the rest as the dialog offers it.
    env_.user().rowPicks.push_back(1);
    env_.user().modalScripts.push_back([](QDialog* dialog) {
        auto* d = static_cast<TfrmFiltroEmissaoRPS*>(dialog);
        QCOMPARE(d, frmFiltroEmissaoRPS.data());
        QCOMPARE(Focused(), QString("medCdFilial"));
        d->btpCliente->Click();
        d->sbtConfirma->Click();
    });
    TypeCompany(QStringLiteral("1"));
    frmEmissaoRPS->dbgPadrao->setFocus();
    QCOMPARE(frmEmissaoRPS->medCdEmpresa->Text(), kEmpresa);
    QCOMPARE(frmEmissaoRPS->edtNmEmpresa->Text(), QString("Serviços Alfa Ltda"));
    QCOMPARE(env_.user().modalShows, 1);
    QVERIFY2(env_.user().messages.isEmpty(), qPrintable(env_.user().messageTexts().join('\n')));
    QCOMPARE(ScreenFocus(), QString("dbgPadrao"));
    QCOMPARE(env_.relay().calls(QStringLiteral("GetNotaFiscal")).size(), 1);
    QCOMPARE(env_.relay().calls(QStringLiteral("GetNotaFiscal"))[0].args, kConfirmedArgs);
    QCOMPARE(ListedEntries(), QStringList({"0000000001", "0000000003"}));
    QVERIFY(frmEmissaoRPS->sbtVerificar->isEnabled());
    QCOMPARE(frmFiltroEmissaoRPS->recFiltro.stNmCliente, kClienteJuridico.name);

    // Ticking the current invoice, not yet emitted, with the keyboard.
    frmEmissaoRPS->cdsNotaFiscal->SetRecNo(0);
    QTest::keyClick(frmEmissaoRPS->dbgPadrao, Qt::Key_Space);
    QCOMPARE(Ticks(), QStringList({"S", "N"}));

    // The filter command again: edits abandoned with cancel, or with the close box after a stopped
    // confirmation, reach neither the list nor the remembered filter, and the focus is not sent to the grid.
    const DialogScript abandoned[] = {
        [](TfrmFiltroEmissaoRPS* d) {
            d->chbNaoEmitido->SetChecked(false);
            d->medCliente->Clear();
            d->sbtCancel->Click();
        },
        [](TfrmFiltroEmissaoRPS* d) {
            d->medCliente->Clear();
            Fill(d, {"0099"});
            d->sbtConfirma->Click();
        },
    };
    for (const DialogScript& script : abandoned) {
        env_.user().modalScripts.push_back(
            [script](QDialog* dialog) { script(static_cast<TfrmFiltroEmissaoRPS*>(dialog)); });
        frmEmissaoRPS->cbbReportNames->setFocus();
        QTest::mouseClick(frmEmissaoRPS->sbtFiltro, Qt::LeftButton);
        QVERIFY(ScreenFocus() != QLatin1String("dbgPadrao"));
        QCOMPARE(Ticks(), QStringList({"S", "N"}));
    }
    QCOMPARE(env_.user().messageTexts(), QStringList{"Filial não cadastrada."});

    env_.relay().clear();
    QTest::mouseClick(frmEmissaoRPS->sbtVerificar, Qt::LeftButton);
    QCOMPARE(env_.relay().calls(QStringLiteral("GetNotaFiscal")).size(), 1);
    QCOMPARE(env_.relay().calls(QStringLiteral("GetNotaFiscal"))[0].args, kConfirmedArgs);
    QCOMPARE(ListedEntries(), QStringList({"0000000001", "0000000003"}));
    QCOMPARE(Ticks(), QStringList({"N", "N"}));  // the refresh replaces every row
}

void FilterCycle::leavingTheCompanyStrip_data() {
    QTest::addColumn<DialogScript>("user");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("listed");

    QTest::newRow("confirmed") << DialogScript([](TfrmFiltroEmissaoRPS* d) { d->sbtConfirma->Click(); })
                               << "dbgPadrao" << true;
    QTest::newRow("cancelled") << DialogScript([](TfrmFiltroEmissaoRPS* d) { d->sbtCancel->Click(); })
                               << "medCdEmpresa" << false;
    // The close box after a stopped confirmation is no confirmation: the list stays closed and the user
    // is back on the company.
    QTest::newRow("closed after a stopped confirmation") << DialogScript([](TfrmFiltroEmissaoRPS* d) {
        d->depSaidIni->SetDate(QDate());
        d->sbtConfirma->Click();
        QCOMPARE(Focused(), QString("depSaidIni"));
    }) << "medCdEmpresa" << false;
}

// Leaving the company strip validates the company and opens the filter at once.
void FilterCycle::leavingTheCompanyStrip() {
    QFETCH(DialogScript, user);
    QFETCH(QString, focus);
    QFETCH(bool, listed);
    env_.user().modalScripts.push_back(
        [user](QDialog* dialog) { user(static_cast<TfrmFiltroEmissaoRPS*>(dialog)); });
    TypeCompany(QStringLiteral("01"));
    frmEmissaoRPS->dbgPadrao->setFocus();
    QCOMPARE(env_.user().modalShows, 1);
    QCOMPARE(ScreenFocus(), focus);
    QCOMPARE(frmEmissaoRPS->cdsNotaFiscal->Active(), listed);
    QCOMPARE(frmEmissaoRPS->sbtVerificar->isEnabled(), listed);
    if (listed)
        QCOMPARE(ListedEntries(),
                 QStringList({"0000000008", "0000000001", "0000000002", "0000000003", "0000000004"}));
}

QTEST_MAIN(FilterCycle)
#include "test_filter_cycle.moc"
