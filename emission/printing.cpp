// RPS generation and printing: every ticked invoice, in list order, has its RPS generated on the server
// and then printed by the base screen, which asks this screen for the invoice's report parameters.
#include "emission/cli_kpv41000.h"
#include "framework/core/routines.h"
#include "framework/data/client_data_set.h"
#include "framework/data/controls_disabled.h"
#include "framework/data/db_grid.h"
#include "framework/data/field.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "framework/ui/busy_animation.h"

namespace Cli_kpv41000 {

namespace {

const QString kTicked = QStringLiteral("S");

}  // namespace

void TfrmEmissaoRPS::sbtPrintClick(QObject* Sender) {
    bool anyTicked = false;
    if (cdsNotaFiscal->Active()) {
        const kpv::data::TControlsDisabled frozen(cdsNotaFiscal);
        for (cdsNotaFiscal->First(); !cdsNotaFiscal->Eof(); cdsNotaFiscal->Next()) {
            if (cdsNotaFiscalIDCHECK->AsString() != kTicked) continue;
            anyTicked = true;
            const kpv::TShowAvi avi(this, 6, msgPadrao->Msg(QStringLiteral("GERANDO_RPS")));
            const QVariant result = netEmissaoRPS->AppServer().Call(
                QStringLiteral("PreparaImpressao"),
                {cdsNotaFiscalCDFILIAL->AsString(), cdsNotaFiscalNRLANCTONF->AsString()});
            const QVariantList status = kpv::CheckResultServ(result, true, 0).toList();
            if (status.value(0).toString() == kTicked)
                TfrmDadosGerRel::sbtPrintClick(Sender);
            else
                kpv::MensErro(status.value(1).toString(), true);
        }
    }
    if (anyTicked) {
        sbtVerificarClick(sbtVerificar);
        return;
    }
    dbgPadrao->setFocus();
    kpv::MensErro(msgPadrao->Msg(QStringLiteral("NF_N_SELEC")), true);
}

void TfrmEmissaoRPS::rpddPadraoBeforeGetQueryParams(kpv::report::TReportParams& params, bool&) {
    if (kpv::report::ExistParam(params, QStringLiteral("P_CDFILIAL")))
        params.ParamByName(QStringLiteral("P_CDFILIAL")).SetAsString(cdsNotaFiscalCDFILIAL->AsString());
    if (kpv::report::ExistParam(params, QStringLiteral("P_NRLANCTONF")))
        params.ParamByName(QStringLiteral("P_NRLANCTONF")).SetAsString(cdsNotaFiscalNRLANCTONF->AsString());
}

}  // namespace Cli_kpv41000
