// Invoice retrieval and refresh: the server call that fills the list, the refresh from the remembered
// filter, the filter command, and the rule that enables the commands from the state of the list.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/db_grid.h"
#include "framework/data/db_navigator.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/control.h"
#include "framework/ui/mask_edit.h"
#include "protocol/invoice_status.h"
#include "protocol/methods.h"

namespace Cli_kpv41000 {

using kpv::data::TDataSetState;

void TfrmEmissaoRPS::GetNotaFiscal(const QString& stCdFilial, const QString& stTipoOper,
                                   const QString& stCdEmpresa, const QString& stCdInscEsta,
                                   const QString& stCdInscMuni, const QString& stCdSerie,
                                   const QString& stCliente, const QDate& dtSaidIni, const QDate& dtSaidFim,
                                   const QString& stIdOperacao, const QString& stSituacaoRPS) {
    const kpv::TShowAvi avi(frmEmissaoRPS, kpv::akAppServer);
    const kpv::protocol::NotaFiscalArgs args{stCdFilial,   stTipoOper,   stCdEmpresa,  stCdInscEsta,
                                             stCdInscMuni, stCdSerie,    stCliente,    dtSaidIni,
                                             dtSaidFim,    stIdOperacao, stSituacaoRPS};
    const QVariant result = netEmissaoRPS->AppServer().Call(QStringLiteral("GetNotaFiscal"), args.toList());
    const QVariant packet = kpv::CheckResultServ(result, true, kpv::rkAny);
    cdsNotaFiscal->LoadFromPacket(packet.value<kpv::protocol::DataPacket>());
    dtsNotaFiscalStateChange(dtsNotaFiscal);
}

void TfrmEmissaoRPS::sbtVerificarClick(QObject*) {
    const Cli_kpv41100::TNotaFiscalArgs a = Cli_kpv41100::NotaFiscalArgs(
        Cli_kpv41100::frmFiltroEmissaoRPS->recFiltro, medCdEmpresa->Text(), ListaTipoOper, SituacaoRPS);
    GetNotaFiscal(a.stCdFilial, a.stTipoOper, a.stCdEmpresa, a.stCdInscEsta, a.stCdInscMuni, a.stCdSerie,
                  a.stCliente, a.dtSaidIni, a.dtSaidFim, a.stIdOperacao, a.stSituacaoRPS);
}

void TfrmEmissaoRPS::sbtFiltroClick(QObject*) {
    Vd_Empresa(true);
    if (Cli_kpv41100::CriaFiltroEmissaoRPS()) SetFocus(dbgPadrao);
}

void TfrmEmissaoRPS::dtsNotaFiscalStateChange(QObject*) {
    const bool browsing = dtsNotaFiscal->State() == TDataSetState::dsBrowse;
    const bool listReady = browsing && !cdsNotaFiscal->IsEmpty();
    for (TMenuItem* item : {mnuImprimir, mnuVisualizar, mnuSalvarComo, mnuProcurar, mnuVerificar})
        item->SetEnabled(listReady);
    mnuFiltro->SetEnabled(browsing);
    mnuCancelaEmissao->SetEnabled(
        listReady && InvoiceStatus{QString(), cdsNotaFiscalIDTRANSMISRPS->AsString()}.cancellable());

    sbtPrint->SetEnabled(mnuImprimir->Enabled());
    sbtPreview->SetEnabled(mnuVisualizar->Enabled());
    sbtSalvarComo->SetEnabled(mnuSalvarComo->Enabled());
    sbtProcurar->SetEnabled(mnuProcurar->Enabled());
    sbtVerificar->SetEnabled(mnuVerificar->Enabled());
    sbtFiltro->SetEnabled(mnuFiltro->Enabled());
    sbtCancelaEmissao->SetEnabled(mnuCancelaEmissao->Enabled());
    dbnPadrao->setEnabled(listReady);
}

}  // namespace Cli_kpv41000
