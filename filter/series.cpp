// Series selection: a series recorded for the company and both registrations on screen, read with the
// statement of the database in use.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "filter/statements.h"
#include "framework/core/routines.h"
#include "framework/data/data_source.h"
#include "framework/data/query.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"

namespace Cli_kpv41100 {

using kpv::EmptyString;
using kpv::MensErro;
using kpv::data::TFieldType;

void TfrmFiltroEmissaoRPS::createSeriesRow() {
    edtCdSerie = layout::CodeEdit(grbDadosRel, QStringLiteral("edtCdSerie"), 5, 127, 69, 55);
    lblSerie =
        layout::Caption(grbDadosRel, QStringLiteral("lblSerie"), QStringLiteral("Série"), nullptr, 6, 72, 37);

    qrySerieNF = new TADOIBQuery(this, QStringLiteral("qrySerieNF"));
    statements::qrySerieNF.AssignTo(*qrySerieNF);
    qrySerieNF->AddField(QStringLiteral("CDSERIE"), TFieldType::ftString, 5, QStringLiteral("Código"), true,
                         true);
    qrySerieNF->AddField(QStringLiteral("DSSERIE"), TFieldType::ftString, 20, QStringLiteral("Descrição"),
                         true, false);
    qrySerieNF->AddField(QStringLiteral("CDEMPRESA"), TFieldType::ftString, 2, QString(), false, true);
    qrySerieNF->AddField(QStringLiteral("CDINSCESTA"), TFieldType::ftString, 16, QString(), false, true);
    qrySerieNF->AddField(QStringLiteral("CDRELMODENF"), TFieldType::ftString, 100, QString(), false, false);
    qrySerieNF->AddField(QStringLiteral("CDRELESPENF"), TFieldType::ftString, 100, QString(), false, false);
    qrySerieNF->AddField(QStringLiteral("IDCONSDTEMIS"), TFieldType::ftString, 1, QString(), false, false);
    qrySerieNF->AddField(QStringLiteral("IDUTCTRLFORM"), TFieldType::ftString, 1, QString(), false, false);
    qrySerieNF->AddField(QStringLiteral("DTEMISCTNUNF"), TFieldType::ftDateTime, 0, QString(), false, false);
    qrySerieNF->AddField(QStringLiteral("CDCTRLNUMENF"), TFieldType::ftString, 10, QString(), false, false);
    qrySerieNF->AddField(QStringLiteral("IDUTLOCAEMIS"), TFieldType::ftString, 1, QString(), false, false);
    qrySerieNF->AddField(QStringLiteral("IDUTFILILCEM"), TFieldType::ftString, 1, QString(), false, false);
    qrySerieNF->AddField(QStringLiteral("IDUTDTPREMIS"), TFieldType::ftString, 1, QString(), false, false);
    qrySerieNF->BeforeOpen = [this](auto* dataSet) { qrySerieNFBeforeOpen(dataSet); };
    dtsSerieNF = new TDataSource(this, QStringLiteral("dtsSerieNF"));
    dtsSerieNF->SetDataSet(qrySerieNF->Query());

    btpSerieNF = layout::LookupButton(
        grbDadosRel, QStringLiteral("btpSerieNF"), edtCdSerie, QStringLiteral("Série de Documentos de Saída"),
        dtsSerieNF, QStringLiteral("Não há série cadastrada para a inscrição estadual informada."), 188, 69);

    edtCdSerie->OnExit = [this](QObject* s) { edtCdSerieExit(s); };
    btpSerieNF->OnBeforePesq = [this](QObject* s, bool& flag) { btpSerieNFBeforePesq(s, flag); };
    btpSerieNF->OnAfterPesq = [this](QObject* s) { btpSerieNFAfterPesq(s); };
}

// A failed series check withdraws a confirmation in progress.
void TfrmFiltroEmissaoRPS::Vd_Serie(bool boObrigatorio) {
    try {
        if (!EmptyString(edtCdSerie->Text())) {
            qrySerieNF->Close();
            qrySerieNF->ParamByName(QStringLiteral("P_CDINSCESTA"))->SetAsString(edtCdInscEsta->Text());
            qrySerieNF->ParamByName(QStringLiteral("P_CDINSCMUNI"))->SetAsString(edtCdInscMuni->Text());
            qrySerieNF->ParamByName(QStringLiteral("P_CDSERIE"))->SetAsString(edtCdSerie->Text());
            qrySerieNF->Open();
            if (qrySerieNF->IsEmpty()) {
                edtCdSerie->SetFocus();
                MensErro(msgPadrao->Msg(QStringLiteral("SerieNF_Cad")), true);
            }
        } else if (boObrigatorio) {
            edtCdSerie->SetFocus();
            MensErro(msgPadrao->Msg(QStringLiteral("Inf_Serie")), true);
        }
    } catch (...) {
        boConfirma = false;
        throw;
    }
}

void TfrmFiltroEmissaoRPS::edtCdSerieExit(QObject*) {
    const kpv::TShowAvi avi(this, kpv::akLookup, msgPadrao->Msg(QStringLiteral("Busca_NR")));
    Vd_Serie(false);
}

void TfrmFiltroEmissaoRPS::btpSerieNFBeforePesq(QObject*, bool&) {
    qrySerieNF->Close();
    qrySerieNF->ParamByName(QStringLiteral("P_CDINSCESTA"))->SetAsString(edtCdInscEsta->Text());
    qrySerieNF->ParamByName(QStringLiteral("P_CDINSCMUNI"))->SetAsString(edtCdInscMuni->Text());
    qrySerieNF->ParamByName(QStringLiteral("P_CDSERIE"))->Clear();
    qrySerieNF->Open();
}

// Picking runs no check; the series is checked when its field is left or the filter confirmed.
void TfrmFiltroEmissaoRPS::btpSerieNFAfterPesq(QObject*) {
    edtCdSerie->SetText(qrySerieNF->FieldByName(QStringLiteral("CDSERIE"))->AsString());
}

void TfrmFiltroEmissaoRPS::qrySerieNFBeforeOpen(QObject*) {
    qrySerieNF->ParamByName(QStringLiteral("P_CDEMPRESA"))->SetAsString(companyCode());
}

}  // namespace Cli_kpv41100
