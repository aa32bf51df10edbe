// Branch selection: the branch code, its lookup and check against the branch table and the company's
// relations, and the registration and series defaults the branch offers.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "filter/statements.h"
#include "framework/core/context.h"
#include "framework/core/routines.h"
#include "framework/data/data_source.h"
#include "framework/data/query.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"
#include "protocol/codes.h"

namespace Cli_kpv41100 {

using kpv::EmptyString;
using kpv::MensErro;
using kpv::data::TFieldType;

void TfrmFiltroEmissaoRPS::createBranchRow() {
    medCdFilial = new TMaskEdit(grbDadosRel, QStringLiteral("medCdFilial"), QStringLiteral(">aaaa;0; "));
    medCdFilial->SetMaxLength(4);
    Place(medCdFilial, 127, 13, 50, 21);
    lblFilial = layout::Caption(grbDadosRel, QStringLiteral("lblFilial"),
                                QStringLiteral("Filial Centralizadora"), medCdFilial, 6, 16, 116);

    qryFilial = new TADOIBQuery(this, QStringLiteral("qryFilial"));
    statements::qryFilial.AssignTo(*qryFilial);
    qryFilial->AddField(QStringLiteral("CDFILIAL"), TFieldType::ftString, 4, QStringLiteral("Código"), true,
                        true);
    qryFilial->AddField(QStringLiteral("NMFILIAL"), TFieldType::ftString, 30, QStringLiteral("Nome"), true,
                        false);
    qryFilial->AddField(QStringLiteral("CDINSCESTA"), TFieldType::ftString, 16, QString(), false, false);
    qryFilial->AddField(QStringLiteral("CDINSCMUNI"), TFieldType::ftString, 16, QString(), false, false);
    qryFilial->AddField(QStringLiteral("CDSERIE"), TFieldType::ftString, 5, QString(), false, false);
    dtsFilial = new TDataSource(this, QStringLiteral("dtsFilial"));
    dtsFilial->SetDataSet(qryFilial->Query());

    // Every branch, registration and series the company works with; searched, never shown.
    qryEmprCntrFil = new TADOIBQuery(this, QStringLiteral("qryEmprCntrFil"));
    statements::qryEmprCntrFil.AssignTo(*qryEmprCntrFil);
    qryEmprCntrFil->AddField(QStringLiteral("CDFILIAL"), TFieldType::ftString, 4, QString(), true, false);
    qryEmprCntrFil->AddField(QStringLiteral("CDINSCESTA"), TFieldType::ftString, 16, QString(), true, false);
    qryEmprCntrFil->AddField(QStringLiteral("CDINSCMUNI"), TFieldType::ftString, 16, QString(), true, false);
    qryEmprCntrFil->AddField(QStringLiteral("CDSERIE"), TFieldType::ftString, 5, QString(), true, false);

    btpFiliEmit = layout::LookupButton(grbDadosRel, QStringLiteral("btpFiliEmit"), medCdFilial,
                                       QStringLiteral("Filial"), dtsFilial,
                                       QStringLiteral("Não há filial cadastrada."), 183, 13);
    edtFiliEmit = layout::NameEdit(grbDadosRel, QStringLiteral("edtFiliEmit"), 209, 13, 351);

    medCdFilial->OnChange = [this](QObject* s) { medCdFilialChange(s); };
    medCdFilial->OnExit = [this](QObject* s) { medCdFilialExit(s); };
    btpFiliEmit->OnBeforePesq = [this](QObject* s, bool& flag) { btpFiliEmitBeforePesq(s, flag); };
    btpFiliEmit->OnAfterPesq = [this](QObject* s) { btpFiliEmitAfterPesq(s); };
}

void TfrmFiltroEmissaoRPS::Vd_FiliEmit() {
    if (EmptyString(medCdFilial->Text())) {
        edtFiliEmit->Clear();
        return;
    }
    medCdFilial->SetText(kpv::Ajusta(medCdFilial->Text(), 4));
    qryFilial->Close();
    qryFilial->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(medCdFilial->Text());
    qryFilial->ParamByName(QStringLiteral("P_TODOS"))->SetAsString(QString());
    qryFilial->Open();
    if (qryFilial->IsEmpty()) {
        medCdFilial->SetFocus();
        MensErro(msgPadrao->Msg(QStringLiteral("Filial_Cad")), true);
    }
    edtFiliEmit->SetText(qryFilial->FieldByName(QStringLiteral("NMFILIAL"))->AsString());

    // While the screen is being created it is not the active window, and a missing relation goes unsaid.
    if (!qryEmprCntrFil->Locate(QStringLiteral("CDFILIAL"), medCdFilial->Text()) && isActiveWindow()) {
        // In per-branch mode the branch field is disabled; the next row takes the focus.
        if (kpv::ModuFili())
            edtCdInscEsta->SetFocus();
        else
            medCdFilial->SetFocus();
        MensErro(msgPadrao->Msg(QStringLiteral("Filial_Relac")), true);
    }
}

void TfrmFiltroEmissaoRPS::medCdFilialChange(QObject*) {
    edtFiliEmit->Clear();
    edtCdInscEsta->Clear();
    edtCdInscMuni->Clear();
}

void TfrmFiltroEmissaoRPS::medCdFilialExit(QObject*) {
    Vd_FiliEmit();
    if (EmptyString(medCdFilial->Text())) return;
    if (offerBranchDefaults()) {
        Cli_kpv41000::frmEmissaoRPS->Repaint();
        Vd_Serie(false);
    }
}

// Each default goes only into a field that is empty when its turn comes; filling the state registration
// empties the two after it, so they take the branch's values too. True when the series was filled.
bool TfrmFiltroEmissaoRPS::offerBranchDefaults() {
    if (EmptyString(edtCdInscEsta->Text()))
        edtCdInscEsta->SetText(qryFilial->FieldByName(QStringLiteral("CDINSCESTA"))->AsString());
    if (EmptyString(edtCdInscMuni->Text()))
        edtCdInscMuni->SetText(qryFilial->FieldByName(QStringLiteral("CDINSCMUNI"))->AsString());
    if (!EmptyString(edtCdSerie->Text())) return false;
    edtCdSerie->SetText(qryFilial->FieldByName(QStringLiteral("CDSERIE"))->AsString());
    return true;
}

void TfrmFiltroEmissaoRPS::btpFiliEmitBeforePesq(QObject*, bool&) {
    qryFilial->Close();
    qryFilial->ParamByName(QStringLiteral("P_CDFILIAL"))->SetAsString(QString());
    qryFilial->ParamByName(QStringLiteral("P_TODOS"))->SetAsString(kpv::protocol::kAll);
    qryFilial->Open();
}

// The code first: its change handler empties the name, which is written after it.
void TfrmFiltroEmissaoRPS::btpFiliEmitAfterPesq(QObject*) {
    medCdFilial->SetText(qryFilial->FieldByName(QStringLiteral("CDFILIAL"))->AsString());
    edtFiliEmit->SetText(qryFilial->FieldByName(QStringLiteral("NMFILIAL"))->AsString());
}

}  // namespace Cli_kpv41100
