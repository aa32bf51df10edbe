// The emission screen against the real application server and a real SQLite database with demo data:
// printing the ticked invoices, and cancelling an RPS.
#include "emission_fixture.h"
#include "framework/core/context.h"
#include "framework/core/errors.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/net/connection.h"
#include "framework/ui/busy_animation.h"
#include "nfse/certificate.h"
#include "nfse_builder.h"
#include "program_run.h"
#include "protocol/codec.h"
#include "scripted_peer.h"
#include "test_certificate.h"

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QTcpSocket>
#include <QtTest>

using namespace Cli_kpv41000;

namespace {

const QString kGenerating = QStringLiteral("Gerando Recibo Provisório de Serviço (RPS)...");
const QString kConfirmCancel = QStringLiteral("Confirma a exclusão do Recibo Provisório de Serviço (RPS)?");
const QString kCancelled =
    QStringLiteral("Cancelamento do Recibo Provisório de Serviço (RPS) realizado com sucesso.");
const QString kNotSelected = QStringLiteral("Nota fiscal não selecionada.");
// The server's refusals for an invoice transmitted as an NFS-e.
const QString kTransmittedNotIssued =
    QStringLiteral("Nota fiscal já transmitida como NFS-e; o RPS não pode ser emitido.");
const QString kTransmittedNotCancelled =
    QStringLiteral("O RPS já foi transmitido como NFS-e e não pode ser cancelado.");

TfrmEmissaoRPS* screen() {
    return EmissionFixture::screen();
}

void print() {
    kpv::Dispatch([] { screen()->sbtPrintClick(screen()->sbtPrint); });
}

void cancel() {
    kpv::Dispatch([] { screen()->sbtCancelaEmissaoClick(screen()->sbtCancelaEmissao); });
}

QStringList shown(const kpv::ScriptedInteraction& user, kpv::TMsgDlgType type) {
    QStringList texts;
    for (const auto& m : user.messages) {
        if (m.type == type) texts << m.text;
    }
    return texts;
}

// Where the focus is in the screen's window, also while the window is not the active one.
QString screenFocus() {
    QWidget* w = screen()->window()->focusWidget();
    return w ? w->objectName() : QString();
}

// The shipped report definition with `from` replaced by `to`, written into `folder`.
bool WriteChangedReport(const QString& folder, const QByteArray& from, const QByteArray& to) {
    QFile shipped(QDir(kpv::Context().reportFolder).filePath("KPV410.json"));
    if (!shipped.open(QIODevice::ReadOnly)) return false;
    QByteArray definition = shipped.readAll();
    if (!definition.contains(from)) return false;
    definition.replace(from, to);
    QFile changed(QDir(folder).filePath("KPV410.json"));
    return changed.open(QIODevice::WriteOnly) && changed.write(definition) == definition.size();
}

// The RPS a print wrote, named by its RPS series and number as the server recorded them.
QString pdfOf(const EmissionFixture& fixture, const QString& folder, const std::pair<QString, QString>& key) {
    const auto field = [&](const char* name) { return fixture.invoiceField(name, key.first, key.second); };
    return QDir(folder).filePath(
        QString("RPS_%1_%2_%3_%4.pdf").arg(field("CDSERIERPS"), field("NRRPS"), key.first, key.second));
}

}  // namespace

class EmissionWithServer : public EmissionTestCase {
    Q_OBJECT

  private Q_SLOTS:
    void printStopsAtTheFirstRefusal();
    void printStopsWhenTheServerGoesAway();
    void printShowsHowFarTheRunIs_data();
    void printShowsHowFarTheRunIs();
    void printWithoutPrinterTellsOnceWhatItWrote_data();
    void printWithoutPrinterTellsOnceWhatItWrote();
    void printOfAReportThatCannotPrintSpendsNothing_data();
    void issuedRpsWhoseReportFindsNothingIsShownAsIssued();
    void printOfAReportThatCannotPrintSpendsNothing();
    void completedPrintRefreshesTheList();
    void printWithNothingTicked();
    void serverAnswerOfAnotherKind_data();
    void serverAnswerOfAnotherKind();
    void cancellationAcceptedRefreshesBeforeTheSuccessBox();
    void cancellationNotConfirmedSendsNothing_data();
    void cancellationNotConfirmedSendsNothing();
    void cancellationRefusedLeavesTheList();
    void cancelWithoutInvoicesSendsNothing_data();
    void cancelWithoutInvoicesSendsNothing();
    void importedNfseShowsTheRowTransmitted();
};

