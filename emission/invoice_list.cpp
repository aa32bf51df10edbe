// The invoice list: the record of cdsNotaFiscal, the grid's columns, the bottom strip, and the texts
// shown for the status codes and registration numbers.
#include "emission/cli_kpv41000.h"
#include "emission/layout_p.h"
#include "emission/tick_images.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_grid.h"
#include "framework/data/db_navigator.h"
#include "framework/data/db_text.h"
#include "framework/text/edit_mask.h"
#include "framework/text/registration.h"
#include "protocol/invoice_status.h"
#include "protocol/packet_fields.h"

namespace Cli_kpv41000 {

using layout::kPlaces;

void TfrmEmissaoRPS::createInvoiceGrid() {
    createInvoiceDataSet();
    createTickImages();
    createGridPage();
    createGridColumns();
    SetAlign(pgcPadrao, TAlign::alClient);
    createNavigatorStrip();
}

void TfrmEmissaoRPS::createInvoiceDataSet() {
    cdsNotaFiscal = new TClientDataSet(this, QStringLiteral("cdsNotaFiscal"));
    // The fields of the invoice packet as the server sends them (protocol/packet_fields.cpp), each bound to
    // the screen's field of its name.
    cdsNotaFiscal->AddFields(kpv::protocol::InvoiceDefinitions());
    const std::pair<TField**, const char*> members[] = {
        {&cdsNotaFiscalIDCHECK, "IDCHECK"},           {&cdsNotaFiscalCDFILIAL, "CDFILIAL"},
        {&cdsNotaFiscalNRLANCTONF, "NRLANCTONF"},     {&cdsNotaFiscalCDEMPRESA, "CDEMPRESA"},
        {&cdsNotaFiscalCDFILIEMIT, "CDFILIEMIT"},     {&cdsNotaFiscalNRINSJURNF, "NRINSJURNF"},
        {&cdsNotaFiscalCDCLIENTE, "CDCLIENTE"},       {&cdsNotaFiscalNMRAZSOCCLIE, "NMRAZSOCCLIE"},
        {&cdsNotaFiscalNRNOTAFISCSE, "NRNOTAFISCSE"}, {&cdsNotaFiscalDTENTRSAID, "DTENTRSAID"},
        {&cdsNotaFiscalDTEMISSAO, "DTEMISSAO"},       {&cdsNotaFiscalCDSERIE, "CDSERIE"},
        {&cdsNotaFiscalVRNOTAFISC, "VRNOTAFISC"},     {&cdsNotaFiscalCDSERIERPSSERIE, "CDSERIERPSSERIE"},
        {&cdsNotaFiscalNRNOTAFISC, "NRNOTAFISC"},     {&cdsNotaFiscalNRRPS, "NRRPS"},
        {&cdsNotaFiscalIDEMISSAORPS, "IDEMISSAORPS"}, {&cdsNotaFiscalDADOSRODAPE, "DADOSRODAPE"},
        {&cdsNotaFiscalIDTPIJURNF, "IDTPIJURNF"},     {&cdsNotaFiscalIDTRANSMISRPS, "IDTRANSMISRPS"},
    };
    for (const auto& [member, name] : members)
        *member = cdsNotaFiscal->FieldByName(QString::fromLatin1(name));
    cdsNotaFiscalVRNOTAFISC->DisplayFormat = QStringLiteral("###,##0.00");
    cdsNotaFiscalIDEMISSAORPS->OnGetText = [this](TField* f, QString& text, bool display) {
        cdsNotaFiscalIDEMISSAORPSGetText(f, text, display);
    };
    cdsNotaFiscalNRINSJURNF->OnGetText = [this](TField* f, QString& text, bool display) {
        cdsNotaFiscalNRINSJURNFGetText(f, text, display);
    };
    cdsNotaFiscal->AfterScroll = [this](TClientDataSet* ds) { cdsNotaFiscalAfterScroll(ds); };

    dtsNotaFiscal = new TDataSource(this, QStringLiteral("dtsNotaFiscal"));
    dtsNotaFiscal->SetDataSet(cdsNotaFiscal);
    dtsNotaFiscal->OnStateChange = [this](QObject* s) { dtsNotaFiscalStateChange(s); };
}

// The pictures the tick column's cells are painted from.
void TfrmEmissaoRPS::createTickImages() {
    imgCheck = new TImage(panRelat, QStringLiteral("imgCheck"), TickImageCheck());
    imgUncheck = new TImage(panRelat, QStringLiteral("imgUncheck"), TickImageUncheck());
    imgGray = new TImage(panRelat, QStringLiteral("imgGray"), TickImageGray());
}

// The grid fills the one page of a page control whose tabs never show, under a thin bevel.
void TfrmEmissaoRPS::createGridPage() {
    Bevel1 = new TBevel(grbDadosRel, QStringLiteral("Bevel1"));
    Bevel1->resize(0, kPlaces.gridBevelHeight);
    SetAlign(Bevel1, TAlign::alTop);

    pgcPadrao = new TPageControl(grbDadosRel, QStringLiteral("pgcPadrao"));
    pgcPadrao->SetTabsVisible(false);
    tshPadrao = new TTabSheet(pgcPadrao, QStringLiteral("tshPadrao"));
    panDados = new TPanel(tshPadrao, QStringLiteral("panDados"));
    SetAlign(panDados, TAlign::alClient);
    scbDados = new TScrollBox(panDados, QStringLiteral("scbDados"));
    SetAlign(scbDados, TAlign::alClient);
    dbgPadrao = new TDBGrid(scbDados, QStringLiteral("dbgPadrao"));
    scbDados->setWidget(dbgPadrao);
    dbgPadrao->SetBorderStyle(kpv::data::TBorderStyle::bsNone);
    dbgPadrao->SetColor(clInfoBk);
    using kpv::data::TDBGridOption;
    dbgPadrao->SetOptions(TDBGridOption::dgTitles | TDBGridOption::dgColumnResize |
                          TDBGridOption::dgColLines | TDBGridOption::dgRowLines | TDBGridOption::dgTabs |
                          TDBGridOption::dgRowSelect | TDBGridOption::dgAlwaysShowSelection);
    // Cells are clipped rather than elided, as in the classic grid: a date with a time of day keeps its
    // whole date in a column made for the date.
    dbgPadrao->setTextElideMode(Qt::ElideNone);
    dbgPadrao->SetDataSource(dtsNotaFiscal);
    dbgPadrao->OnDrawColumnCell = [this](QObject* s, const QRect& r, int col, kpv::data::TColumn* c,
                                         kpv::data::TGridDrawState st) {
        dbgPadraoDrawColumnCell(s, r, col, c, st);
    };
    dbgPadrao->OnDblClick = [this](QObject* s) { dbgPadraoDblClick(s); };
    dbgPadrao->OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers shift) {
        dbgPadraoKeyDown(s, key, shift);
    };
    dbgPadrao->OnTitleClick = [this](kpv::data::TColumn* c) { dbgPadraoTitleClick(c); };
}

