// The commands of the menu "&Operação" against the real application server and database: printing
// generates the RPS of the ticked invoices, while preview, save-as, printer set-up and close run the base
// screen's handlers and never reach the server.
#include "emission_fixture.h"
#include "framework/data/client_data_set.h"
#include "framework/ui/busy_animation.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace Cli_kpv41000;

namespace {

TfrmEmissaoRPS* screen() {
    return EmissionFixture::screen();
}

QString pdfText(const QString& file) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", file, "-"});
    if (!pdftotext.waitForFinished(30000)) return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

QStringList ticks() {
    QStringList all;
    auto* ds = screen()->cdsNotaFiscal;
    for (int i = 0; i < ds->RecordCount(); ++i) {
        const kpv::data::TClientDataSet::PaintRecord row(ds, i);
        if (screen()->cdsNotaFiscalIDCHECK->AsString() == "S")
            all << screen()->cdsNotaFiscalNRLANCTONF->AsString();
    }
    return all;
}

// Whose invoices a command runs the report for.
enum class ReportFor { Nobody, TheTicked, TheCurrent };

}  // namespace

Q_DECLARE_METATYPE(ReportFor)

class ReportCommands : public EmissionTestCase {
    Q_OBJECT

  private Q_SLOTS:
    void operationMenu_data();
    void operationMenu();
    void reportParameters_data();
    void reportParameters();
};

void ReportCommands::operationMenu_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<ReportFor>("reportFor");
    QTest::addColumn<int>("previews");
    QTest::addColumn<bool>("saves");
    QTest::addColumn<bool>("printerSetUp");
    QTest::addColumn<bool>("generates");
    QTest::addColumn<bool>("closes");
    const auto row = [](const char* caption, const char* command, ReportFor reportFor, int previews,
                        bool saves, bool printerSetUp, bool generates, bool closes) {
        QTest::newRow(caption) << QString(command) << reportFor << previews << saves << printerSetUp
                               << generates << closes;
    };
    row("&Imprimir", "mnuImprimir", ReportFor::TheTicked, 0, false, false, true, false);
    row("&Visualizar Impressão", "mnuVisualizar", ReportFor::TheCurrent, 1, false, false, false, false);
    row("&Salvar Como", "mnuSalvarComo", ReportFor::TheCurrent, 0, true, false, false, false);
    row("&Configurar Impressora", "mnuConfigImpress", ReportFor::Nobody, 0, false, true, false, false);
    row("Fecha&r", "mnuFechar", ReportFor::Nobody, 0, false, false, false, true);
}

