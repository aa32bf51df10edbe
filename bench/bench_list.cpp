// What the user of the emission screen waits for with one list size (--rows): the GetNotaFiscal answer at
// the wire against the same SELECT in the sqlite3 shell on the same file; confirming the filter until the
// list is painted; the memory the list holds; a tick with Space; ticking all by the title; repainting a
// page; and, with --print, a run that prints 100 invoices. The real kpv-appserver serves a copy of a demo
// database; the screen is the package's, shown in an MDI area of the host's window size and driven by key
// and mouse events. Each figure is printed as "name value" for scripts/bench.sh.
#include "appserver_process.h"
#include "demo_database.h"
#include "emission/cli_kpv41000.h"
#include "emission_screen.h"
#include "filter/cli_kpv41100.h"
#include "framework/core/context.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_grid.h"
#include "framework/ui/application.h"
#include "framework/ui/button_flat.h"
#include "invoice_select.h"
#include "measure.h"
#include "protocol/codes.h"
#include "screen_fixture.h"
#include "wire_call.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace bench;
using Cli_kpv41000::frmEmissaoRPS;

namespace {

constexpr int kRuns = 5;

Cli_kpv41000::TfrmEmissaoRPS* screen() {
    return frmEmissaoRPS.data();
}

double rawSelectMs(const QString& file, const Statement& statement) {
    const QByteArray sql = Inlined(statement).toUtf8();
    return MedianMs(kRuns, [&] {
        QProcess shell;
        shell.setStandardOutputFile(QProcess::nullDevice());
        shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file});
        shell.write(sql);
        shell.closeWriteChannel();
        if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
            Fail(QStringLiteral("the sqlite3 shell failed: %1")
                     .arg(QString::fromUtf8(shell.readAllStandardError())));
    });
}

// Clicks "Filtrar Lançamentos" and, in the filter screen, its confirmation; the time runs from the
// confirming click until the screen has painted the list.
double confirmFilterMs(kpv::ScriptedInteraction& user, QWidget* window) {
    QElapsedTimer timer;
    user.modalScripts.push_back([&](QDialog*) {
        timer.start();
        QTest::mouseClick(Cli_kpv41100::frmFiltroEmissaoRPS->sbtConfirma, Qt::LeftButton);
    });
    QTest::mouseClick(screen()->sbtFiltro, Qt::LeftButton);
    window->repaint();
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (!user.messages.isEmpty())
        Fail(QStringLiteral("the screen said: %1").arg(user.messageTexts().join(u'|')));
    return ms;
}

