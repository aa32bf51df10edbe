// State and municipal registrations: typed or picked, checked for existence (the state one in the
// database, the municipal one on the application server) and for their relation to the company.
#include "emission/cli_kpv41000.h"
#include "filter/cli_kpv41100.h"
#include "filter/layout_p.h"
#include "filter/statements.h"
#include "framework/core/routines.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/data/query.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/control.h"
#include "framework/ui/lookup_button.h"
#include "framework/ui/mask_edit.h"
#include "protocol/codes.h"
#include "protocol/packet_fields.h"

namespace Cli_kpv41100 {

using kpv::EmptyString;
using kpv::MensErro;
using kpv::data::TFieldType;

namespace {
// The form's mark on the captions of its two registrations; nothing of the host reads it.
constexpr int kRegistrationCaptionTag = 99;
}  // namespace

void TfrmFiltroEmissaoRPS::createRegistrationRow() {
    edtCdInscEsta = layout::CodeEdit(grbDadosRel, QStringLiteral("edtCdInscEsta"), 16, 127, 38, 128);
    lblInscEsta = layout::Caption(grbDadosRel, QStringLiteral("lblInscEsta"),
                                  QStringLiteral("Insc. Estadual"), edtCdInscEsta, 6, 41, 87);
    lblInscEsta->setProperty("Tag", kRegistrationCaptionTag);

    qryInscrEstad = new TADOIBQuery(this, QStringLiteral("qryInscrEstad"));
    statements::qryInscrEstad.AssignTo(*qryInscrEstad);
    qryInscrEstad->AddField(QStringLiteral("CDINSCESTA"), TFieldType::ftString, 16, QStringLiteral("Código"),
                            true, true);
    qryInscrEstad->AddField(QStringLiteral("NRSERIECERTIFIC"), TFieldType::ftString, 50,
                            QStringLiteral("Certificado Digital"), false, false);
    qryInscrEstad->AddField(QStringLiteral("NMREPRINSEST"), TFieldType::ftString, 40,
                            QStringLiteral("Representante"), true, false);
    qryInscrEstad->AddField(QStringLiteral("SGESTADO"), TFieldType::ftString, 2, QStringLiteral("Estado"),
                            true, false);
    qryInscrEstad->AddField(QStringLiteral("IDTPAMBIENTENFE"), TFieldType::ftString, 1, QString(), false,
                            false);
    qryInscrEstad->AddField(QStringLiteral("CDMUNICIBGE"), TFieldType::ftString, 7,
                            QStringLiteral("Cód. IBGE"), false, false);
    qryInscrEstad->BeforeOpen = [this](auto* dataSet) { qryInscrEstadBeforeOpen(dataSet); };
    dtsInscrEstad = new TDataSource(this, QStringLiteral("dtsInscrEstad"));
    dtsInscrEstad->SetDataSet(qryInscrEstad->Query());
    btnInscrEstad = layout::LookupButton(grbDadosRel, QStringLiteral("btnInscrEstad"), edtCdInscEsta,
                                         QStringLiteral("Inscrição Estadual"), dtsInscrEstad,
                                         QStringLiteral("Não há inscrição estadual cadastrada."), 261, 38);

    edtCdInscMuni = layout::CodeEdit(grbDadosRel, QStringLiteral("edtCdInscMuni"), 16, 407, 38, 128);
    lblInscMuni = layout::Caption(grbDadosRel, QStringLiteral("lblInscMuni"),
                                  QStringLiteral("Insc. Municipal"), edtCdInscMuni, 310, 41, 92);
    lblInscMuni->setProperty("Tag", kRegistrationCaptionTag);

    cdsInscrMunicip = new TClientDataSet(this, QStringLiteral("cdsInscrMunicip"));
    cdsInscrMunicip->AddFields(kpv::protocol::MunicipalRegistrationDefinitions());
    cdsInscrMunicipCDINSCMUNI = cdsInscrMunicip->FieldByName(QStringLiteral("CDINSCMUNI"));
    cdsInscrMunicipIDAMBTRABNFSE = cdsInscrMunicip->FieldByName(QStringLiteral("IDAMBTRABNFSE"));
    cdsInscrMunicipIDAMBTRABNFSE->OnGetText = [this](TField* f, QString& text, bool display) {
        cdsInscrMunicipIDAMBTRABNFSEGetText(f, text, display);
    };
    dtsInscrMunicip = new TDataSource(this, QStringLiteral("dtsInscrMunicip"));
    dtsInscrMunicip->SetDataSet(cdsInscrMunicip);
    btpInscrMunicip = layout::LookupButton(grbDadosRel, QStringLiteral("btpInscrMunicip"), edtCdInscMuni,
                                           QStringLiteral("Inscrição Municipal"), dtsInscrMunicip,
                                           QStringLiteral("Não há inscrição municipal cadastrada."), 541, 38);

    edtCdInscEsta->OnChange = [this](QObject* s) { edtCdInscEstaChange(s); };
    edtCdInscEsta->OnExit = [this](QObject* s) { edtCdInscEstaExit(s); };
    btnInscrEstad->OnBeforePesq = [this](QObject* s, bool& flag) { btnInscrEstadBeforePesq(s, flag); };
    btnInscrEstad->OnAfterPesq = [this](QObject* s) { btnInscrEstadAfterPesq(s); };
    edtCdInscMuni->OnChange = [this](QObject* s) { edtCdInscMuniChange(s); };
    edtCdInscMuni->OnExit = [this](QObject* s) { edtCdInscMuniExit(s); };
    btpInscrMunicip->OnBeforePesq = [this](QObject* s, bool& flag) { btpInscrMunicipBeforePesq(s, flag); };
    btpInscrMunicip->OnAfterPesq = [this](QObject* s) { btpInscrMunicipAfterPesq(s); };
}

void TfrmFiltroEmissaoRPS::Vd_CdInscEsta(bool boObrigatorio) {
    const TFocusOnFailure focus(edtCdInscEsta);
    const bool empty = EmptyString(edtCdInscEsta->Text());
    if (boObrigatorio && empty) MensErro(msgPadrao->Msg(QStringLiteral("Insc_Inf")), true);
    if (empty) return;
    qryInscrEstad->Close();
    qryInscrEstad->ParamByName(QStringLiteral("P_CDINSCESTA"))->SetAsString(edtCdInscEsta->Text());
    qryInscrEstad->ParamByName(QStringLiteral("P_TCDINSCESTA"))->SetAsString(QString());
    qryInscrEstad->Open();
    if (qryInscrEstad->IsEmpty()) MensErro(msgPadrao->Msg(QStringLiteral("InscEsta_Cad")), true);
    if (!qryEmprCntrFil->Locate(QStringLiteral("CDINSCESTA"), edtCdInscEsta->Text()))
        MensErro(msgPadrao->Msg(QStringLiteral("Estadual_Relac")), true);
}

void TfrmFiltroEmissaoRPS::Vd_CdInscMuni(bool boObrigatorio) {
    const TFocusOnFailure focus(edtCdInscMuni);
    const bool empty = EmptyString(edtCdInscMuni->Text());
    if (boObrigatorio && empty) MensErro(msgPadrao->Msg(QStringLiteral("Insc_Muni")), true);
    if (empty) return;
    loadInscrMunicip(edtCdInscMuni->Text(), kpv::protocol::kSim);
    if (cdsInscrMunicip->IsEmpty()) MensErro(msgPadrao->Msg(QStringLiteral("InscMuni_Cad")), true);
    if (!qryEmprCntrFil->Locate(QStringLiteral("CDINSCMUNI"), edtCdInscMuni->Text()))
        MensErro(msgPadrao->Msg(QStringLiteral("Municipal_Relac")), true);
}

void TfrmFiltroEmissaoRPS::loadInscrMunicip(const QString& cdInscMuni, const QString& idUnica) {
    if (cdsInscrMunicip->Active())
        cdsInscrMunicip->EmptyDataSet();
    else
        cdsInscrMunicip->CreateDataSet();
    const kpv::TShowAvi avi(this, kpv::akAppServer);
    const QVariant result = Cli_kpv41000::frmEmissaoRPS->netEmissaoRPS->AppServer().Call(
        QStringLiteral("GetInscrMunicip"), {companyCode(), cdInscMuni, idUnica});
    const QVariant packet = kpv::CheckResultServ(result, true, kpv::rkAny);
    cdsInscrMunicip->LoadFromPacket(packet.value<kpv::protocol::DataPacket>());
}

// The state registration decides which municipal registrations and series make sense.
void TfrmFiltroEmissaoRPS::edtCdInscEstaChange(QObject*) {
    edtCdInscMuni->Clear();
    edtCdSerie->Clear();
}

void TfrmFiltroEmissaoRPS::edtCdInscMuniChange(QObject*) {
    edtCdSerie->Clear();
}

void TfrmFiltroEmissaoRPS::edtCdInscEstaExit(QObject*) {
    Vd_CdInscEsta(false);
}

void TfrmFiltroEmissaoRPS::edtCdInscMuniExit(QObject*) {
    Vd_CdInscMuni(false);
}

void TfrmFiltroEmissaoRPS::btnInscrEstadBeforePesq(QObject*, bool&) {
    qryInscrEstad->Close();
    qryInscrEstad->ParamByName(QStringLiteral("P_CDINSCESTA"))->Clear();
    qryInscrEstad->ParamByName(QStringLiteral("P_TCDINSCESTA"))->SetAsString(kpv::protocol::kAll);
    qryInscrEstad->Open();
}

void TfrmFiltroEmissaoRPS::btnInscrEstadAfterPesq(QObject*) {
    edtCdInscEsta->SetText(qryInscrEstad->FieldByName(QStringLiteral("CDINSCESTA"))->AsString());
}

void TfrmFiltroEmissaoRPS::btpInscrMunicipBeforePesq(QObject*, bool&) {
    loadInscrMunicip(QString(), kpv::protocol::kNao);
}

void TfrmFiltroEmissaoRPS::btpInscrMunicipAfterPesq(QObject*) {
    edtCdInscMuni->SetText(cdsInscrMunicipCDINSCMUNI->AsString());
}

void TfrmFiltroEmissaoRPS::qryInscrEstadBeforeOpen(QObject*) {
    qryInscrEstad->ParamByName(QStringLiteral("P_CDEMPRESA"))->SetAsString(companyCode());
}

// The environment code is shown by its catalogue text: "1" Produção, "2" Homologação.
void TfrmFiltroEmissaoRPS::cdsInscrMunicipIDAMBTRABNFSEGetText(TField* Sender, QString& Text, bool) {
    Text = msgPadrao->Msg(Sender->AsString());
}

}  // namespace Cli_kpv41100