void EmissionWithServer::printStopsAtTheFirstRefusal() {
    fixture_.fetch();
    const int first = fixture_.findRow("1", "1");
    const int refused = fixture_.findRow("1", "2", first);
    const int third = fixture_.findRow("1", "1", refused);
    QVERIFY2(first >= 0 && refused >= 0 && third >= 0, "the demo data lacks the rows this test needs");
    const auto [b1, e1] = fixture_.keyOf(first);
    const auto [b3, e3] = fixture_.keyOf(third);
    for (int r : {first, refused, third}) fixture_.tick(r);

    print();

    QCOMPARE(fixture_.invoiceField("IDEMISSAORPS", b1, e1), QString("2"));
    QVERIFY(!fixture_.invoiceField("NRRPS", b1, e1).isEmpty());
    QCOMPARE(fixture_.invoiceField("IDEMISSAORPS", b3, e3), QString("1"));  // never sent
    QVERIFY(QFile::exists(pdfOf(fixture_, fixture_.outputFolder(), {b1, e1})));
    QCOMPARE(shown(user_, kpv::TMsgDlgType::mtError), QStringList{kTransmittedNotIssued});
    // Not refreshed: the list shows what it showed before the run, and it still moves.
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), refused);
    QVERIFY(!screen()->cdsNotaFiscal->ControlsDisabled());
    QVERIFY(!kpv::ShowAviActive());
    {
        kpv::data::TClientDataSet::PaintRecord row(screen()->cdsNotaFiscal, first);
        QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("S"));
        QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->AsString(), QString("1"));
    }
    screen()->cdsNotaFiscal->Next();
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), refused + 1);
}

void EmissionWithServer::printShowsHowFarTheRunIs_data() {
    // The invoices ticked, by their transmission code ("1" issues, "2" is refused by the server); the busy
    // box at each print, its text and bar; the box while the refusal is shown.
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<QStringList>("atPrints");
    QTest::addColumn<QString>("atRefusal");
    QTest::newRow("one invoice: the catalogue text alone")
        << QStringList{"1"} << QStringList{kGenerating} << "";
    QTest::newRow("three invoices: the bar shows which of them is being processed")
        << QStringList{"1", "1", "1"}
        << QStringList{kGenerating + " [1/3]", kGenerating + " [2/3]", kGenerating + " [3/3]"} << "";
    QTest::newRow("the second of three refused")
        << QStringList{"1", "2", "1"} << QStringList{kGenerating + " [1/3]"} << kGenerating + " [2/3]";
}

void EmissionWithServer::printShowsHowFarTheRunIs() {
    QFETCH(QStringList, ticked);
    QFETCH(QStringList, atPrints);
    QFETCH(QString, atRefusal);
    fixture_.fetch();
    int row = -1;
    for (const QString& transmis : ticked) {
        row = fixture_.findRow("1", transmis, row);
        QVERIFY2(row >= 0, "the demo data lacks the rows this test needs");
        fixture_.tick(row);
    }
    QList<ReportRun> runs;
    fixture_.recordReportRuns(runs);
    QString busyAtError;
    user_.boxShown = [&](const kpv::ScriptedInteraction::Message& box) {
        if (box.type == kpv::TMsgDlgType::mtError) busyAtError = BusyShown();
    };

    print();

    QStringList busyAtPrints;
    for (const ReportRun& run : runs) busyAtPrints << run.busy;
    QCOMPARE(busyAtPrints, atPrints);
    const bool refused = !atRefusal.isEmpty();
    QCOMPARE(shown(user_, kpv::TMsgDlgType::mtError).size(), refused ? 1 : 0);
    if (refused) QCOMPARE(busyAtError, atRefusal);
    QVERIFY(!kpv::ShowAviActive());
}