int eligibleRow(int from) {
    auto* list = screen()->cdsNotaFiscal;
    for (int r = from; r < list->RecordCount(); ++r) {
        const kpv::data::TClientDataSet::PaintRecord reading(list, r);
        if (screen()->cdsNotaFiscalIDEMISSAORPS->AsString() == u"1" &&
            screen()->cdsNotaFiscalIDTRANSMISRPS->AsString() == u"1")
            return r;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    QApplication app(argc, argv);
    QCommandLineParser options;
    const QCommandLineOption rowsOption("rows", "Rows the list should hold.", "count", "100000");
    const QCommandLineOption dataOption = DataOption();
    const QCommandLineOption printOption("print", "Also print 100 invoices.");
    ReadCommandLine(options, "What the user of the emission screen waits for with one list size.",
                    {rowsOption, dataOption, printOption});
    const int wanted = options.value(rowsOption).toInt();

    // The server works on a copy: printing writes to the database.
    QTemporaryDir dir;
    TestDatabase database = TestDatabase::Sqlite(dir.path());
    if (!QFile::copy(SqliteDemoFile(options.value(dataOption), wanted), database.path))
        Fail(QStringLiteral("cannot copy the demo database"));
    QString error;
    if (!OpenScreensDatabase(database, dir.path(), &error)) Fail(error);
    const InvoiceSelection selection = LargestSelection(QSqlDatabase::database(QStringLiteral("dtmDBGeral")));
    Report("rows", selection.rows);

    AppServerProcess server(database);
    if (!server.start(&error)) Fail(error);

    // At the wire: the raw SELECT, then the server's answer.
    Report("raw_select_ms", rawSelectMs(database.path, InvoiceStatement(selection, true)));
    {
        WireCall wire(server.host(), server.port());
        const QVariantList args = NotaFiscalArgsFor(selection).toList();
        qsizetype bytes = 0;
        Report("wire_ms",
               MedianMs(kRuns, [&] { bytes = wire.call(QStringLiteral("GetNotaFiscal"), args).size(); }));
        Report("body_mb", double(bytes) / 1e6);
    }

    // The screen as the host shows it, in an MDI area of the host's window size, the filter screen
    // remembering the selection.
    ScreenFixture screens;
    kpv::ScriptedInteraction& user = screens.user();
    kpv::ContextValues& context = kpv::Context();
    context.webUrl = server.host();
    context.webPort = server.port();
    context.reportFolder = QStringLiteral(KPV_SOURCE_DIR "/reports");
    context.outputFolder = dir.filePath(QStringLiteral("rps"));
    screens.showMdi({1280, 680});
    QMdiArea& window = *screens.mdi();
    if (!OpenEmissionScreen(selection.company)) Fail(QStringLiteral("the emission screen was not created"));
    screen()->SituacaoRPS = kpv::protocol::SituationList(true, true, true);
    RememberSelection(selection);
    user.clear();
    QTest::qWait(50);
    window.repaint();
    const double emptyMiB = ResidentMiB();

    std::vector<double> confirms;
    for (int i = 0; i < kRuns; ++i) confirms.push_back(confirmFilterMs(user, &window));
    Report("confirm_ms", Median(confirms));
    if (screen()->cdsNotaFiscal->RecordCount() != selection.rows)
        Fail(QStringLiteral("the list holds %1 rows, not %2")
                 .arg(screen()->cdsNotaFiscal->RecordCount())
                 .arg(selection.rows));
    QTest::qWait(50);
    Report("rss_mib", ResidentMiB() - emptyMiB);

    // One tick with Space on an invoice in the middle, the tick column current.
    kpv::data::TDBGrid* grid = screen()->dbgPadrao;
    const int middle = eligibleRow(selection.rows / 2);
    if (middle < 0) Fail(QStringLiteral("no invoice can be ticked"));
    screen()->cdsNotaFiscal->SetRecNo(middle);
    grid->SetSelectedIndex(0);
    grid->setFocus();
    QApplication::processEvents();
    Report("tick_ms", MedianMs(21, [&] {
               QTest::keyClick(grid, Qt::Key_Space);
               QApplication::processEvents();
           }));

    // Ticking all, and unticking all, by the tick column's title, until repainted.
    QHeaderView* header = grid->horizontalHeader();
    const QPoint title(header->sectionViewportPosition(0) + header->sectionSize(0) / 2, header->height() / 2);
    std::vector<double> tickAll, untickAll;
    for (int i = 0; i < 2 * kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        const bool ticking = !Cli_kpv41000::boTodosMarcados;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
        QApplication::processEvents();
        (ticking ? tickAll : untickAll).push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    Report("tickall_ms", Median(tickAll));
    Report("untickall_ms", Median(untickAll));

    // A page of the list in the middle, repainted.
    screen()->cdsNotaFiscal->SetRecNo(selection.rows / 2);
    QApplication::processEvents();
    Report("repaint_ms", MedianMs(11, [&] { grid->viewport()->repaint(); }));

    if (options.isSet(printOption)) {
        std::vector<double> runs;
        for (int run = 0; run < kRuns; ++run) {
            if (Cli_kpv41000::boTodosMarcados)
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, title);
            auto* list = screen()->cdsNotaFiscal;
            int from = 0;
            for (int n = 0; n < 100; ++n) {
                from = eligibleRow(from);
                if (from < 0) Fail(QStringLiteral("fewer than 100 invoices left to print"));
                list->SetRecNo(from++);
                list->Edit();
                screen()->cdsNotaFiscalIDCHECK->SetAsString(QStringLiteral("S"));
                list->Post();
            }
            QApplication::processEvents();
            user.clear();
            QElapsedTimer timer;
            timer.start();
            QTest::mouseClick(screen()->sbtPrint, Qt::LeftButton);
            window.repaint();
            runs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            // Without a printer the run says once where the PDFs went; anything more is a failure.
            if (user.messages.size() > 1)
                Fail(QStringLiteral("the print run said: %1").arg(user.messageTexts().join(u'|')));
        }
        Report("print100_ms", Median(runs));
    }

    kpv::ui::Application().DestroyForms();
    return 0;
}
