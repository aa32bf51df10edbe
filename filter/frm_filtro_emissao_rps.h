#pragma once

#include "filter/record_filter.h"
#include "framework/ui/frm_roti_geral.h"

namespace kpv::data {
class TADOIBQuery;
class TClientDataSet;
class TDataSource;
class TField;
}  // namespace kpv::data
namespace kpv::ui {
class TBtnPesquisa;
class TDateEditPlus;
class TEdit;
class TMaskEdit;
}  // namespace kpv::ui

namespace Cli_kpv41100 {

using namespace kpv::ui;
using kpv::data::TADOIBQuery;
using kpv::data::TClientDataSet;
using kpv::data::TDataSource;
using kpv::data::TField;

// The modal dialog "Filtro Emissão de Recibo Provisório de Serviço (RPS)": chooses which of the company's
// service invoices the emission screen lists. Created once, hidden when it closes, and on every show
// restored from the filter it remembers.
class TfrmFiltroEmissaoRPS : public TfrmRotiGeral {
    Q_OBJECT
  public:
    explicit TfrmFiltroEmissaoRPS(QWidget* owner);

    // Lifecycle.
    void FormCreate(QObject* Sender) override;
    void FormShow(QObject* Sender) override;
    void FormActivate(QObject* Sender) override;
    void FormClose(QObject* Sender, TCloseAction& Action) override;
    void sbtCancelClick(QObject* Sender) override;
    void Atualiza_Datas();

    // Confirmation and exit dates.
    void sbtConfirmaClick(QObject* Sender);
    void Vd_Datas(TDateEditPlus* depInicial, TDateEditPlus* depFinal);
    void depSaidIniExit(QObject* Sender);
    void depSaidFimExit(QObject* Sender);
    // Whether this show of the dialog ended in a completed confirmation: the invoices were fetched and the
    // filter remembered. Unlike boConfirma, a confirmation stopped by any check or by the fetch leaves it
    // false, so closing the window afterwards is no confirmation.
    bool Confirmed() const { return confirmed_; }

    // Branch.
    void Vd_FiliEmit();
    void medCdFilialChange(QObject* Sender);
    void medCdFilialExit(QObject* Sender);
    void btpFiliEmitBeforePesq(QObject* Sender, bool& flag);
    void btpFiliEmitAfterPesq(QObject* Sender);

    // State and municipal registrations.
    void Vd_CdInscEsta(bool boObrigatorio);
    void Vd_CdInscMuni(bool boObrigatorio);
    void edtCdInscEstaChange(QObject* Sender);
    void edtCdInscEstaExit(QObject* Sender);
    void edtCdInscMuniChange(QObject* Sender);
    void edtCdInscMuniExit(QObject* Sender);
    void btnInscrEstadBeforePesq(QObject* Sender, bool& flag);
    void btnInscrEstadAfterPesq(QObject* Sender);
    void btpInscrMunicipBeforePesq(QObject* Sender, bool& flag);
    void btpInscrMunicipAfterPesq(QObject* Sender);
    void qryInscrEstadBeforeOpen(QObject* DataSet);
    void cdsInscrMunicipIDAMBTRABNFSEGetText(TField* Sender, QString& Text, bool DisplayText);

    // Series.
    void Vd_Serie(bool boObrigatorio);
    void edtCdSerieExit(QObject* Sender);
    void btpSerieNFBeforePesq(QObject* Sender, bool& flag);
    void btpSerieNFAfterPesq(QObject* Sender);
    void qrySerieNFBeforeOpen(QObject* DataSet);

    // Client.
    void Vd_Cliente();
    void medClienteChange(QObject* Sender);
    void medClienteEnter(QObject* Sender);
    void medClienteExit(QObject* Sender);
    void btpClienteBeforePesq(QObject* Sender, bool& flag);
    void btpClienteAfterPesq(QObject* Sender);
    void qryClienteNRINSJURCLIEGetText(TField* Sender, QString& Text, bool DisplayText);

    // Operation type.
    void rdgTodosTipoOperClick(QObject* Sender);
    void rdgListaTipoOperClick(QObject* Sender);
    void btpTipoOperClick(QObject* Sender);
    void cbbIdOperacaoChange(QObject* Sender);

    // The filter as the controls hold it now, in the record's terms.
    TRecordFilter FilterOnScreen() const;

    TRecordFilter recFiltro;

    TBevel* bvl2;
    TBevel* bvl1;

    TLabel* lblFilial;
    TMaskEdit* medCdFilial;
    TBtnPesquisa* btpFiliEmit;
    TEdit* edtFiliEmit;
    TADOIBQuery* qryFilial;
    TDataSource* dtsFilial;
    TADOIBQuery* qryEmprCntrFil;

    TLabel* lblInscEsta;
    TEdit* edtCdInscEsta;
    TBtnPesquisa* btnInscrEstad;
    TADOIBQuery* qryInscrEstad;
    TDataSource* dtsInscrEstad;
    TLabel* lblInscMuni;
    TEdit* edtCdInscMuni;
    TBtnPesquisa* btpInscrMunicip;
    TClientDataSet* cdsInscrMunicip;
    TField* cdsInscrMunicipCDINSCMUNI;
    TField* cdsInscrMunicipIDAMBTRABNFSE;
    TDataSource* dtsInscrMunicip;

    TLabel* lblSerie;
    TEdit* edtCdSerie;
    TBtnPesquisa* btpSerieNF;
    TADOIBQuery* qrySerieNF;
    TDataSource* dtsSerieNF;

    TGroupBox* grbDest;
    TLabel* lblInscricao;
    TMaskEdit* medCliente;
    TBtnPesquisa* btpCliente;
    TEdit* edtNmCliente;
    TADOIBQuery* qryCliente;
    TDataSource* dtsCliente;

    TGroupBox* grbDtSaida;
    TLabel* lblInicial;
    TLabel* lblFinal;
    TDateEditPlus* depSaidIni;
    TDateEditPlus* depSaidFim;

    TGroupBox* grbTipoOper;
    TComboBox* cbbIdOperacao;
    TRadioButton* rdgTodosTipoOper;
    TRadioButton* rdgListaTipoOper;
    TBtnPesquisa* btpTipoOper;
    TClientDataSet* cdsTipoOper;
    TDataSource* dtsTipoOper;

    TGroupBox* grbSituacao;
    TCheckBox* chbNaoEmitido;
    TCheckBox* chbEmitido;
    TCheckBox* chbSubstituido;

  private:
    void createMessages();
    void createBranchRow();
    void createRegistrationRow();
    void createSeriesRow();
    void createClientGroup();
    void createDateGroup();
    void createOperationTypeGroup();
    void createSituationGroup();
    void chainTabOrder();

    void restoreFilter();
    void reenableEmissionScreen();
    void rebuildSituacaoRPS();
    void reopenEmprCntrFil();
    // The current branch row's registrations and series, each into its field when that is empty.
    bool offerBranchDefaults();
    // Replaces cdsInscrMunicip with the server's answer: one registration ("S") or all of the company's.
    void loadInscrMunicip(const QString& cdInscMuni, const QString& idUnica);
    QString companyCode() const;

    bool confirmed_ = false;
};

}  // namespace Cli_kpv41100
