// Client selection: the client's registration number, its lookup list and the name shown beside it.
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "framework/data/data_source.h"
#include "framework/data/query.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"

namespace Cli_kpv41100 {

using kpv::data::TFieldType;

void TfrmFiltroEmissaoRPS::createClientGroup() {
    grbDest = new TGroupBox(grbDadosRel, QStringLiteral("grbDest"));
    grbDest->setGeometry(2, 96, 635, 43);

    medCliente = new TMaskEdit(grbDest, QStringLiteral("medCliente"));
    medCliente->setFont(layout::PlainFont());
    medCliente->SetMaxLength(20);
    Place(medCliente, 62, 12, 135, 21);
    lblInscricao = layout::Caption(grbDest, QStringLiteral("lblInscricao"), QStringLiteral("Cliente"),
                                   nullptr, 8, 16, 56);

    qryCliente = new TADOIBQuery(this, QStringLiteral("qryCliente"));
    qryCliente->SQL = {
        QStringLiteral("SELECT CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, NMRAZSOCCLIE, NMFANTCLIE"),
        QStringLiteral("FROM CLIENTE"),
        QStringLiteral("WHERE ((NRINSJURCLIE = :P_NRINSJURCLIE) OR (:P_TODOS = 'T'))"),
        QStringLiteral("ORDER BY NRINSJURCLIE"),
        QString(),
        QString(),
    };
    qryCliente->AddField(QStringLiteral("NRINSJURCLIE"), TFieldType::ftString, 20,
                         QStringLiteral("Inscrição"), true, false);
    qryCliente->AddField(QStringLiteral("CDCLIENTE"), TFieldType::ftString, 21, QString(), false, true);
    qryCliente->AddField(QStringLiteral("IDTPIJURCLIE"), TFieldType::ftString, 1, QString(), false, false);
    qryCliente->AddField(QStringLiteral("NMRAZSOCCLIE"), TFieldType::ftString, 50,
                         QStringLiteral("Razão Social"), true, false);
    qryCliente->AddField(QStringLiteral("NMFANTCLIE"), TFieldType::ftString, 50,
                         QStringLiteral("Nome Fantasia"), true, false);
    dtsCliente = new TDataSource(this, QStringLiteral("dtsCliente"));
    dtsCliente->SetDataSet(qryCliente->Query());

    btpCliente =
        layout::LookupButton(grbDest, QStringLiteral("btpCliente"), medCliente, QStringLiteral("Cliente"),
                             dtsCliente, QStringLiteral("Não há cliente cadastrado."), 200, 13);
    edtNmCliente = layout::NameEdit(grbDest, QStringLiteral("edtNmCliente"), 226, 12, 399);

    medCliente->OnChange = [this](QObject* s) { medClienteChange(s); };
}

// A changed number drops the name until the client is found again.
void TfrmFiltroEmissaoRPS::medClienteChange(QObject*) {
    edtNmCliente->Clear();
}

}  // namespace Cli_kpv41100
