#pragma once

// The emission screen over the real application server and a real SQLite database filled with demo data,
// for the tests that cross the network.
#include "appserver_process.h"
#include "emission/cli_kpv41000.h"
#include "largest_selection.h"
#include "screen_fixture.h"

#include <QDate>
#include <QObject>
#include <QVariant>

#include <memory>

// One run of a report as the screen saw it: the invoice parameters it filled and the busy text shown.
struct ReportRun {
    QString cdFilial;
    QString nrLanctoNf;
    QString busy;  // BusyShown() at the print
};

// The busy box as the user sees it: its text, and "[2/3]" for its progress bar when it shows one.
QString BusyShown();

class EmissionFixture : public ScreenFixture {
  public:
    // Fills the database, starts the server, opens the database for the screens' queries, points the
    // context values at both and gives the filter screen a remembered filter for the selection.
    // False with the reason in `error`.
    bool start(QString* error);
    void stop();

    // A fresh emission screen showing the selection's company; null when it could not be created.
    Cli_kpv41000::TfrmEmissaoRPS* openScreen();
    // Closes the screen and waits until it is released.
    bool closeScreen();
    static Cli_kpv41000::TfrmEmissaoRPS* screen() { return Cli_kpv41000::frmEmissaoRPS.data(); }

    // The refresh from the remembered filter.
    void fetch();
    // Record number of the first row after `from` with these codes; -1 when there is none.
    int findRow(const QString& emissao, const QString& transmis, int from = -1) const;
    void tick(int recNo) const;
    // CDFILIAL and NRLANCTONF of a row, without moving the cursor.
    std::pair<QString, QString> keyOf(int recNo) const;

    // Records every report run of the open screen into `runs`, after the screen's own parameter handler.
    void recordReportRuns(QList<ReportRun>& runs) const;

    // How many calls the server has answered so far.
    int serverCalls() const;
    QString invoiceField(const QString& column, const QString& branch, const QString& entry) const;
    // Invoices of the selection's company whose RPS has been emitted.
    int emittedInvoices() const;
    static QVariant scalar(const QString& sql, const QVariantList& args = {});

    const InvoiceSelection& demo() const { return demo_; }
    const TestDatabase& database() const { return database_; }
    QString outputFolder() const;
    AppServerProcess& server() { return *server_; }

  private:
    TestDatabase database_;
    std::unique_ptr<AppServerProcess> server_;
    InvoiceSelection demo_;
};

// A test case of the emission screen: the fixture started once for the case, and a fresh screen for each
// test with nothing shown to the user yet.
class EmissionTestCase : public QObject {
    Q_OBJECT

  protected Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

  protected:
    EmissionFixture fixture_;
    kpv::ScriptedInteraction& user_ = fixture_.user();
};
