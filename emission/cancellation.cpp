// RPS cancellation: the invoice under the cursor, confirmed by the user, cancelled by the server.
#include "emission/cli_kpv41000.h"
#include "framework/core/interaction.h"
#include "framework/core/routines.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_grid.h"
#include "framework/data/field.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/control.h"
#include "protocol/codes.h"

namespace Cli_kpv41000 {

void TfrmEmissaoRPS::sbtCancelaEmissaoClick(QObject*) {
    // The command is enabled at creation, before any list exists: without an invoice there is nothing to
    // confirm or send, and the user is told so as when printing with nothing ticked.
    if (!cdsNotaFiscal->Active() || cdsNotaFiscal->IsEmpty()) {
        SetFocus(dbgPadrao);
        kpv::MensErro(msgPadrao->Msg(QStringLiteral("NF_N_SELEC")), true);
    }
    if (kpv::Interaction::Current().MessageBox(this, msgPadrao->Msg(QStringLiteral("DESEJA_CANCELA_EMIS")),
                                               kpv::TMsgDlgType::mtConfirmation,
                                               kpv::TMsgDlgButtons::mbOKCancel) != kpv::TModalResult::mrOk)
        return;
    const kpv::TShowAvi avi(this, kpv::akAppServer);
    const QVariant result = netEmissaoRPS->AppServer().Call(
        QStringLiteral("CancelaEmissao"),
        {cdsNotaFiscalCDFILIAL->AsString(), cdsNotaFiscalNRLANCTONF->AsString()});
    const QVariantList status = kpv::CheckResultServ(result, true, kpv::rkStatusArray).toList();
    if (status.value(0).toString() != kpv::protocol::kSim) kpv::MensErro(status.value(1).toString(), true);
    sbtVerificarClick(sbtVerificar);
    kpv::Interaction::Current().MessageBox(this, msgPadrao->Msg(QStringLiteral("CANCELA_EMIS_OK")),
                                           kpv::TMsgDlgType::mtInformation, kpv::TMsgDlgButtons::mbOK);
    dtsNotaFiscalStateChange(dtsNotaFiscal);
}

}  // namespace Cli_kpv41000