// The server stops while the first of two ticked invoices prints: the run ends with the connection's
// error at the second, and the list is left as a refused run leaves it.
void EmissionWithServer::printStopsWhenTheServerGoesAway() {
    fixture_.fetch();
    const int first = fixture_.findRow("1", "1");
    const int second = fixture_.findRow("2", "1", first);
    QVERIFY2(first >= 0 && second >= 0, "the demo data lacks the rows this test needs");
    const auto [b1, e1] = fixture_.keyOf(first);
    const auto [b2, e2] = fixture_.keyOf(second);
    fixture_.tick(first);
    fixture_.tick(second);
    const int port = fixture_.server().port();
    auto& reportParams = screen()->rpddPadrao->BeforeGetQueryParams;
    reportParams = [screensOwn = reportParams, this](kpv::report::TReportParams& params, bool& flag) {
        screensOwn(params, flag);
        fixture_.server().stop();
    };
    const auto restart = qScopeGuard([this] {
        QString error;
        QVERIFY2(fixture_.server().start(&error), qPrintable(error));
        kpv::Context().webPort = fixture_.server().port();
    });

    print();

    QVERIFY(!fixture_.server().running());
    QCOMPARE(
        shown(user_, kpv::TMsgDlgType::mtError),
        QStringList{QString("Não foi possível conectar ao servidor de aplicação em 127.0.0.1:%1: conexão "
                            "recusada.")
                        .arg(port)});
    QCOMPARE(fixture_.invoiceField("IDEMISSAORPS", b1, e1), QString("2"));
    QVERIFY(QFile::exists(pdfOf(fixture_, fixture_.outputFolder(), {b1, e1})));
    QVERIFY(!QFile::exists(pdfOf(fixture_, fixture_.outputFolder(), {b2, e2})));
    QVERIFY(!kpv::ShowAviActive());
    // Not refreshed: the printed invoice still shows its state from before the run, ticked.
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), second);
    {
        kpv::data::TClientDataSet::PaintRecord row(screen()->cdsNotaFiscal, first);
        QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->AsString(), QString("1"));
        QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("S"));
    }
    // The list's controls follow the cursor again.
    QVERIFY(!screen()->cdsNotaFiscal->ControlsDisabled());
    screen()->cdsNotaFiscal->Next();
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), second + 1);
}

void EmissionWithServer::printWithoutPrinterTellsOnceWhatItWrote_data() {
    // The invoices ticked, by their codes: issued ones print again without spending a number, transmitted
    // ones are refused by the server; how many of them print before the run ends.
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<int>("printed");
    QTest::newRow("one invoice: its file") << QStringList{"2/1"} << 1;
    QTest::newRow("three invoices: the folder and how many") << QStringList{"2/1", "2/1", "2/1"} << 3;
    QTest::newRow("the second of three refused: what was written") << QStringList{"2/1", "2/2", "2/1"} << 1;
}

void EmissionWithServer::printWithoutPrinterTellsOnceWhatItWrote() {
    QFETCH(QStringList, ticked);
    QFETCH(int, printed);
    if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("this machine has a printer");
    const QString folder = fixture_.outputFolder();
    QVERIFY(QDir(folder).removeRecursively());  // the files of earlier runs
    fixture_.fetch();
    QList<std::pair<QString, QString>> keys;
    int row = -1;
    for (const QString& codes : ticked) {
        row = fixture_.findRow(codes.section('/', 0, 0), codes.section('/', 1), row);
        QVERIFY2(row >= 0, "the demo data lacks the rows this test needs");
        fixture_.tick(row);
        keys << fixture_.keyOf(row);
    }

    print();

    for (int i = 0; i < keys.size(); ++i)
        QCOMPARE(QFile::exists(pdfOf(fixture_, folder, keys[i])), i < printed);
    const QString notice =
        printed == 1 ? QString("Nenhuma impressora instalada: o relatório foi gravado em '%1'.")
                           .arg(QDir::toNativeSeparators(pdfOf(fixture_, folder, keys[0])))
                     : QString("Nenhuma impressora instalada: %1 relatórios foram gravados na pasta '%2'.")
                           .arg(printed)
                           .arg(QDir::toNativeSeparators(folder));
    QCOMPARE(shown(user_, kpv::TMsgDlgType::mtInformation), QStringList{notice});
    QCOMPARE(shown(user_, kpv::TMsgDlgType::mtError).size(), printed < ticked.size() ? 1 : 0);
}

