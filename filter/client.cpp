// Client selection: the client's registration number, its lookup list and the name shown beside it.
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "filter/statements.h"
#include "framework/core/routines.h"
#include "framework/data/data_source.h"
#include "framework/data/query.h"
#include "framework/text/edit_mask.h"
#include "framework/text/registration.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"
#include "protocol/codes.h"

#include <utility>

namespace Cli_kpv41100 {

using kpv::EmptyString;
using kpv::MensErro;
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
    statements::qryCliente.AssignTo(*qryCliente);
    TField* number = qryCliente->AddField(QStringLiteral("NRINSJURCLIE"), TFieldType::ftString, 20,
                                          QStringLiteral("Inscrição"), true, false);
    number->OnGetText = [this](TField* f, QString& text, bool display) {
        qryClienteNRINSJURCLIEGetText(f, text, display);
    };
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
    medCliente->OnEnter = [this](QObject* s) { medClienteEnter(s); };
    medCliente->OnExit = [this](QObject* s) { medClienteExit(s); };
    btpCliente->OnBeforePesq = [this](QObject* s, bool& flag) { btpClienteBeforePesq(s, flag); };
    btpCliente->OnAfterPesq = [this](QObject* s) { btpClienteAfterPesq(s); };
}

// An empty field means every client; a found one is shown masked for its kind of person.
void TfrmFiltroEmissaoRPS::Vd_Cliente() {
    if (EmptyString(medCliente->Text())) {
        edtNmCliente->Clear();
        return;
    }
    QString number = medCliente->Text();
    kpv::Ajusta_Inscricao(number);
    medCliente->SetText(number);
    qryCliente->Close();
    qryCliente->ParamByName(QStringLiteral("P_TODOS"))->SetAsString(kpv::protocol::kNao);
    qryCliente->ParamByName(QStringLiteral("P_NRINSJURCLIE"))->SetAsString(medCliente->Text());
    qryCliente->Open();
    if (qryCliente->IsEmpty()) {
        medCliente->SetFocus();
        MensErro(msgPadrao->Msg(QStringLiteral("Clie_Cad")), true);
    }
    medCliente->SetEditMask(
        kpv::PictPess(qryCliente->FieldByName(QStringLiteral("IDTPIJURCLIE"))->AsString()));
    edtNmCliente->SetText(qryCliente->FieldByName(QStringLiteral("NMRAZSOCCLIE"))->AsString());
}

// A changed number drops the name until the client is found again.
void TfrmFiltroEmissaoRPS::medClienteChange(QObject*) {
    edtNmCliente->Clear();
}

// The plain number is edited; dropping the mask is no change of the client, so the name stays.
void TfrmFiltroEmissaoRPS::medClienteEnter(QObject*) {
    kpv::TNotifyEvent change = std::exchange(medCliente->OnChange, nullptr);
    medCliente->SetEditMask(QString());
    medCliente->SetMaxLength(20);
    medCliente->OnChange = std::move(change);
}

void TfrmFiltroEmissaoRPS::medClienteExit(QObject*) {
    Vd_Cliente();
}

void TfrmFiltroEmissaoRPS::btpClienteBeforePesq(QObject*, bool&) {
    qryCliente->Close();
    qryCliente->ParamByName(QStringLiteral("P_NRINSJURCLIE"))->SetAsString(QString());
    qryCliente->ParamByName(QStringLiteral("P_TODOS"))->SetAsString(kpv::protocol::kAll);
    qryCliente->Open();
}

// The number goes in as stored: the mask an earlier client left goes first, as on entering the field, so
// it cannot cut the number. The name follows, since writing the number clears it.
void TfrmFiltroEmissaoRPS::btpClienteAfterPesq(QObject*) {
    medClienteEnter(medCliente);
    medCliente->SetText(qryCliente->FieldByName(QStringLiteral("NRINSJURCLIE"))->AsString());
    edtNmCliente->SetText(qryCliente->FieldByName(QStringLiteral("NMRAZSOCCLIE"))->AsString());
}

void TfrmFiltroEmissaoRPS::qryClienteNRINSJURCLIEGetText(TField*, QString& Text, bool) {
    const QString number = qryCliente->FieldByName(QStringLiteral("NRINSJURCLIE"))->AsString();
    if (EmptyString(number)) {
        Text.clear();
        return;
    }
    Text = kpv::FormatMaskText(
        kpv::PictPess(qryCliente->FieldByName(QStringLiteral("IDTPIJURCLIE"))->AsString()), number);
}

}  // namespace Cli_kpv41100
