// Operation type selection: every type ("Todos") or a list marked from the server's ("Lista"), and the
// direction of the operations.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/list_routines.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/lookup_button.h"
#include "protocol/codes.h"
#include "protocol/data_packet.h"
#include "protocol/packet_fields.h"

namespace Cli_kpv41100 {

void TfrmFiltroEmissaoRPS::createOperationTypeGroup() {
    grbTipoOper =
        new TGroupBox(grbDadosRel, QStringLiteral("grbTipoOper"), QStringLiteral(" Tipo Operação "));
    grbTipoOper->setGeometry(195, 140, 225, 68);

    // The direction stays "Saída": nothing enables the combo.
    cbbIdOperacao = new TComboBox(grbTipoOper, QStringLiteral("cbbIdOperacao"),
                                  {QStringLiteral("Saída"), QStringLiteral("Entrada")});
    cbbIdOperacao->setEnabled(false);
    Place(cbbIdOperacao, 13, 18, 172, 21);
    rdgTodosTipoOper =
        new TRadioButton(grbTipoOper, QStringLiteral("rdgTodosTipoOper"), QStringLiteral("Todos"));
    rdgTodosTipoOper->setChecked(true);
    Place(rdgTodosTipoOper, 13, 46, 58, 17);
    rdgListaTipoOper =
        new TRadioButton(grbTipoOper, QStringLiteral("rdgListaTipoOper"), QStringLiteral("Lista"));
    Place(rdgListaTipoOper, 82, 46, 48, 17);

    cdsTipoOper = new TClientDataSet(this, QStringLiteral("cdsTipoOper"));
    cdsTipoOper->AddFields(kpv::protocol::OperationTypeDefinitions());
    dtsTipoOper = new TDataSource(this, QStringLiteral("dtsTipoOper"));
    dtsTipoOper->SetDataSet(cdsTipoOper);

    btpTipoOper = layout::LookupButton(grbTipoOper, QStringLiteral("btpTipoOper"), rdgListaTipoOper,
                                       QStringLiteral("Tipo de Operação"), dtsTipoOper,
                                       QStringLiteral("Não há tipo de operação cadastrado."), 142, 43);
    btpTipoOper->SetEnabled(false);
    layout::BoldCaption(grbTipoOper);

    cbbIdOperacao->OnChange = [this](QObject* s) { cbbIdOperacaoChange(s); };
    rdgTodosTipoOper->OnClick = [this](QObject* s) { rdgTodosTipoOperClick(s); };
    rdgListaTipoOper->OnClick = [this](QObject* s) { rdgListaTipoOperClick(s); };
    btpTipoOper->OnClick = [this](QObject* s) { btpTipoOperClick(s); };
}

void TfrmFiltroEmissaoRPS::rdgTodosTipoOperClick(QObject*) {
    btpTipoOper->SetEnabled(!rdgTodosTipoOper->Checked());
}

// Choosing "Lista" starts from an empty list.
void TfrmFiltroEmissaoRPS::rdgListaTipoOperClick(QObject*) {
    btpTipoOper->SetEnabled(rdgListaTipoOper->Checked());
    Cli_kpv41000::frmEmissaoRPS->ListaTipoOper.clear();
}

// The types come fresh from the server for the direction shown; the marked keys go straight into the
// emission screen's list. A failed fetch opens no list and leaves the marked one as it was.
void TfrmFiltroEmissaoRPS::btpTipoOperClick(QObject*) {
    const QString direcao = cbbIdOperacao->ItemIndex() != 0 ? kpv::protocol::kEntrada : kpv::protocol::kSaida;
    {
        const kpv::TShowAvi avi(this, kpv::akAppServer);
        const QVariant result = Cli_kpv41000::frmEmissaoRPS->netEmissaoRPS->AppServer().Call(
            QStringLiteral("GetTipoOper"), {QString(), QString(kpv::protocol::kAll), direcao});
        const QVariant packet = kpv::CheckResultServ(result, true, kpv::rkAny);
        cdsTipoOper->LoadFromPacket(packet.value<kpv::protocol::DataPacket>());
    }
    kpv::PesquisaLista(dtsTipoOper, QStringLiteral("CHAVE"), msgPadrao->Msg(QStringLiteral("TipoOper")),
                       false, Cli_kpv41000::frmEmissaoRPS->ListaTipoOper);
}

// A list marked for one direction means nothing for the other.
void TfrmFiltroEmissaoRPS::cbbIdOperacaoChange(QObject*) {
    Cli_kpv41000::frmEmissaoRPS->ListaTipoOper.clear();
}

}  // namespace Cli_kpv41100