// A report that cannot print stops the run before the server issues anything: no definition, or a layout
// naming a field its query does not return.
void EmissionWithServer::printOfAReportThatCannotPrintSpendsNothing_data() {
    QTest::addColumn<QString>("layoutField");  // empty: no definition in the folder
    QTest::addColumn<QString>("toldAtCreation");
    QTest::addColumn<QString>("toldAtPrint");
    const QString missing = QString(
        "O arquivo contendo a definição do relatório de código 'KPV410' não foi encontrado no diretório "
        "'@'.");
    QTest::newRow("no definition") << QString() << missing << missing;
    QTest::newRow("a field its query does not return")
        << "NRRPSX" << QString()
        << "O relatório 'Recibo Provisório de Serviço (RPS)' usa o campo 'NRRPSX', que sua consulta não "
           "retorna.";
}

void EmissionWithServer::printOfAReportThatCannotPrintSpendsNothing() {
    QFETCH(QString, layoutField);
    QFETCH(QString, toldAtCreation);
    QFETCH(QString, toldAtPrint);
    const QString reports = kpv::Context().reportFolder;
    const auto restore = qScopeGuard([reports] { kpv::Context().reportFolder = reports; });
    QTemporaryDir folder;
    if (!layoutField.isEmpty())
        QVERIFY(WriteChangedReport(folder.path(), "{NRRPS}", QByteArray("{" + layoutField.toUtf8() + "}")));
    QVERIFY(fixture_.closeScreen());
    kpv::Context().reportFolder = folder.path();
    QVERIFY(fixture_.openScreen());
    const QString where = QDir::toNativeSeparators(folder.path());
    QCOMPARE(user_.messageTexts(), toldAtCreation.isEmpty()
                                       ? QStringList{}
                                       : QStringList{QString(toldAtCreation).replace("@", where)});
    user_.clear();
    fixture_.fetch();
    const int row = fixture_.findRow("1", "1");
    QVERIFY(row >= 0);
    const auto [branch, entry] = fixture_.keyOf(row);
    fixture_.tick(row);
    const int before = fixture_.serverCalls();

    print();

    QCOMPARE(user_.messageTexts(), QStringList{toldAtPrint.replace("@", where)});
    QCOMPARE(fixture_.serverCalls(), before);
    QCOMPARE(fixture_.invoiceField("IDEMISSAORPS", branch, entry), QString("1"));
    QVERIFY(fixture_.invoiceField("NRRPS", branch, entry).isEmpty());
    QVERIFY(!screen()->cdsNotaFiscal->ControlsDisabled());
    QVERIFY(!kpv::ShowAviActive());
}

// Whatever keeps a report from finding the invoice the server has just issued, the screen shows what the
// server holds and says which number stands.
void EmissionWithServer::issuedRpsWhoseReportFindsNothingIsShownAsIssued() {
    const QString reports = kpv::Context().reportFolder;
    const auto restore = qScopeGuard([reports] { kpv::Context().reportFolder = reports; });
    QTemporaryDir folder;
    QVERIFY(WriteChangedReport(folder.path(), "nf.NRRPS IS NOT NULL", "nf.NRRPS IS NOT NULL AND 1 = 0"));
    QVERIFY(fixture_.closeScreen());
    kpv::Context().reportFolder = folder.path();
    QVERIFY(fixture_.openScreen());
    fixture_.fetch();
    const int row = fixture_.findRow("1", "1");
    QVERIFY(row >= 0);
    const auto [branch, entry] = fixture_.keyOf(row);
    fixture_.tick(row);

    print();

    const QString number = fixture_.invoiceField("NRRPS", branch, entry);
    QVERIFY2(!number.isEmpty(), "the server did not issue the RPS");
    QCOMPARE(
        shown(user_, kpv::TMsgDlgType::mtError),
        QStringList{QString("O relatório 'Recibo Provisório de Serviço (RPS)' não encontrou dados para "
                            "imprimir. O RPS nº %1 da série %2 desta nota fiscal foi emitido no servidor e "
                            "continua valendo; a lista mostra agora o que o servidor registra. Confira o "
                            "relatório e imprima-o de novo: o número não muda.")
                        .arg(number, fixture_.invoiceField("CDSERIERPS", branch, entry))});
    QVERIFY(screen()->cdsNotaFiscal->Locate("NRLANCTONF", entry, false, false));
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->DisplayText(), QString("Emitido"));
    QCOMPARE(screen()->cdsNotaFiscalNRRPS->AsString(), number);
    QVERIFY(!screen()->cdsNotaFiscal->ControlsDisabled());
}

