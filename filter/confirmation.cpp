// Confirmation: the exit dates, the RPS situations, and the confirmation that checks the whole filter,
// has the emission screen fetch its invoices and only then remembers the filter.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "framework/core/routines.h"
#include "framework/ui/date_edit.h"
#include "framework/ui/mask_edit.h"
#include "protocol/codes.h"

#include <QColor>

namespace Cli_kpv41100 {

using kpv::EmptyString;
using kpv::MensErro;
using layout::kPlaces;

namespace {

TDateEditPlus* ExitDateEdit(QWidget* parent, const QString& name, const TBounds& place) {
    auto* edit = new TDateEditPlus(parent, name);
    edit->SetColor(clInfoBk);
    edit->SetValidDateColor(QColor(Qt::blue));
    edit->SetSaveTime(false);
    Place(edit, place);
    return edit;
}

}  // namespace

void TfrmFiltroEmissaoRPS::createDateGroup() {
    grbDtSaida = new TGroupBox(grbDadosRel, QStringLiteral("grbDtSaida"), QStringLiteral(" Data de Saída "));
    Place(grbDtSaida, kPlaces.datesGroup);
    lblInicial = new TLabel(grbDtSaida, QStringLiteral("lblInicial"), QStringLiteral("Inicial"));
    Place(lblInicial, kPlaces.initialCaption);
    lblFinal = new TLabel(grbDtSaida, QStringLiteral("lblFinal"), QStringLiteral("Final"));
    Place(lblFinal, kPlaces.finalCaption);
    depSaidIni = ExitDateEdit(grbDtSaida, QStringLiteral("depSaidIni"), kPlaces.initialDate);
    depSaidFim = ExitDateEdit(grbDtSaida, QStringLiteral("depSaidFim"), kPlaces.finalDate);
    layout::BoldCaption(grbDtSaida);

    depSaidIni->OnExit = [this](QObject* s) { depSaidIniExit(s); };
    depSaidFim->OnExit = [this](QObject* s) { depSaidFimExit(s); };
}

void TfrmFiltroEmissaoRPS::createSituationGroup() {
    grbSituacao =
        new TGroupBox(grbDadosRel, QStringLiteral("grbSituacao"), QStringLiteral("Situação do RPS"));
    Place(grbSituacao, kPlaces.situationGroup);
    auto box = [this](const QString& name, const QString& caption, const TBounds& place) {
        auto* check = new TCheckBox(grbSituacao, name, caption);
        check->setChecked(true);
        Place(check, place);
        return check;
    };
    chbNaoEmitido = box(QStringLiteral("chbNaoEmitido"), QStringLiteral("Não Emitido"), kPlaces.notIssued);
    chbEmitido = box(QStringLiteral("chbEmitido"), QStringLiteral("Emitido"), kPlaces.issued);
    chbSubstituido =
        box(QStringLiteral("chbSubstituido"), QStringLiteral("Substituído por NFS-e"), kPlaces.substituted);
    layout::BoldCaption(grbSituacao);
}

// The checks first, in their order; the filter is remembered only once its invoices are on the emission
// screen. A stop keeps what the steps before it did: boConfirma set, and past the operation types also the
// emission screen re-enabled and the situations rebuilt.
void TfrmFiltroEmissaoRPS::sbtConfirmaClick(QObject*) {
    boConfirma = true;
    Vd_FiliEmit();
    Vd_CdInscEsta(true);
    Vd_CdInscMuni(true);
    Vd_Serie(true);
    Vd_Cliente();
    Vd_Datas(depSaidIni, depSaidFim);
    Cli_kpv41000::TfrmEmissaoRPS* emissao = Cli_kpv41000::frmEmissaoRPS;
    if (rdgListaTipoOper->Checked()) {
        rdgListaTipoOper->SetFocus();
        if (EmptyString(emissao->ListaTipoOper)) MensErro(msgPadrao->Msg(QStringLiteral("Tipo_infor")), true);
    }

    reenableEmissionScreen();
    // Operation types, client and direction come from the one mapping the refresh uses as well.
    const TRecordFilter onScreen = FilterOnScreen();
    rebuildSituacaoRPS();
    if (EmptyString(emissao->SituacaoRPS)) {
        chbNaoEmitido->SetFocus();
        MensErro(msgPadrao->Msg(QStringLiteral("SITU_RPS")), true);
    }

    const TNotaFiscalArgs a =
        NotaFiscalArgs(onScreen, emissao->medCdEmpresa->Text(), emissao->ListaTipoOper, emissao->SituacaoRPS);
    emissao->GetNotaFiscal(a.stCdFilial, a.stTipoOper, a.stCdEmpresa, a.stCdInscEsta, a.stCdInscMuni,
                           a.stCdSerie, a.stCliente, a.dtSaidIni, a.dtSaidFim, a.stIdOperacao,
                           a.stSituacaoRPS);

    recFiltro = FilterOnScreen();
    confirmed_ = true;
    Close();
}

// The list on the emission screen must be usable once it is filled, whatever disabled it meanwhile.
void TfrmFiltroEmissaoRPS::reenableEmissionScreen() {
    Cli_kpv41000::TfrmEmissaoRPS* emissao = Cli_kpv41000::frmEmissaoRPS;
    emissao->Repaint();
    SetChildEnabled(emissao->grbDadosRel, true);
    emissao->pgcPadrao->setEnabled(true);
    SetChildEnabled(emissao->panFiltro, true);
}

// Not emitted, emitted, substituted: always in that order.
void TfrmFiltroEmissaoRPS::rebuildSituacaoRPS() {
    Cli_kpv41000::frmEmissaoRPS->SituacaoRPS = kpv::protocol::SituationList(
        chbNaoEmitido->Checked(), chbEmitido->Checked(), chbSubstituido->Checked());
}

// Both dates are required here, unlike on leaving them; the range is reported on the initial date.
void TfrmFiltroEmissaoRPS::Vd_Datas(TDateEditPlus* depInicial, TDateEditPlus* depFinal) {
    if (EmptyString(depInicial->Text())) {
        depInicial->SetFocus();
        MensErro(msgPadrao->Msg(QStringLiteral("DtIni_Inf")), true);
    }
    depInicial->CheckValidDate();
    if (EmptyString(depFinal->Text())) {
        depFinal->SetFocus();
        MensErro(msgPadrao->Msg(QStringLiteral("DtFim_Inf")), true);
    }
    depFinal->CheckValidDate();
    if (!(depFinal->GetDate() >= depInicial->GetDate())) {
        depInicial->SetFocus();
        MensErro(msgPadrao->Msg(QStringLiteral("DtIni_maior")), true);
    }
}

void TfrmFiltroEmissaoRPS::depSaidIniExit(QObject*) {
    depSaidIni->CheckValidDate();
}

void TfrmFiltroEmissaoRPS::depSaidFimExit(QObject*) {
    depSaidFim->CheckValidDate();
}

}  // namespace Cli_kpv41100