// The tick column's title is the tick glyph of the symbol font.
void TfrmEmissaoRPS::createGridColumns() {
    struct ColumnDef {
        const char* field;
        int width;
        const char* title;
    };
    const ColumnDef columns[] = {
        {"IDCHECK", 22, "4"},
        {"CDFILIEMIT", 55, "Filial"},
        {"NRINSJURNF", 117, "Inscrição"},
        {"NMRAZSOCCLIE", 186, "Razão Social"},
        {"NRNOTAFISCSE", 100, "Nº NFS-e"},
        {"DTENTRSAID", 71, "Data Saída"},
        {"DTEMISSAO", 71, "Data Emissão"},
        {"CDSERIE", 47, "Série"},
        {"VRNOTAFISC", 78, "Valor Nota"},
        {"CDSERIERPSSERIE", 55, "Série RPS"},
        {"NRRPS", 97, "Nº RPS"},
        {"IDEMISSAORPS", 121, "Situação RPS"},
    };
    for (const ColumnDef& def : columns) {
        kpv::data::TColumn* column = dbgPadrao->AddColumn(QString::fromLatin1(def.field));
        column->SetWidth(def.width);
        column->SetTitleCaption(QString::fromUtf8(def.title));
    }
    QFont symbol(QStringLiteral("MS Sans Serif"));
    symbol.setPixelSize(11);
    kpv::data::TColumn* tick = dbgPadrao->Columns().front().get();
    tick->SetTitleFont(symbol, kpv::data::TFontCharset::SYMBOL_CHARSET);
    tick->SetTitleAlignment(Qt::AlignCenter);
}

// Along the bottom: the navigator and the current invoice's footer line.
void TfrmEmissaoRPS::createNavigatorStrip() {
    panNavigator = new TPanel(grbDadosRel, QStringLiteral("panNavigator"));
    panNavigator->resize(0, kPlaces.navigatorStripHeight);
    SetAlign(panNavigator, TAlign::alBottom);
    dbnPadrao = new TDBNavigator(panNavigator, QStringLiteral("dbnPadrao"));
    dbnPadrao->SetDataSource(dtsNotaFiscal);
    Place(dbnPadrao, kPlaces.navigator);
    dbtNome = new TDBText(panNavigator, QStringLiteral("dbtNome"));
    dbtNome->SetDataSource(dtsNotaFiscal);
    dbtNome->SetDataField(QStringLiteral("DADOSRODAPE"));
    QFont bold(QStringLiteral("MS Sans Serif"));
    bold.setPixelSize(12);
    bold.setBold(true);
    dbtNome->setFont(bold);
    dbtNome->move(kPlaces.footer);
}

void TfrmEmissaoRPS::cdsNotaFiscalIDEMISSAORPSGetText(TField*, QString& Text, bool) {
    if (cdsNotaFiscal->IsEmpty()) return;
    bool number = false;
    const int situation = cdsNotaFiscalIDEMISSAORPS->AsString().toInt(&number);
    // A code that is not a number shows nothing rather than failing at every paint.
    if (!number) return;
    const InvoiceStatus status{cdsNotaFiscalIDEMISSAORPS->AsString(), cdsNotaFiscalIDTRANSMISRPS->AsString()};
    switch (situation) {
        case 1:
            Text = msgPadrao->Msg(status.transmitted() ? QStringLiteral("TRANSMITIDO")
                                                       : QStringLiteral("NAO_EMITIDO"));
            break;
        case 2:
            Text = msgPadrao->Msg(QStringLiteral("EMITIDO"));
            break;
        case 3:
            Text = msgPadrao->Msg(QStringLiteral("SUBSTITUIDO"));
            break;
        default:
            break;
    }
}

void TfrmEmissaoRPS::cdsNotaFiscalNRINSJURNFGetText(TField* Sender, QString& Text, bool) {
    Text = kpv::FormatMaskText(kpv::PictPess(cdsNotaFiscalIDTPIJURNF->AsString()), Sender->AsString());
}

void TfrmEmissaoRPS::cdsNotaFiscalAfterScroll(TClientDataSet*) {
    dtsNotaFiscalStateChange(dtsNotaFiscal);
}

}  // namespace Cli_kpv41000