void EmissionWithServer::completedPrintRefreshesTheList() {
    fixture_.fetch();
    const int row = fixture_.findRow("1", "1");
    QVERIFY(row >= 0);
    screen()->cdsNotaFiscal->SetRecNo(row);
    const QString entry = screen()->cdsNotaFiscalNRLANCTONF->AsString();
    fixture_.tick(row);
    print();
    QVERIFY2(user_.messages.isEmpty() || user_.messages.last().type != kpv::TMsgDlgType::mtError,
             qPrintable(user_.messageTexts().join("; ")));
    QVERIFY(screen()->cdsNotaFiscal->Locate("NRLANCTONF", entry, false, false));
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->AsString(), QString("2"));
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->DisplayText(), QString("Emitido"));
    QVERIFY(!screen()->cdsNotaFiscalNRRPS->AsString().isEmpty());
    QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("N"));
}

void EmissionWithServer::printWithNothingTicked() {
    fixture_.fetch();
    screen()->cbbReportNames->setFocus();
    const int before = fixture_.serverCalls();
    print();
    QCOMPARE(user_.messageTexts(), QStringList{kNotSelected});
    QCOMPARE(screenFocus(), QString("dbgPadrao"));
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), screen()->cdsNotaFiscal->RecordCount() - 1);
    QCOMPARE(fixture_.serverCalls(), before);
}

// A server that answers the RPS methods with a data packet instead of a status array: the user reads
// what went wrong, not an empty error box.
void EmissionWithServer::serverAnswerOfAnotherKind_data() {
    QTest::addColumn<bool>("cancelling");
    QTest::newRow("print") << false;
    QTest::newRow("cancellation") << true;
}

void EmissionWithServer::serverAnswerOfAnotherKind() {
    QFETCH(bool, cancelling);
    fixture_.fetch();
    // Neither command looks at the invoice's status: the answer alone decides.
    const int row = screen()->cdsNotaFiscal->RecordCount() / 2;
    if (!cancelling) fixture_.tick(row);
    screen()->cdsNotaFiscal->SetRecNo(row);
    ScriptedPeer peer([](QTcpSocket& socket, const HttpMessage&) {
        AnswerHttp(socket, 200, kpv::protocol::EncodePacketReply(kpv::protocol::DataPacket{}));
    });
    const auto restore = qScopeGuard([this] { kpv::Context().webPort = fixture_.server().port(); });
    kpv::Context().webPort = peer.port();
    screen()->netEmissaoRPS->SetConnected(false);
    screen()->netEmissaoRPS->SetConnected(true);
    user_.boxAnswers = {kpv::TModalResult::mrOk};

    cancelling ? cancel() : print();

    QCOMPARE(peer.connections(), 1);
    QCOMPARE(
        shown(user_, kpv::TMsgDlgType::mtError),
        QStringList{"O servidor de aplicação devolveu um resultado de tipo inesperado para esta chamada."});
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), row);
    QVERIFY(!screen()->cdsNotaFiscal->ControlsDisabled());
    QVERIFY(!kpv::ShowAviActive());
}

