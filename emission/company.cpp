// The company strip: the company whose invoices the screen shows, validated and looked up, and the
// focus rules that tie it to the filter screen.
#include "emission/cli_kpv41000.h"
#include "emission/statements.h"
#include "filter/cli_kpv41100.h"
#include "framework/core/errors.h"
#include "framework/core/routines.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_grid.h"
#include "framework/data/query.h"
#include "framework/ui/control.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"
#include "protocol/codes.h"

namespace Cli_kpv41000 {

using kpv::EmptyString;
using kpv::MensErro;

void TfrmEmissaoRPS::createCompanyStrip() {
    panFiltro = new TPanel(grbDadosRel, QStringLiteral("panFiltro"));
    panFiltro->resize(0, 30);
    SetAlign(panFiltro, TAlign::alTop);
    panFiltro->OnEnter = [this](QObject* s) { panFiltroEnter(s); };
    panFiltro->OnExit = [this](QObject* s) { panFiltroExit(s); };

    lblEmpresa = new TLabel(panFiltro, QStringLiteral("lblEmpresa"), QStringLiteral("Empresa"));
    lblEmpresa->SetBold(true);
    Place(lblEmpresa, 8, 8, 62);
    medCdEmpresa = new TMaskEdit(panFiltro, QStringLiteral("medCdEmpresa"), QStringLiteral("99;0; "));
    medCdEmpresa->SetMaxLength(2);
    medCdEmpresa->SetColor(clInfoBk);
    Place(medCdEmpresa, 72, 4, 30, 21);
    medCdEmpresa->OnChange = [this](QObject* s) { medCdEmpresaChange(s); };
    medCdEmpresa->OnExit = [this](QObject* s) { medCdEmpresaExit(s); };
    btpEmpresa = new TBtnPesquisa(panFiltro, QStringLiteral("btpEmpresa"));
    btpEmpresa->move(105, 4);
    btpEmpresa->setToolTip(QStringLiteral("Pesquisar"));
    edtNmEmpresa = new TEdit(panFiltro, QStringLiteral("edtNmEmpresa"));
    edtNmEmpresa->SetEnabled(false);
    edtNmEmpresa->SetTabStop(false);
    edtNmEmpresa->SetColor(clBtnFace);
    Place(edtNmEmpresa, 129, 4, 450, 21);

    qryEmpresa = new TADOIBQuery(this, QStringLiteral("qryEmpresa"));
    statements::qryEmpresa.AssignTo(*qryEmpresa);
    qryEmpresa->AddField(QStringLiteral("CDEMPRESA"), kpv::data::TFieldType::ftString, 2,
                         QStringLiteral("Código"), true, true);
    qryEmpresa
        ->AddField(QStringLiteral("NMRAZSOCEMPR"), kpv::data::TFieldType::ftString, 80,
                   QStringLiteral("Razão Social"), true, false)
        ->DisplayWidth = 50;
    qryEmpresa->AddField(QStringLiteral("CDCENTCUST"), kpv::data::TFieldType::ftString, 4, QString(), false,
                         false);
    dtsEmpresa = new TDataSource(this, QStringLiteral("dtsEmpresa"));
    dtsEmpresa->SetDataSet(qryEmpresa->Query());

    btpEmpresa->Associate = medCdEmpresa;
    btpEmpresa->Title = QStringLiteral("Empresa");
    btpEmpresa->DataSource = dtsEmpresa;
    btpEmpresa->EmptyError = QStringLiteral("Não há empresa cadastrada.");
    btpEmpresa->OnBeforePesq = [this](QObject* s, bool& flag) { btpEmpresaBeforePesq(s, flag); };
    btpEmpresa->OnAfterPesq = [this](QObject* s) { btpEmpresaAfterPesq(s); };
}

void TfrmEmissaoRPS::Vd_Empresa(bool boObrigatorio) {
    const TFocusOnFailure focus(medCdEmpresa);
    if (EmptyString(medCdEmpresa->Text())) {
        if (boObrigatorio) MensErro(msgPadrao->Msg(QStringLiteral("EMPR_INF")), true);
        return;
    }
    medCdEmpresa->SetText(kpv::Ajusta(medCdEmpresa->Text(), 2));
    qryEmpresa->Close();
    qryEmpresa->ParamByName(QStringLiteral("P_CDEMPRESA"))->SetAsString(medCdEmpresa->Text());
    qryEmpresa->ParamByName(QStringLiteral("P_TCDEMPRESA"))->SetAsString(QString());
    qryEmpresa->Open();
    if (qryEmpresa->IsEmpty()) MensErro(msgPadrao->Msg(QStringLiteral("EMPR_N_CAD")), true);
    edtNmEmpresa->SetText(qryEmpresa->FieldByName(QStringLiteral("NMRAZSOCEMPR"))->AsString());
}

void TfrmEmissaoRPS::medCdEmpresaChange(QObject*) {
    edtNmEmpresa->Clear();
    if (Cli_kpv41100::frmFiltroEmissaoRPS) {
        Cli_kpv41100::frmFiltroEmissaoRPS->edtCdInscEsta->Clear();
        Cli_kpv41100::frmFiltroEmissaoRPS->edtCdSerie->Clear();
    }
}

void TfrmEmissaoRPS::medCdEmpresaExit(QObject*) {
    Vd_Empresa(false);
}

void TfrmEmissaoRPS::panFiltroEnter(QObject*) {
    cdsNotaFiscal->Close();
}

void TfrmEmissaoRPS::panFiltroExit(QObject*) {
    Vd_Empresa(true);
    if (Cli_kpv41100::CriaFiltroEmissaoRPS()) {
        SetFocus(dbgPadrao);
    } else {
        medCdEmpresa->SetFocus();
        kpv::Abort();
    }
}

void TfrmEmissaoRPS::btpEmpresaBeforePesq(QObject*, bool&) {
    qryEmpresa->Close();
    qryEmpresa->ParamByName(QStringLiteral("P_CDEMPRESA"))->SetAsString(QString());
    qryEmpresa->ParamByName(QStringLiteral("P_TCDEMPRESA"))->SetAsString(kpv::protocol::kAll);
    qryEmpresa->Open();
}

void TfrmEmissaoRPS::btpEmpresaAfterPesq(QObject*) {
    medCdEmpresa->SetText(qryEmpresa->FieldByName(QStringLiteral("CDEMPRESA"))->AsString());
    edtNmEmpresa->SetText(qryEmpresa->FieldByName(QStringLiteral("NMRAZSOCEMPR"))->AsString());
}

}  // namespace Cli_kpv41000
