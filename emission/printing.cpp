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
#include "protocol/codes.h"

#include <optional>

namespace Cli_kpv41000 {

namespace {

using kpv::protocol::kSim;

int TickedCount(const kpv::data::TClientDataSet* list, const kpv::data::TField* idCheck) {
    int ticked = 0;
    for (int recNo = 0; recNo < list->RecordCount(); ++recNo) {
        const kpv::data::TClientDataSet::PaintRecord row(list, recNo);
        if (idCheck->AsString() == kSim) ++ticked;
    }
    return ticked;
}

// An invoice whose RPS the server issued while its report found nothing to print: the number stands.
struct IssuedUnprinted {
    QString reason;  // the report's own words
    QString series;
    QString number;
};

QString UnprintedMessage(const IssuedUnprinted& u) {
    const QString rps =
        u.number.isEmpty()
            ? QStringLiteral("O RPS desta nota fiscal")
            : QStringLiteral("O RPS nº %1 da série %2 desta nota fiscal").arg(u.number, u.series);
    return QStringLiteral(
               "%1 %2 foi emitido no servidor e continua valendo; a lista mostra agora o que o "
               "servidor registra. Confira o relatório e imprima-o de novo: o número não muda.")
        .arg(u.reason, rps);
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
    std::optional<IssuedUnprinted> unprinted;
    {  // the list's controls are unfrozen again before the refresh, and on every way out; the PDFs written
       // on a machine without a printer are told once, after the walk
        const kpv::ui::TPrintBatch batch(*this);
        const kpv::data::TControlsDisabled frozen(cdsNotaFiscal);
        int current = 0;
        for (cdsNotaFiscal->First(); !cdsNotaFiscal->Eof(); cdsNotaFiscal->Next()) {
            if (cdsNotaFiscalIDCHECK->AsString() != kSim) continue;
            const kpv::TShowAvi avi(this, kpv::akAppServer, msgPadrao->Msg(QStringLiteral("GERANDO_RPS")));
            // With several invoices the box also shows how far the run has come.
            if (ticked > 1) kpv::SetShowAviProgress(++current, ticked);
            const QVariant result = netEmissaoRPS->AppServer().Call(
                QStringLiteral("PreparaImpressao"),
                {cdsNotaFiscalCDFILIAL->AsString(), cdsNotaFiscalNRLANCTONF->AsString()});
            const QVariantList status = kpv::CheckResultServ(result, true, kpv::rkStatusArray).toList();
            if (status.value(0).toString() != kSim) kpv::MensErro(status.value(1).toString(), true);
            try {
                TfrmDadosGerRel::sbtPrintClick(Sender);
            } catch (const kpv::report::NoReportData& e) {
                unprinted = {e.message(), status.value(2).toString(), status.value(3).toString()};
                break;
            }
        }
    }
    sbtVerificarClick(sbtVerificar);
    // The list now shows what the server holds for the invoice whose receipt could not be printed.
    if (unprinted) kpv::MensErro(UnprintedMessage(*unprinted), true);
}

void TfrmEmissaoRPS::rpddPadraoBeforeGetQueryParams(kpv::report::TReportParams& params, bool&) {
    if (kpv::report::ExistParam(params, QStringLiteral("P_CDFILIAL")))
        params.ParamByName(QStringLiteral("P_CDFILIAL")).SetAsString(cdsNotaFiscalCDFILIAL->AsString());
    if (kpv::report::ExistParam(params, QStringLiteral("P_NRLANCTONF")))
        params.ParamByName(QStringLiteral("P_NRLANCTONF")).SetAsString(cdsNotaFiscalNRLANCTONF->AsString());
}

}  // namespace Cli_kpv41000