void EmissionWithServer::cancellationAcceptedRefreshesBeforeTheSuccessBox() {
    fixture_.fetch();
    const int row = fixture_.findRow("2", "1");
    QVERIFY(row >= 0);
    const auto [branch, entry] = fixture_.keyOf(row);
    fixture_.tick(fixture_.findRow("1", "1"));
    screen()->cdsNotaFiscal->SetRecNo(row);
    user_.boxAnswers = {kpv::TModalResult::mrOk, kpv::TModalResult::mrOk};
    // What the list shows for the cancelled invoice while the success box is up.
    QString shownBehindTheBox;
    user_.boxShown = [&](const kpv::ScriptedInteraction::Message& box) {
        if (box.text != kCancelled) return;
        for (int i = 0; i < screen()->cdsNotaFiscal->RecordCount(); ++i) {
            const kpv::data::TClientDataSet::PaintRecord r(screen()->cdsNotaFiscal, i);
            if (screen()->cdsNotaFiscalNRLANCTONF->AsString() == entry &&
                screen()->cdsNotaFiscalCDFILIAL->AsString() == branch)
                shownBehindTheBox = screen()->cdsNotaFiscalIDEMISSAORPS->DisplayText();
        }
    };

    cancel();

    QCOMPARE(user_.messageTexts(), QStringList({kConfirmCancel, kCancelled}));
    QCOMPARE(user_.messages[0].type, kpv::TMsgDlgType::mtConfirmation);
    QCOMPARE(user_.messages[0].buttons, kpv::TMsgDlgButtons::mbOKCancel);
    QCOMPARE(user_.messages[1].type, kpv::TMsgDlgType::mtInformation);
    QCOMPARE(user_.messages[1].buttons, kpv::TMsgDlgButtons::mbOK);
    QCOMPARE(shownBehindTheBox, QString("Não Emitido"));
    QCOMPARE(fixture_.invoiceField("IDEMISSAORPS", branch, entry), QString("1"));
    QVERIFY(!kpv::ShowAviActive());
    // The commands follow the current row of the refetched list.
    const InvoiceStatus current{screen()->cdsNotaFiscalIDEMISSAORPS->AsString(),
                                screen()->cdsNotaFiscalIDTRANSMISRPS->AsString()};
    QCOMPARE(screen()->mnuCancelaEmissao->Enabled(), current.cancellable());
    for (int i = 0; i < screen()->cdsNotaFiscal->RecordCount(); ++i) {
        kpv::data::TClientDataSet::PaintRecord r(screen()->cdsNotaFiscal, i);
        QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("N"));  // ticks lost with the refresh
    }
}

void EmissionWithServer::cancellationNotConfirmedSendsNothing_data() {
    QTest::addColumn<kpv::TModalResult>("answer");
    QTest::newRow("Cancel") << kpv::TModalResult::mrCancel;
    QTest::newRow("close box") << kpv::TModalResult::mrNone;
}

void EmissionWithServer::cancellationNotConfirmedSendsNothing() {
    QFETCH(kpv::TModalResult, answer);
    fixture_.fetch();
    const int row = fixture_.findRow("2", "1");
    QVERIFY(row >= 0);
    screen()->cdsNotaFiscal->SetRecNo(row);
    const int before = fixture_.serverCalls();
    user_.boxAnswers = {answer};
    cancel();
    QCOMPARE(user_.messageTexts(), QStringList{kConfirmCancel});
    QCOMPARE(fixture_.serverCalls(), before);
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), row);
}

void EmissionWithServer::cancellationRefusedLeavesTheList() {
    fixture_.fetch();
    const int row = fixture_.findRow("2", "2");
    QVERIFY(row >= 0);
    screen()->cdsNotaFiscal->SetRecNo(row);
    user_.boxAnswers = {kpv::TModalResult::mrOk};
    const int before = fixture_.serverCalls();
    cancel();
    QCOMPARE(user_.messageTexts(), QStringList({kConfirmCancel, kTransmittedNotCancelled}));
    QCOMPARE(user_.messages[1].type, kpv::TMsgDlgType::mtError);
    QCOMPARE(fixture_.serverCalls(), before + 1);  // the cancellation, and no refresh after it
    QCOMPARE(screen()->cdsNotaFiscal->RecNo(), row);
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->AsString(), QString("2"));
    QVERIFY(!kpv::ShowAviActive());
}

void EmissionWithServer::cancelWithoutInvoicesSendsNothing_data() {
    QTest::addColumn<bool>("fetchNothing");
    QTest::addColumn<bool>("enabled");
    // At creation the command is enabled although there is no list.
    QTest::newRow("no list yet") << false << true;
    QTest::newRow("a list without rows") << true << false;
}

void EmissionWithServer::cancelWithoutInvoicesSendsNothing() {
    QFETCH(bool, fetchNothing);
    QFETCH(bool, enabled);
    if (fetchNothing) {
        screen()->GetNotaFiscal("", "T", "99", "", "", "", "T", fixture_.demo().first, fixture_.demo().last,
                                "S", "_1_2_3");
        QVERIFY(screen()->cdsNotaFiscal->Active());
        QVERIFY(screen()->cdsNotaFiscal->IsEmpty());
    } else {
        QVERIFY(!screen()->cdsNotaFiscal->Active());
    }
    QCOMPARE(screen()->sbtCancelaEmissao->isEnabled(), enabled);
    QCOMPARE(screen()->mnuCancelaEmissao->Enabled(), enabled);
    screen()->cbbReportNames->setFocus();
    const int before = fixture_.serverCalls();
    cancel();
    // Nothing to confirm: the user is told, as when printing with nothing ticked.
    QCOMPARE(user_.messageTexts(), QStringList{kNotSelected});
    QCOMPARE(user_.messages[0].type, kpv::TMsgDlgType::mtError);
    QCOMPARE(screenFocus(), QString("dbgPadrao"));
    QCOMPARE(fixture_.serverCalls(), before);
    QVERIFY(!kpv::ShowAviActive());
}

