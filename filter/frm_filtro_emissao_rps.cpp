// The filter screen: its window, catalogue and tab order, and the lifecycle that keeps it alive between
// shows and puts the remembered filter back on every show.
#include "filter/frm_filtro_emissao_rps.h"

#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "framework/core/context.h"
#include "framework/core/dispatch.h"
#include "framework/core/routines.h"
#include "framework/data/query.h"
#include "framework/ui/date_edit.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"

namespace Cli_kpv41100 {

using kpv::EmptyString;
using layout::kPlaces;

namespace {

// Modules that invoice per billing branch: their filter starts on that branch.
bool BillsPerBillingBranch(int modulo) {
    return modulo == 14 || modulo == 15 || modulo == 16;
}

}  // namespace

TfrmFiltroEmissaoRPS::TfrmFiltroEmissaoRPS(QWidget* owner) : TfrmRotiGeral(owner) {
    setObjectName(QStringLiteral("frmFiltroEmissaoRPS"));
    SetCaption(QStringLiteral("Filtro Emissão de Recibo Provisório de Serviço (RPS)"));
    setFont(layout::PlainFont());
    SetBounds(kPlaces.window.left, kPlaces.window.top, kPlaces.window.width, kPlaces.window.height);
    setFixedSize(kPlaces.window.size());
    lblCodTela->setText(QStringLiteral("KPV41100"));
    Place(grbDadosRel, kPlaces.fields);
    Place(panMenu, kPlaces.buttons);

    bvl2 = new TBevel(grbDadosRel, QStringLiteral("bvl2"));
    Place(bvl2, kPlaces.upperBevel);
    bvl1 = new TBevel(grbDadosRel, QStringLiteral("bvl1"));
    Place(bvl1, kPlaces.seriesBevel);

    createMessages();
    createBranchRow();
    createRegistrationRow();
    createSeriesRow();
    createClientGroup();
    createDateGroup();
    createOperationTypeGroup();
    createSituationGroup();
    chainTabOrder();
    sbtConfirma->OnClick = [this](QObject* s) { sbtConfirmaClick(s); };
    medCdFilial->setFocus(Qt::OtherFocusReason);
}

void TfrmFiltroEmissaoRPS::createMessages() {
    msgPadrao->Messages = {
        QStringLiteral("InscMuni_Cad|Inscrição municipal não cadastrada."),
        QStringLiteral("InscEsta_Cad|Inscrição estadual não cadastrada."),
        QStringLiteral("Filial_Relac|Filial não relacionada para a empresa informada."),
        QStringLiteral("Estadual_Relac|Inscrição estadual não relacionada para a empresa informada."),
        QStringLiteral("Municipal_Relac|Inscrição municipal não relacionada para a empresa informada."),
        QStringLiteral("Serie_Relac|Série não relacionada para a empresa informada."),
        QStringLiteral("DtEmis_Inf|Data de emissão deve ser informada na tela 'Alterar Data de Emissão'."),
        QStringLiteral("NrExp_Inf|Nº expedição deve ser informado."),
        QStringLiteral("DtSaid_Inv|Data de saída não pode ser menor que a data de emissão"),
        QStringLiteral("Insc_Inf|Inscrição Estadual deve ser Informada."),
        QStringLiteral("Insc_Muni|Inscrição Municipal deve ser Informada."),
        QStringLiteral("Inf_Serie|Série deve ser Informada."),
        QStringLiteral("DtIni_Inf|Data de Saída Inicial deve ser Informada."),
        QStringLiteral("DtFim_Inf|Data de Saída Final deve ser Informada."),
        QStringLiteral("1|Produção"),
        QStringLiteral("2|Homologação"),
        QStringLiteral("Filial_Cad|Filial não cadastrada."),
        QStringLiteral("Clie_Cad|Cliente não cadastrado."),
        QStringLiteral("DtIni_maior|Data de saída inicial deve ser menor ou igual a data de saída final."),
        QStringLiteral("DtInf|Data de saída %s deve ser informada."),
        QStringLiteral("Inicial|inicial"),
        QStringLiteral("Final|final"),
        QStringLiteral("Busca_NR|Verificando número da nota fiscal no servidor..."),
        QStringLiteral("TipoOper|Tipo de Operação"),
        QStringLiteral("Tipo_infor|Tipo Operação deve ser informado."),
        QStringLiteral("SerieNF_Cad|Série não cadastrada."),
        QStringLiteral("SITU_RPS|Situação do RPS deve ser informada."),
    };
}

// The tab orders of the layout, one chain through the whole dialog: the upper rows, then the groups below.
void TfrmFiltroEmissaoRPS::chainTabOrder() {
    const QList<QWidget*> chain = {medCdFilial,      edtCdInscEsta,    edtCdInscMuni, edtCdSerie,
                                   medCliente,       depSaidIni,       depSaidFim,    cbbIdOperacao,
                                   rdgTodosTipoOper, rdgListaTipoOper, chbNaoEmitido, chbEmitido,
                                   chbSubstituido};
    for (qsizetype i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

QString TfrmFiltroEmissaoRPS::companyCode() const {
    return Cli_kpv41000::frmEmissaoRPS->medCdEmpresa->Text();
}

void TfrmFiltroEmissaoRPS::reopenEmprCntrFil() {
    qryEmprCntrFil->Close();
    qryEmprCntrFil->ParamByName(QStringLiteral("P_CDEMPRESA"))->SetAsString(companyCode());
    qryEmprCntrFil->Open();
}

void TfrmFiltroEmissaoRPS::FormCreate(QObject* Sender) {
    // As with any creation handler, a failure ends the handler but not the screen: the dialog is still
    // made and shown, with whatever the steps before the failure set.
    kpv::Dispatch([this, Sender] {
        TfrmRotiGeral::FormCreate(Sender);
        Atualiza_Datas();
        boConfirma = false;

        if (kpv::ModuFili()) {
            medCdFilial->SetText(kpv::FiliProc());
            qryFilial->Close();
            qryFilial->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(kpv::FiliProc());
            qryFilial->ParamByName(QStringLiteral("P_TODOS"))->SetAsString(QString());
            qryFilial->Open();
            edtFiliEmit->SetText(qryFilial->FieldByName(QStringLiteral("NMFILIAL"))->AsString());
        } else {
            medCdFilial->SetText(BillsPerBillingBranch(kpv::ModuloAtiv()) ? kpv::FiliProcFat()
                                                                          : kpv::FiliProc());
        }
        reopenEmprCntrFil();
        Vd_FiliEmit();

        if (offerBranchDefaults()) Repaint();

        recFiltro.nrIdOperacao = 0;
        recFiltro.dtSaidIni = depSaidIni->GetDate();
        recFiltro.dtSaidFim = depSaidFim->GetDate();
        recFiltro.boTodosTipoOper = true;
        recFiltro.stCdFilial = medCdFilial->Text();
        recFiltro.stNmFilial = edtFiliEmit->Text();
        recFiltro.stCdInscEsta = edtCdInscEsta->Text();
        recFiltro.stCdInscMuni = edtCdInscMuni->Text();
        recFiltro.stCdSerie = edtCdSerie->Text();

        cbbIdOperacao->SetItemIndex(0);
    });
}

// The exit dates always follow the user's own branch, even where the filter starts on the billing branch.
void TfrmFiltroEmissaoRPS::Atualiza_Datas() {
    const QDate processamento = kpv::DataProc(kpv::FiliProc());
    depSaidIni->SetDate(kpv::PriDiaMes(processamento));
    depSaidFim->SetDate(processamento);
}

void TfrmFiltroEmissaoRPS::FormShow(QObject*) {
    restoreFilter();
}

void TfrmFiltroEmissaoRPS::FormActivate(QObject*) {
    Repaint();
    restoreFilter();
}

// Each value is written after the ones it depends on: writing a field runs its change handler, which
// empties the fields that depend on it.
void TfrmFiltroEmissaoRPS::restoreFilter() {
    // Before anything that can fail: a confirmation of an earlier show must not answer for this one.
    confirmed_ = false;
    const bool branchFree = !kpv::ModuFili();
    lblFilial->setEnabled(branchFree);
    medCdFilial->SetEnabled(branchFree);
    btpFiliEmit->SetEnabled(branchFree);

    reopenEmprCntrFil();
    boConfirma = false;

    cbbIdOperacao->SetItemIndex(recFiltro.nrIdOperacao);
    // The field may still carry the mask of a client of the other kind, checked since and then cancelled;
    // that mask would cut or pad the remembered number.
    medClienteEnter(medCliente);
    medCliente->SetText(recFiltro.stCliente);
    edtNmCliente->SetText(recFiltro.stNmCliente);
    depSaidIni->SetDate(recFiltro.dtSaidIni);
    depSaidFim->SetDate(recFiltro.dtSaidFim);
    rdgTodosTipoOper->SetChecked(recFiltro.boTodosTipoOper);
    rdgListaTipoOper->SetChecked(!recFiltro.boTodosTipoOper);
    btpTipoOper->SetEnabled(!recFiltro.boTodosTipoOper);
    cbbIdOperacao->SetItemIndex(recFiltro.nrIdOperacao);
    chbNaoEmitido->SetChecked(!recFiltro.boSemNaoEmitido);
    chbEmitido->SetChecked(!recFiltro.boSemEmitido);
    chbSubstituido->SetChecked(!recFiltro.boSemSubstituido);
    medCdFilial->SetText(recFiltro.stCdFilial);
    edtFiliEmit->SetText(recFiltro.stNmFilial);
    edtCdInscEsta->SetText(recFiltro.stCdInscEsta);
    edtCdInscMuni->SetText(recFiltro.stCdInscMuni);
    edtCdSerie->SetText(recFiltro.stCdSerie);
    if (!EmptyString(recFiltro.stListaTipoOper))
        Cli_kpv41000::frmEmissaoRPS->ListaTipoOper = recFiltro.stListaTipoOper;
}

void TfrmFiltroEmissaoRPS::sbtCancelClick(QObject* Sender) {
    TfrmRotiGeral::sbtCancelClick(Sender);
    boConfirma = false;
}

// The screen outlives its shows: it keeps its controls and the remembered filter for the next one.
void TfrmFiltroEmissaoRPS::FormClose(QObject*, TCloseAction& Action) {
    Action = TCloseAction::caHide;
}

TRecordFilter TfrmFiltroEmissaoRPS::FilterOnScreen() const {
    TRecordFilter filter;
    filter.nrIdOperacao = cbbIdOperacao->ItemIndex();
    filter.stCliente = medCliente->Text();
    filter.stNmCliente = edtNmCliente->Text();
    filter.stCdFilial = medCdFilial->Text();
    filter.stNmFilial = edtFiliEmit->Text();
    filter.stCdInscEsta = edtCdInscEsta->Text();
    filter.stCdInscMuni = edtCdInscMuni->Text();
    filter.stCdSerie = edtCdSerie->Text();
    filter.boSemNaoEmitido = !chbNaoEmitido->Checked();
    filter.boSemEmitido = !chbEmitido->Checked();
    filter.boSemSubstituido = !chbSubstituido->Checked();
    filter.dtSaidIni = depSaidIni->GetDate();
    filter.dtSaidFim = depSaidFim->GetDate();
    filter.stListaTipoOper = Cli_kpv41000::frmEmissaoRPS->ListaTipoOper;
    filter.boTodosTipoOper = rdgTodosTipoOper->Checked();
    return filter;
}

}  // namespace Cli_kpv41100
