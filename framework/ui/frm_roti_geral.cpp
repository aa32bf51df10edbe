#include "framework/ui/frm_roti_geral.h"

#include "framework/ui/glyphs.h"

namespace kpv::ui {

namespace {

// Where the dialog base screen puts the controls of its side strip, in pixels.
constexpr struct {
    TBounds buttons{2, 2, 51, 52};  // panBotoes, in the strip
    TBounds confirm{2, 2, 47, 23};  // sbtConfirma, fixed in size
    TBounds cancel{2, 27, 47, 23};  // sbtCancel, fixed in size
    int screenCodeHeight = 16;      // lblCodTela, along the strip's bottom
} kPlaces;

}  // namespace

TfrmRotiGeral::TfrmRotiGeral(QWidget* owner) : TForm(owner) {
    grbDadosRel = new TGroupBox(this, QStringLiteral("grbDadosRel"));
    panMenu = new TPanel(this, QStringLiteral("panMenu"));
    panMenu->SetBevel(true);
    panBotoes = new TPanel(panMenu, QStringLiteral("panBotoes"));
    Place(panBotoes, kPlaces.buttons);
    sbtConfirma = new TButtonFlat(panBotoes, QStringLiteral("sbtConfirma"), QStringLiteral("Confirmar"));
    sbtConfirma->SetGlyph(Glyph(TGlyph::Confirm));
    sbtConfirma->setFixedSize(kPlaces.confirm.size());
    sbtConfirma->move(kPlaces.confirm.topLeft());
    sbtCancel = new TButtonFlat(panBotoes, QStringLiteral("sbtCancel"), QStringLiteral("Cancelar"));
    sbtCancel->SetGlyph(Glyph(TGlyph::Cancel));
    sbtCancel->setFixedSize(kPlaces.cancel.size());
    sbtCancel->move(kPlaces.cancel.topLeft());
    sbtCancel->OnClick = [this](QObject* s) { sbtCancelClick(s); };
    lblCodTela = new TLabel(panMenu, QStringLiteral("lblCodTela"));
    QFont small = lblCodTela->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    lblCodTela->setFont(small);
    lblCodTela->setAlignment(Qt::AlignCenter);
    SetAlign(lblCodTela, TAlign::alBottom);
    lblCodTela->resize(0, kPlaces.screenCodeHeight);
    msgPadrao = new TMessages(this, QStringLiteral("msgPadrao"));
}

void TfrmRotiGeral::FormCreate(QObject*) {}

void TfrmRotiGeral::sbtCancelClick(QObject*) {
    Close();
}

}  // namespace kpv::ui