// The NFS-e of an exported DPS, read in by kpv-nfse, comes back to the screen as code "2" of IDTRANSMISRPS:
// its number in the list, the tick grey and refused, the cancellation off. The situation column keeps
// "Emitido", as it shows for every issued RPS whatever its transmission code.
void EmissionWithServer::importedNfseShowsTheRowTransmitted() {
    fixture_.fetch();
    const int row = fixture_.findRow("2", "1");
    QVERIFY(row >= 0);
    const auto [branch, entry] = fixture_.keyOf(row);
    QTemporaryDir dir;
    const QString cnpj = EmissionFixture::scalar(
                             "SELECT COALESCE(F.NRCNPJFILI, E.NRCNPJEMPR) FROM FILIAL F"
                             " JOIN EMPRESA E ON E.CDEMPRESA = F.CDEMPRESA WHERE F.CDFILIAL = ?",
                             {branch})
                             .toString();
    TestCertificate provider;
    TestCertificate authority;
    QString error;
    QVERIFY2(MakeTestCertificate(dir.path(), "provider", {"PRESTADOR:" + cnpj, {}}, &provider, &error) &&
                 MakeTestCertificate(dir.path(), "authority", {"SEFIN NACIONAL", {}}, &authority, &error),
             qPrintable(error));
    const QString ini = dir.filePath("kpv.ini");
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        QString(fixture_.database().iniGroup() + "[nfse]\ncertificate.%1=%2\ncertificatePassword.%1=%3\n")
            .arg(branch, provider.pkcs12, provider.password)
            .toUtf8());
    file.close();
    const QString nfse = BuildProgram("kpv-nfse");
    RunProgram(nfse, {"export", "--config", ini, "--out", dir.filePath("dps"), "--company",
                      fixture_.demo().company});
    const QString id =
        EmissionFixture::scalar("SELECT CDDPS FROM DPSEXPORTADA WHERE CDFILIAL = ? AND NRLANCTONF = ?",
                                {branch, entry})
            .toString();
    QVERIFY2(!id.isEmpty(), "the invoice's DPS was not exported");
    QFile dps(dir.filePath("dps/" + id + ".xml"));
    QVERIFY(dps.open(QIODevice::ReadOnly));
    QFile document(dir.filePath("nfse.xml"));
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.write(BuildNfse(dps.readAll(), "202600004321",
                             kpv::nfse::Certificate::FromPkcs12(authority.pkcs12, authority.password)));
    document.close();
    const ProgramRun imported = RunProgram(nfse, {"import", "--config", ini, document.fileName()});
    QVERIFY2(imported.exitCode == 0, qPrintable(imported.output));

    fixture_.fetch();
    QVERIFY(screen()->cdsNotaFiscal->Locate("NRLANCTONF", entry, false, false));
    QCOMPARE(screen()->cdsNotaFiscalCDFILIAL->AsString(), branch);
    QCOMPARE(screen()->cdsNotaFiscalIDTRANSMISRPS->AsString(), QString("2"));
    QCOMPARE(screen()->cdsNotaFiscalNRNOTAFISCSE->AsString(), QString("202600004321"));
    QCOMPARE(screen()->cdsNotaFiscalIDEMISSAORPS->DisplayText(), QString("Emitido"));
    QVERIFY(!screen()->mnuCancelaEmissao->Enabled());
    QVERIFY(!screen()->sbtCancelaEmissao->isEnabled());
    kpv::Dispatch([] { screen()->dbgPadraoDblClick(screen()->dbgPadrao); });
    QCOMPARE(user_.messageTexts(),
             QStringList{"Nota fiscal já transmitida pelo processo de Transmissão de Nota Fiscal de Serviço "
                         "Eletrônica (NFS-e)."});
    QCOMPARE(screen()->cdsNotaFiscalIDCHECK->AsString(), QString("N"));
}

QTEST_MAIN(EmissionWithServer)
#include "test_emission_with_server.moc"
