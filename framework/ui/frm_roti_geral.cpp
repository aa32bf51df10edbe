#include "framework/ui/frm_roti_geral.h"

#include "framework/ui/glyphs.h"

namespace kpv::ui {

TfrmRotiGeral::TfrmRotiGeral(QWidget* owner) : TForm(owner) {
    grbDadosRel = new TGroupBox(this, QStringLiteral("grbDadosRel"));
    panMenu = new TPanel(this, QStringLiteral("panMenu"));
    panMenu->SetBevel(true);
    panBotoes = new TPanel(panMenu, QStringLiteral("panBotoes"));
    Place(panBotoes, 2, 2, 51, 52);
    sbtConfirma = new TButtonFlat(panBotoes, QStringLiteral("sbtConfirma"), QStringLiteral("Confirmar"));
    sbtConfirma->SetGlyph(Glyph(TGlyph::Confirm));
    sbtConfirma->setFixedSize(47, 23);
    sbtConfirma->move(2, 2);
    sbtCancel = new TButtonFlat(panBotoes, QStringLiteral("sbtCancel"), QStringLiteral("Cancelar"));
    sbtCancel->SetGlyph(Glyph(TGlyph::Cancel));
    sbtCancel->setFixedSize(47, 23);
    sbtCancel->move(2, 27);
    sbtCancel->OnClick = [this](QObject* s) { sbtCancelClick(s); };
    lblCodTela = new TLabel(panMenu, QStringLiteral("lblCodTela"));
    QFont small = lblCodTela->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    lblCodTela->setFont(small);
    lblCodTela->setAlignment(Qt::AlignCenter);
    SetAlign(lblCodTela, TAlign::alBottom);
    lblCodTela->resize(0, 16);
    msgPadrao = new TMessages(this, QStringLiteral("msgPadrao"));
}

void TfrmRotiGeral::FormCreate(QObject*) {}

void TfrmRotiGeral::sbtCancelClick(QObject*) {
    Close();
}

}  // namespace kpv::ui
