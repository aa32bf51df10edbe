// Retrieving the invoice list from the real application server: the busy animation over the call and
// the load, the list and commands kept when the call fails, and the tick-all mode across real refreshes.
#include "emission_fixture.h"
#include "framework/core/context.h"
#include "framework/core/dispatch.h"
#include "framework/core/errors.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_grid.h"
#include "framework/data/db_navigator.h"
#include "framework/net/connection.h"
#include "framework/ui/busy_animation.h"
#include "screen_state.h"

#include <QtTest>

using namespace Cli_kpv41000;

namespace {

TfrmEmissaoRPS* screen() {
    return EmissionFixture::screen();
}

}  // namespace

class EmissionRetrieval : public EmissionTestCase {
    Q_OBJECT

  private Q_SLOTS:
    void retrievalLoadsTheServersRows();
    void retrievalRunsUnderTheBusyAnimation();
    void failedRetrievalKeepsRowsAndStates_data();
    void failedRetrievalKeepsRowsAndStates();
    void tickAllModeSurvivesARefresh();
};

void EmissionRetrieval::retrievalLoadsTheServersRows() {
    fixture_.fetch();
    auto* ds = screen()->cdsNotaFiscal;
    QCOMPARE(ds->RecordCount(), fixture_.demo().rows);
    QCOMPARE(ds->RecNo(), 0);
    for (int i = 0; i < ds->RecordCount(); ++i) {
        kpv::data::TClientDataSet::PaintRecord row(ds, i);
        QCOMPARE(screen()->cdsNotaFiscalCDEMPRESA->AsString(), fixture_.demo().company);
        QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("N"));
        QVERIFY(screen()->cdsNotaFiscalDADOSRODAPE->AsString().size() <= 76);
    }
    QVERIFY(screen()->mnuImprimir->Enabled());
    QVERIFY(!kpv::ShowAviActive());
}

void EmissionRetrieval::retrievalRunsUnderTheBusyAnimation() {
    // The list is closed, so loading the packet opens it: the animation must still be up by then.
    QVERIFY(!screen()->cdsNotaFiscal->Active());
    QList<bool> busyWhileLoading;
    screen()->cdsNotaFiscal->BeforeOpen = [&](kpv::data::TClientDataSet*) {
        busyWhileLoading << kpv::ShowAviActive();
    };
    fixture_.fetch();
    screen()->cdsNotaFiscal->BeforeOpen = nullptr;
    QCOMPARE(busyWhileLoading, QList<bool>{true});
    QVERIFY(!kpv::ShowAviActive());
    QCOMPARE(screen()->cdsNotaFiscal->RecordCount(), fixture_.demo().rows);
}

void EmissionRetrieval::failedRetrievalKeepsRowsAndStates_data() {
    QTest::addColumn<bool>("serverDown");
    QTest::addColumn<QString>("message");
    QTest::newRow("server down") << true << "";
    QTest::newRow("arguments refused by the server") << false << "Direção da operação inválida";
}

void EmissionRetrieval::failedRetrievalKeepsRowsAndStates() {
    QFETCH(bool, serverDown);
    QFETCH(QString, message);
    fixture_.fetch();
    // On a row whose RPS can be cancelled, so that every command the rule sets is on.
    screen()->cdsNotaFiscal->SetRecNo(fixture_.findRow("2", "1"));
    const int rows = screen()->cdsNotaFiscal->RecordCount();
    const int current = screen()->cdsNotaFiscal->RecNo();
    const QString states = CommandStates(screen());
    QCOMPARE(states, QString("1111111 1111111 nav"));
    if (serverDown) {
        kpv::Context().webPort = 1;  // nobody listens there
        screen()->netEmissaoRPS->SetConnected(false);
        screen()->netEmissaoRPS->SetConnected(true);
    }

    QString shown;
    kpv::SetErrorDisplay([&](const QString& text) { shown = text; });
    kpv::Dispatch([&] {
        const InvoiceSelection& d = fixture_.demo();
        screen()->GetNotaFiscal("", "T", d.company, d.ie, d.im, d.serie, "T", d.first, d.last,
                                serverDown ? "S" : "X", "_1_2_3");
    });
    kpv::SetErrorDisplay({});
    if (serverDown) {
        kpv::Context().webPort = fixture_.server().port();
        screen()->netEmissaoRPS->SetConnected(false);
        screen()->netEmissaoRPS->SetConnected(true);
    }

    QVERIFY(!shown.isEmpty());
    if (!message.isEmpty()) QVERIFY2(shown.contains(message), qPrintable(shown));
    QCOMPARE(screen()->cdsNotaFiscal->RecordCount(), rows);
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), current);
    QCOMPARE(CommandStates(screen()), states);
    QVERIFY(!kpv::ShowAviActive());
}

void EmissionRetrieval::tickAllModeSurvivesARefresh() {
    fixture_.fetch();
    TfrmEmissaoRPS* f = screen();
    kpv::data::TColumn* tickColumn = f->dbgPadrao->Columns().front().get();
    f->dbgPadraoTitleClick(tickColumn);
    QVERIFY(boTodosMarcados);
    const QStringList allTicked = Ticks(screen());
    QVERIFY(allTicked.contains("S"));

    fixture_.fetch();  // the server's values replace the ticks; the mode stays
    QVERIFY(boTodosMarcados);
    QVERIFY(!Ticks(screen()).contains("S"));
    f->dbgPadraoTitleClick(tickColumn);  // unticks everything: nothing to see
    QVERIFY(!boTodosMarcados);
    QVERIFY(!Ticks(screen()).contains("S"));
    f->dbgPadraoTitleClick(tickColumn);
    QCOMPARE(Ticks(screen()), allTicked);
}

QTEST_MAIN(EmissionRetrieval)
#include "test_emission_retrieval.moc"
