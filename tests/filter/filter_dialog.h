#pragma once

// Driving the filter dialog in a test as its user would, and reading it back.
#include "filter/frm_filtro_emissao_rps.h"

#include <QStringList>

namespace kpv::data {
class TClientDataSet;
}

namespace filtertest {

// Branch, branch name, state and municipal registration, series. A blank branch code reads back as the
// mask's blanks; it is given here without them.
QStringList UpperRows(const Cli_kpv41100::TfrmFiltroEmissaoRPS* d);

// Writes branch, state and municipal registration and series in that order: each write empties the
// fields after it, as typing does.
void Fill(Cli_kpv41100::TfrmFiltroEmissaoRPS* d, const QStringList& values);

// Puts the focus where it rests between steps: a control without enter or exit handlers.
void Settle(Cli_kpv41100::TfrmFiltroEmissaoRPS* d);

// The user enters the field and leaves it again.
void Leave(Cli_kpv41100::TfrmFiltroEmissaoRPS* d, QWidget* field);

// The name of the control that has the focus.
QString Focused();

// The values of one field over every row of a data set, in order.
QStringList Column(kpv::data::TClientDataSet* ds, const QString& field, bool displayText = false);

}  // namespace filtertest
