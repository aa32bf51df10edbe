#pragma once

#include "framework/data/db_grid.h"
#include "framework/ui/frm_dados_ger_rel.h"
#include "framework/ui/menu.h"
#include "protocol/invoice_status.h"

#include <QDate>

namespace kpv::data {
class TField;
class TClientDataSet;
class TDataSource;
class TDBNavigator;
class TDBText;
class TADOIBQuery;
}  // namespace kpv::data
namespace kpv::net {
class TNetConnection;
}
namespace kpv::ui {
class TMaskEdit;
class TBtnPesquisa;
class TEdit;
}  // namespace kpv::ui

namespace Cli_kpv41000 {

using namespace kpv::ui;
using kpv::data::TADOIBQuery;
using kpv::data::TClientDataSet;
using kpv::data::TDataSource;
using kpv::data::TDBGrid;
using kpv::data::TDBNavigator;
using kpv::data::TDBText;
using kpv::data::TField;
using kpv::net::TNetConnection;
using kpv::protocol::InvoiceStatus;

// The screen "Emissão de Recibo Provisório de Serviço (RPS)": the company's service invoices in a grid,
// their RPS generated and printed for the ticked ones, an RPS emission cancelled for the current one.
class TfrmEmissaoRPS : public TfrmDadosGerRel {
    Q_OBJECT
  public:
    explicit TfrmEmissaoRPS(QWidget* owner);

    // Lifecycle.
    void FormCreate(QObject* Sender) override;
    void FormClose(QObject* Sender, TCloseAction& Action) override;
    void netEmissaoRPSBeforeConnect(QObject* Sender);

    // The invoice list.
    void cdsNotaFiscalIDEMISSAORPSGetText(TField* Sender, QString& Text, bool DisplayText);
    void cdsNotaFiscalNRINSJURNFGetText(TField* Sender, QString& Text, bool DisplayText);
    void cdsNotaFiscalAfterScroll(TClientDataSet* DataSet);

    // Invoice retrieval and refresh.
    void GetNotaFiscal(const QString& stCdFilial, const QString& stTipoOper, const QString& stCdEmpresa,
                       const QString& stCdInscEsta, const QString& stCdInscMuni, const QString& stCdSerie,
                       const QString& stCliente, const QDate& dtSaidIni, const QDate& dtSaidFim,
                       const QString& stIdOperacao, const QString& stSituacaoRPS);
    void sbtVerificarClick(QObject* Sender);
    void sbtFiltroClick(QObject* Sender);
    void dtsNotaFiscalStateChange(QObject* Sender);

    // Company selection.
    void Vd_Empresa(bool boObrigatorio);
    void medCdEmpresaChange(QObject* Sender);
    void medCdEmpresaExit(QObject* Sender);
    void panFiltroEnter(QObject* Sender);
    void panFiltroExit(QObject* Sender);
    void btpEmpresaBeforePesq(QObject* Sender, bool& flag);
    void btpEmpresaAfterPesq(QObject* Sender);

    // Ticking and the maintenance commands.
    void dbgPadraoDrawColumnCell(QObject* Sender, const QRect& Rect, int DataCol, kpv::data::TColumn* Column,
                                 kpv::data::TGridDrawState State);
    void dbgPadraoDblClick(QObject* Sender);
    void dbgPadraoKeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    void dbgPadraoTitleClick(kpv::data::TColumn* Column);
    void sbtProcurarClick(QObject* Sender);
    void mnuProcurarClick(QObject* Sender);
    void mnuVerificarClick(QObject* Sender);

    // Printing.
    void sbtPrintClick(QObject* Sender) override;
    void rpddPadraoBeforeGetQueryParams(kpv::report::TReportParams& params, bool& flag);
    void mnuImprimirClick(QObject* Sender);
    void mnuVisualizarClick(QObject* Sender);
    void mnuSalvarComoClick(QObject* Sender);
    void mnuConfigImpressClick(QObject* Sender);
    void mnuFecharClick(QObject* Sender);

    // Cancellation.
    void sbtCancelaEmissaoClick(QObject* Sender);

    // Filter values the filter screen writes: the operation types marked and the RPS situations chosen.
    QString ListaTipoOper;
    QString SituacaoRPS;

    // Company strip.
    TPanel* panFiltro;
    TLabel* lblEmpresa;
    TMaskEdit* medCdEmpresa;
    TBtnPesquisa* btpEmpresa;
    TEdit* edtNmEmpresa;
    TADOIBQuery* qryEmpresa;
    TDataSource* dtsEmpresa;
    TBevel* Bevel1;

    // The invoice grid.
    TPageControl* pgcPadrao;
    TTabSheet* tshPadrao;
    TPanel* panDados;
    TScrollBox* scbDados;
    TDBGrid* dbgPadrao;
    TImage* imgCheck;
    TImage* imgUncheck;
    TImage* imgGray;

    // Bottom strip.
    TPanel* panNavigator;
    TDBNavigator* dbnPadrao;
    TDBText* dbtNome;

    // The invoice list and the application server.
    TClientDataSet* cdsNotaFiscal;
    TField* cdsNotaFiscalIDCHECK;
    TField* cdsNotaFiscalCDFILIAL;
    TField* cdsNotaFiscalNRLANCTONF;
    TField* cdsNotaFiscalCDEMPRESA;
    TField* cdsNotaFiscalCDFILIEMIT;
    TField* cdsNotaFiscalNRINSJURNF;
    TField* cdsNotaFiscalCDCLIENTE;
    TField* cdsNotaFiscalNMRAZSOCCLIE;
    TField* cdsNotaFiscalNRNOTAFISCSE;
    TField* cdsNotaFiscalDTENTRSAID;
    TField* cdsNotaFiscalDTEMISSAO;
    TField* cdsNotaFiscalCDSERIE;
    TField* cdsNotaFiscalVRNOTAFISC;
    TField* cdsNotaFiscalCDSERIERPSSERIE;
    TField* cdsNotaFiscalNRNOTAFISC;
    TField* cdsNotaFiscalNRRPS;
    TField* cdsNotaFiscalIDEMISSAORPS;
    TField* cdsNotaFiscalDADOSRODAPE;
    TField* cdsNotaFiscalIDTPIJURNF;
    TField* cdsNotaFiscalIDTRANSMISRPS;
    TDataSource* dtsNotaFiscal;
    TNetConnection* netEmissaoRPS;

    // Commands.
    TMainMenu* mnuMenu;
    TMenuItem* mnuOperac;
    TMenuItem* mnuImprimir;
    TMenuItem* mnuVisualizar;
    TMenuItem* mnuSalvarComo;
    TMenuItem* mnuConfigImpress;
    TMenuItem* N2;
    TMenuItem* mnuFechar;
    TMenuItem* mnuManutencao;
    TMenuItem* mnuProcurar;
    TMenuItem* mnuVerificar;
    TMenuItem* N3;
    TMenuItem* mnuFiltro;
    TMenuItem* N1;
    TMenuItem* mnuCancelaEmissao;
    TButtonFlat* sbtProcurar;
    TButtonFlat* sbtVerificar;
    TButtonFlat* sbtFiltro;
    TButtonFlat* sbtCancelaEmissao;

  private:
    InvoiceStatus currentStatus() const;
    void createCommands();
    void createCompanyStrip();
    // The invoice list: its data set, the grid on its page, the grid's columns and the strip below.
    void createInvoiceGrid();
    void createInvoiceDataSet();
    void createTickImages();
    void createGridPage();
    void createGridColumns();
    void createNavigatorStrip();
    void createMessages();
};

}  // namespace Cli_kpv41000
