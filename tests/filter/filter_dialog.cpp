#include "filter_dialog.h"

#include "framework/data/client_data_set.h"
#include "framework/ui/controls.h"
#include "framework/ui/edit.h"
#include "framework/ui/mask_edit.h"

#include <QApplication>

namespace filtertest {

using Cli_kpv41100::TfrmFiltroEmissaoRPS;

QStringList UpperRows(const TfrmFiltroEmissaoRPS* d) {
    return {d->medCdFilial->Text().trimmed(), d->edtFiliEmit->Text(), d->edtCdInscEsta->Text(),
            d->edtCdInscMuni->Text(), d->edtCdSerie->Text()};
}

void Fill(TfrmFiltroEmissaoRPS* d, const QStringList& values) {
    d->medCdFilial->SetText(values.value(0));
    d->edtCdInscEsta->SetText(values.value(1));
    d->edtCdInscMuni->SetText(values.value(2));
    d->edtCdSerie->SetText(values.value(3));
}

void Settle(TfrmFiltroEmissaoRPS* d) {
    d->chbNaoEmitido->setFocus();
}

void Leave(TfrmFiltroEmissaoRPS* d, QWidget* field) {
    Settle(d);
    field->setFocus();
    Settle(d);
}

QString Focused() {
    QWidget* w = QApplication::focusWidget();
    return w ? w->objectName() : QString();
}

QStringList Column(kpv::data::TClientDataSet* ds, const QString& field, bool displayText) {
    QStringList values;
    for (int i = 0; i < ds->RecordCount(); ++i) {
        const kpv::data::TClientDataSet::PaintRecord row(ds, i);
        const kpv::data::TField* f = ds->FieldByName(field);
        values << (displayText ? f->DisplayText() : f->AsString());
    }
    return values;
}

}  // namespace filtertest