void ReportCommands::operationMenu() {
    QFETCH(QString, command);
    QFETCH(ReportFor, reportFor);
    QFETCH(int, previews);
    QFETCH(bool, saves);
    QFETCH(bool, printerSetUp);
    QFETCH(bool, generates);
    QFETCH(bool, closes);

    fixture_.fetch();
    // Two invoices ticked, and the cursor on an invoice whose RPS exists, so that its report has a page.
    const int first = fixture_.findRow("1", "1");
    const int second = fixture_.findRow("1", "1", first);
    const int emitted = fixture_.findRow("2", "1");
    QVERIFY2(first >= 0 && second >= 0 && emitted >= 0, "the demo data lacks the rows this test needs");
    fixture_.tick(first);
    fixture_.tick(second);
    screen()->cdsNotaFiscal->SetRecNo(emitted);
    const QList<std::pair<QString, QString>> tickedKeys = {fixture_.keyOf(first), fixture_.keyOf(second)};
    const std::pair<QString, QString> currentKey = fixture_.keyOf(emitted);
    const QString currentRps = screen()->cdsNotaFiscalNRRPS->AsString();
    QVERIFY(!currentRps.isEmpty());
    const QStringList ticked = ticks();
    QList<ReportRun> runs;
    fixture_.recordReportRuns(runs);
    const QString saved = QDir(fixture_.outputFolder()).filePath(command + ".pdf");
    user_.saveFileAnswers = {saved};
    const int callsBefore = fixture_.serverCalls();
    const int emittedBefore = fixture_.emittedInvoices();

    auto* item = screen()->mnuOperac->findChild<kpv::ui::TMenuItem*>(command);
    QVERIFY(item);
    item->Action()->trigger();

    QList<std::pair<QString, QString>> reported;
    for (const ReportRun& run : runs) reported.push_back({run.cdFilial, run.nrLanctoNf});
    QList<std::pair<QString, QString>> expectedReports;
    if (reportFor == ReportFor::TheTicked) expectedReports = tickedKeys;
    if (reportFor == ReportFor::TheCurrent) expectedReports = {currentKey};
    QCOMPARE(reported, expectedReports);
    QCOMPARE(user_.previews, previews);
    QCOMPARE(QFile::exists(saved), saves);
    if (saves) QVERIFY2(pdfText(saved).contains(currentRps), qPrintable(currentRps));
    // Without a printer, the set-up tells where the prints will go instead.
    const bool noPrinterBox =
        !user_.messages.isEmpty() &&
        user_.messages[0].text.startsWith("Nenhuma impressora instalada: os relatórios serão gravados");
    QCOMPARE(user_.printerSetups == 1 || (noPrinterBox && user_.messages.size() == 1), printerSetUp);
    QTRY_COMPARE(frmEmissaoRPS.isNull(), closes);
    QVERIFY(!kpv::ShowAviActive());

    // Only printing reaches the server; the database is the judge of what was generated.
    QCOMPARE(fixture_.serverCalls() > callsBefore, generates);
    QCOMPARE(fixture_.emittedInvoices(), emittedBefore + (generates ? 2 : 0));
    for (const auto& [branch, entry] : tickedKeys)
        QCOMPARE(fixture_.invoiceField("IDEMISSAORPS", branch, entry), QString(generates ? "2" : "1"));
    if (closes || generates) return;
    QCOMPARE(ticks(), ticked);
    QCOMPARE(fixture_.keyOf(screen()->cdsNotaFiscal->RecNo()), currentKey);
}

void ReportCommands::reportParameters_data() {
    QTest::addColumn<QStringList>("names");     // the parameters of the report's query
    QTest::addColumn<QStringList>("expected");  // what the screen left in each: "branch", "entry" or null
    QTest::addColumn<bool>("flag");
    QTest::newRow("both") << QStringList{"P_CDFILIAL", "P_NRLANCTONF"} << QStringList{"branch", "entry"}
                          << true;
    QTest::newRow("only the entry number") << QStringList{"P_NRLANCTONF"} << QStringList{"entry"} << false;
    QTest::newRow("neither") << QStringList{"P_CDEMPRESA", "P_DATA"} << QStringList{"null", "null"} << true;
    QTest::newRow("letter case of the query") << QStringList{"p_nrlanctonf", "P_OUTRO", "p_cdfilial"}
                                              << QStringList{"entry", "null", "branch"} << false;
}

void ReportCommands::reportParameters() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, expected);
    QFETCH(bool, flag);
    fixture_.fetch();
    screen()->cdsNotaFiscal->SetRecNo(screen()->cdsNotaFiscal->RecordCount() / 2);
    const auto [branch, entry] = fixture_.keyOf(screen()->cdsNotaFiscal->RecNo());
    kpv::report::TReportParams params(names);
    bool passed = flag;
    screen()->rpddPadraoBeforeGetQueryParams(params, passed);
    QStringList filled;
    for (const kpv::report::TReportParam& p : params.Items()) {
        const QString value = p.Value.isValid() ? p.AsString() : "null";
        filled << (value == branch ? "branch" : value == entry ? "entry" : value);
    }
    QCOMPARE(filled, expected);
    QCOMPARE(passed, flag);
}

QTEST_MAIN(ReportCommands)
#include "test_emission_report_commands.moc"
