#include "framework/ui/lookup_button.h"

#include "framework/core/interaction.h"
#include "framework/core/routines.h"
#include "framework/data/client_data_set.h"
#include "framework/data/data_source.h"
#include "framework/ui/glyphs.h"

namespace kpv::ui {

TBtnPesquisa::TBtnPesquisa(QWidget* parent, const QString& name) : TButtonFlat(parent, name) {
    SetGlyph(Glyph(TGlyph::Lookup));
}

void TBtnPesquisa::DoClick() {
    if (OnClick) {
        Fire(OnClick, this);
        return;
    }
    Pesquisa();
}

void TBtnPesquisa::Pesquisa() {
    bool flag = true;
    if (OnBeforePesq) OnBeforePesq(this, flag);
    if (!flag || !DataSource) return;
    data::TClientDataSet* rows = DataSource->DataSet();
    if (!rows || rows->IsEmpty()) MensErro(EmptyError, true);
    const std::optional<int> picked = Interaction::Current().PickRow(window(), Title, DataSource);
    if (!picked) return;
    rows->SetRecNo(*picked);
    if (Associate) Associate->setFocus(Qt::OtherFocusReason);
    Fire(OnAfterPesq, this);
}

}  // namespace kpv::ui
