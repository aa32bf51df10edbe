#pragma once

// Unit of the filter screen: its single instance, the entry that shows it, and whether it was confirmed.
#include "filter/frm_filtro_emissao_rps.h"
#include "filter/record_filter.h"

#include <QPointer>

namespace Cli_kpv41100 {

// The filter screen: null until the first CriaFiltroEmissaoRPS; then kept, hidden between shows.
extern QPointer<TfrmFiltroEmissaoRPS> frmFiltroEmissaoRPS;
// True from the start of a confirmation; false at creation, on every show and activation, on cancel and
// when the series check fails. It stays true when another check stops the confirmation.
extern bool boConfirma;

// Shows the filter screen modally, creating it on first use. True only when this show ended in a
// completed confirmation; cancel, or the close box after a stopped confirmation, give false.
bool CriaFiltroEmissaoRPS();

void Initialization();
void Finalization();

}  // namespace Cli_kpv41100
