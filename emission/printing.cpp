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
#include "framework/report/report_query.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/print_batch.h"

namespace Cli_kpv41000 {

namespace {

const QString kTicked = QStringLiteral("S");
const QString kServerSuccess = QStringLiteral("S");

int TickedCount(const kpv::data::TClientDataSet* list, const kpv::data::TField* idCheck) {
    int ticked = 0;
    for (int recNo = 0; recNo < list->RecordCount(); ++recNo) {
        const kpv::data::TClientDataSet::PaintRecord row(list, recNo);
        if (idCheck->AsString() == kTicked) ++ticked;
    }
    return ticked;
}

// With several invoices the busy text also tells which of them is being processed: "... 2 de 5".
QString ProgressText(const QString& text, int current, int total) {
    if (total < 2) return text;
    return text + QStringLiteral(" %1 de %2").arg(current).arg(total);
}

}  // namespace

void TfrmEmissaoRPS::sbtPrintClick(QObject* Sender) {
    const int ticked = cdsNotaFiscal->Active() ? TickedCount(cdsNotaFiscal, cdsNotaFiscalIDCHECK) : 0;
    if (ticked == 0) {
        if (cdsNotaFiscal->Active()) cdsNotaFiscal->Last();  // where the walk would have left the list
        SetFocus(dbgPadrao);
        kpv::MensErro(msgPadrao->Msg(QStringLiteral("NF_N_SELEC")), true);
    }
    // No RPS number is spent on an invoice whose receipt could not be printed: without a report, or with
    // one whose layout names a field its query does not return.
    CheckReportChosen();
    kpv::report::CheckReportQuery(Reports()[cbbReportNames->currentIndex()]);
    {  // the list's controls are unfrozen again before the refresh, and on every way out; the PDFs written
       // on a machine without a printer are told once, after the walk
        const kpv::ui::TPrintBatch batch(*this);
        const kpv::data::TControlsDisabled frozen(cdsNotaFiscal);
        int current = 0;
        for (cdsNotaFiscal->First(); !cdsNotaFiscal->Eof(); cdsNotaFiscal->Next()) {
            if (cdsNotaFiscalIDCHECK->AsString() != kTicked) continue;
            ++current;
            const kpv::TShowAvi avi(
                this, 6, ProgressText(msgPadrao->Msg(QStringLiteral("GERANDO_RPS")), current, ticked));
            const QVariant result = netEmissaoRPS->AppServer().Call(
                QStringLiteral("PreparaImpressao"),
                {cdsNotaFiscalCDFILIAL->AsString(), cdsNotaFiscalNRLANCTONF->AsString()});
            const QVariantList status = kpv::CheckResultServ(result, true, kpv::rkStatusArray).toList();
            if (status.value(0).toString() == kServerSuccess)
                TfrmDadosGerRel::sbtPrintClick(Sender);
            else
                kpv::MensErro(status.value(1).toString(), true);
        }
    }
    sbtVerificarClick(sbtVerificar);
}

void TfrmEmissaoRPS::rpddPadraoBeforeGetQueryParams(kpv::report::TReportParams& params, bool&) {
    if (kpv::report::ExistParam(params, QStringLiteral("P_CDFILIAL")))
        params.ParamByName(QStringLiteral("P_CDFILIAL")).SetAsString(cdsNotaFiscalCDFILIAL->AsString());
    if (kpv::report::ExistParam(params, QStringLiteral("P_NRLANCTONF")))
        params.ParamByName(QStringLiteral("P_NRLANCTONF")).SetAsString(cdsNotaFiscalNRLANCTONF->AsString());
}

}  // namespace Cli_kpv41000
