#pragma once

// What the emission screen shows of its list, read the way the tests compare it.
#include "emission/cli_kpv41000.h"
#include "framework/data/client_data_set.h"
#include "framework/data/db_navigator.h"

#include <QStringList>

// The commands the list's state rule sets, enabled or not, as one string for readable failures: the
// menu items, then the toolbar buttons, then the navigator.
inline QString CommandStates(Cli_kpv41000::TfrmEmissaoRPS* f) {
    QString s;
    for (kpv::ui::TMenuItem* item : {f->mnuImprimir, f->mnuVisualizar, f->mnuSalvarComo, f->mnuProcurar,
                                     f->mnuVerificar, f->mnuFiltro, f->mnuCancelaEmissao})
        s += item->Enabled() ? '1' : '0';
    s += ' ';
    for (kpv::ui::TButtonFlat* b : {f->sbtPrint, f->sbtPreview, f->sbtSalvarComo, f->sbtProcurar,
                                    f->sbtVerificar, f->sbtFiltro, f->sbtCancelaEmissao})
        s += b->isEnabled() ? '1' : '0';
    s += f->dbnPadrao->isEnabled() ? " nav" : " -";
    return s;
}

// The tick of every row, in list order, read without moving the cursor.
inline QStringList Ticks(Cli_kpv41000::TfrmEmissaoRPS* f) {
    QStringList all;
    kpv::data::TClientDataSet* list = f->cdsNotaFiscal;
    for (int i = 0; i < list->RecordCount(); ++i) {
        const kpv::data::TClientDataSet::PaintRecord row(list, i);
        all << f->cdsNotaFiscalIDCHECK->AsString();
    }
    return all;
}
