#include "framework/ui/frm_dados_ger_rel.h"

#include "framework/core/context.h"
#include "framework/core/errors.h"
#include "framework/core/interaction.h"
#include "framework/core/routines.h"
#include "framework/report/report_output.h"
#include "framework/report/report_query.h"
#include "framework/report/report_renderer.h"
#include "framework/ui/glyphs.h"
#include "framework/ui/print_batch.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPrinter>
#include <QPrinterInfo>

namespace kpv::ui {

namespace {

// Where the report base screen puts its toolbar and its report strip, in pixels.
constexpr struct {
    int toolbarHeight = 27;         // panMenu, along the top
    TBounds screenCode{6, 6, 70};   // lblCodTela
    TBounds reportCode{80, 6, 60};  // lblCodRel
    int helpWidth = 4;              // panHelp, at the toolbar's right end
    int buttonsWidth = 329;         // panBotoes, left of it
    QPoint print{4, 2};             // the buttons, in panBotoes
    QPoint preview{25, 2};
    QPoint saveAs{46, 2};
    QPoint printerSetup{67, 2};
    QPoint close{304, 2};
    int reportStripHeight = 30;         // panRelat, along the top of grbDadosRel
    TBounds reportCaption{6, 7, 72};    // lblRelatorio
    TBounds reportNames{80, 3, 400};    // cbbReportNames
    TBounds separator{0, 27, 2000, 3};  // bvlSeparator, under the strip
} kPlaces;

}  // namespace

TfrmDadosGerRel::TfrmDadosGerRel(QWidget* owner) : TForm(owner) {
    SetFormStyle(TFormStyle::fsMDIChild);

    panMenu = new TPanel(this, QStringLiteral("panMenu"));
    panMenu->resize(0, kPlaces.toolbarHeight);
    SetAlign(panMenu, TAlign::alTop);
    lblCodTela = new TLabel(panMenu, QStringLiteral("lblCodTela"));
    Place(lblCodTela, kPlaces.screenCode);
    lblCodRel = new TLabel(panMenu, QStringLiteral("lblCodRel"));
    Place(lblCodRel, kPlaces.reportCode);
    panHelp = new TPanel(panMenu, QStringLiteral("panHelp"));
    panHelp->resize(kPlaces.helpWidth, 0);
    SetAlign(panHelp, TAlign::alRight);
    panBotoes = new TPanel(panMenu, QStringLiteral("panBotoes"));
    panBotoes->resize(kPlaces.buttonsWidth, 0);
    SetAlign(panBotoes, TAlign::alRight);

    auto button = [this](const char* name, const QString& hint, TGlyph glyph, QPoint place) {
        auto* b = new TButtonFlat(panBotoes, QString::fromLatin1(name), hint);
        b->SetGlyph(Glyph(glyph));
        b->move(place);
        return b;
    };
    sbtPrint = button("sbtPrint", QStringLiteral("Imprimir"), TGlyph::Print, kPlaces.print);
    sbtPreview =
        button("sbtPreview", QStringLiteral("Visualizar Impressão"), TGlyph::Preview, kPlaces.preview);
    sbtSalvarComo = button("sbtSalvarComo", QStringLiteral("Salvar Como"), TGlyph::SaveAs, kPlaces.saveAs);
    sbtConfigImpr = button("sbtConfigImpr", QStringLiteral("Configurar Impressora"), TGlyph::PrinterSetup,
                           kPlaces.printerSetup);
    sbtCancel = button("sbtCancel", QStringLiteral("Fechar"), TGlyph::Close, kPlaces.close);
    sbtPrint->OnClick = [this](QObject* s) { sbtPrintClick(s); };
    sbtPreview->OnClick = [this](QObject* s) { sbtPreviewClick(s); };
    sbtSalvarComo->OnClick = [this](QObject* s) { sbtSalvarComoClick(s); };
    sbtConfigImpr->OnClick = [this](QObject* s) { sbtConfigImprClick(s); };
    sbtCancel->OnClick = [this](QObject* s) { sbtCancelClick(s); };

    grbDadosRel = new TGroupBox(this, QStringLiteral("grbDadosRel"));
    SetAlign(grbDadosRel, TAlign::alClient);
    panRelat = new TPanel(grbDadosRel, QStringLiteral("panRelat"));
    panRelat->resize(0, kPlaces.reportStripHeight);
    SetAlign(panRelat, TAlign::alTop);
    lblRelatorio = new TLabel(panRelat, QStringLiteral("lblRelatorio"), QStringLiteral("Relatório"));
    lblRelatorio->SetBold(true);
    Place(lblRelatorio, kPlaces.reportCaption);
    cbbReportNames = new TComboBox(panRelat, QStringLiteral("cbbReportNames"));
    Place(cbbReportNames, kPlaces.reportNames);
    bvlSeparator = new TBevel(panRelat, QStringLiteral("bvlSeparator"));
    Place(bvlSeparator, kPlaces.separator);

    msgPadrao = new TMessages(this, QStringLiteral("msgPadrao"));
    msgPadrao->Messages = {
        QStringLiteral("Arq_Rel_Err|O arquivo contendo a definição do relatório de código '%s' não foi "
                       "encontrado no diretório '%s'."),
        QStringLiteral("NovoCaption|Título do relatório"),
        QStringLiteral("NovoPrompt|Informe o título do relatório:"),
        QStringLiteral("VD_TRAD|Validando tradução de relatórios"),
    };
    msgMensagens = new TMessages(this, QStringLiteral("msgMensagens"));
    ppmEditReport = new QMenu(this);
    ppmEditReport->setObjectName(QStringLiteral("ppmEditReport"));
    rpddPadrao = new report::TReportDesignerDialog(this, QStringLiteral("rpddPadrao"));
}

TfrmDadosGerRel::~TfrmDadosGerRel() = default;

void TfrmDadosGerRel::FormCreate(QObject*) {
    cbbReportNames->clear();
    reports_.clear();
    reportsError_.clear();
    try {
        std::optional<QList<report::TReportDefinition>> found =
            report::LoadReportDefinitions(Context().reportFolder, lblCodRel->text());
        if (found)
            reports_ = std::move(*found);
        else
            reportsError_ = reportFileError();
    } catch (const Error& e) {
        reportsError_ = e.message();
    }
    // A screen without its reports still does everything else, so the reason is told, not fatal; the
    // report commands tell it again.
    if (!reportsError_.isEmpty()) {
        MensErro(reportsError_, false);
        return;
    }
    for (const report::TReportDefinition& r : reports_) cbbReportNames->addItem(r.title);
    cbbReportNames->setCurrentIndex(0);
}

void TfrmDadosGerRel::FormClose(QObject*, TCloseAction& Action) {
    Action = TCloseAction::caFree;
}

QString TfrmDadosGerRel::reportFileError() const {
    QString text = msgPadrao->Msg(QStringLiteral("Arq_Rel_Err"));
    for (const QString& value : {lblCodRel->text(), QDir::toNativeSeparators(Context().reportFolder)}) {
        const qsizetype at = text.indexOf(QLatin1String("%s"));
        if (at >= 0) text.replace(at, 2, value);
    }
    return text;
}

void TfrmDadosGerRel::CheckReportChosen() const {
    const int index = cbbReportNames->currentIndex();
    if (index >= 0 && index < reports_.size()) return;
    MensErro(reportsError_.isEmpty() ? reportFileError() : reportsError_, true);
}

const report::TReportDefinition& TfrmDadosGerRel::chosenReport() const {
    CheckReportChosen();
    return reports_[cbbReportNames->currentIndex()];
}

QPrinter& TfrmDadosGerRel::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

namespace {

bool NoPrinterInstalled() {
    return QPrinterInfo::availablePrinters().isEmpty();
}

std::unique_ptr<QPrinter> PdfPrinter(const QString& fileName) {
    auto pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    // An empty name would turn the printer back into the system's own.
    if (!fileName.isEmpty()) pdf->setOutputFileName(fileName);
    return pdf;
}

}  // namespace

QString TfrmDadosGerRel::printFileFor(const report::TReportDefinition& report,
                                      const report::TOpenedReport& opened) const {
    if (Context().outputFolder.isEmpty())
        throw Error(
            QStringLiteral("Nenhuma impressora instalada e nenhuma pasta de saída configurada para os "
                           "relatórios."));
    if (!QDir().mkpath(Context().outputFolder))
        throw Error(QStringLiteral("Não foi possível criar a pasta de saída dos relatórios '%1'.")
                        .arg(QDir::toNativeSeparators(Context().outputFolder)));
    return report::ReportOutputFile(Context().outputFolder, lblCodRel->text(), report, opened);
}

void TfrmDadosGerRel::tellFilesWritten(const QStringList& files) {
    const QString text =
        files.size() == 1
            ? QStringLiteral("Nenhuma impressora instalada: o relatório foi gravado em '%1'.")
                  .arg(QDir::toNativeSeparators(files.first()))
            : QStringLiteral("Nenhuma impressora instalada: %1 relatórios foram gravados na pasta '%2'.")
                  .arg(files.size())
                  .arg(QDir::toNativeSeparators(QFileInfo(files.first()).path()));
    Interaction::Current().MessageBox(this, text, TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
}

void TfrmDadosGerRel::sbtPrintClick(QObject*) {
    const report::TReportDefinition& chosen = chosenReport();
    report::TOpenedReport opened = report::OpenReportQuery(chosen, *rpddPadrao);
    if (!NoPrinterInstalled()) {
        report::RenderReport(chosen, *opened.query->Query(), printer());
        return;
    }
    const QString fileName = printFileFor(chosen, opened);
    report::RenderReport(chosen, *opened.query->Query(), *PdfPrinter(fileName));
    if (printBatch_)
        printBatch_->files_ << fileName;
    else
        tellFilesWritten({fileName});
}

void TfrmDadosGerRel::sbtPreviewClick(QObject*) {
    const report::TReportDefinition& chosen = chosenReport();
    report::TOpenedReport opened = report::OpenReportQuery(chosen, *rpddPadrao);
    report::CheckReportFields(chosen, *opened.query->Query());
    // Without a printer, the preview's own print button writes a PDF file, letting the user choose it
    // from the one a print would write: nothing is written or made before the user prints.
    std::unique_ptr<QPrinter> pdf;
    if (NoPrinterInstalled())
        pdf = PdfPrinter(report::ReportOutputFile(Context().outputFolder, lblCodRel->text(), chosen, opened));
    QPrinter* target = pdf ? pdf.get() : &printer();
    Interaction::Current().PrintPreview(
        this, target, [&](QPrinter* p) { report::RenderReport(chosen, *opened.query->Query(), *p); });
}

void TfrmDadosGerRel::sbtSalvarComoClick(QObject*) {
    const report::TReportDefinition& chosen = chosenReport();
    report::TOpenedReport opened = report::OpenReportQuery(chosen, *rpddPadrao);
    QString fileName = Interaction::Current().SaveFileName(
        this, QStringLiteral("Salvar Como"),
        QDir(Context().outputFolder).filePath(chosen.title + QStringLiteral(".pdf")),
        QStringLiteral("Documentos PDF (*.pdf)"));
    if (fileName.isEmpty()) return;
    if (QFileInfo(fileName).suffix().isEmpty()) fileName += QStringLiteral(".pdf");
    report::RenderReport(chosen, *opened.query->Query(), *PdfPrinter(fileName));
}

void TfrmDadosGerRel::sbtConfigImprClick(QObject*) {
    if (NoPrinterInstalled()) {
        Interaction::Current().MessageBox(
            this,
            QStringLiteral("Nenhuma impressora instalada: os relatórios serão gravados em PDF na pasta '%1'.")
                .arg(QDir::toNativeSeparators(Context().outputFolder)),
            TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
        return;
    }
    Interaction::Current().PrinterSetup(this, &printer());
}

void TfrmDadosGerRel::sbtCancelClick(QObject*) {
    Close();
}

}  // namespace kpv::ui
