#pragma once

// Unit of the filter screen: its single instance, the entry that shows it, and whether it was confirmed.
#include "filter/frm_filtro_emissao_rps.h"
#include "filter/record_filter.h"
#include "package/export.h"

#include <QPointer>

namespace Cli_kpv41100 {

// The filter screen: null until the first CriaFiltroEmissaoRPS; then kept, hidden between shows.
extern KPV41000_EXPORT QPointer<TfrmFiltroEmissaoRPS> frmFiltroEmissaoRPS;
// Whether the last show of the filter screen ended in a completed confirmation.
extern KPV41000_EXPORT bool boConfirma;

// Shows the filter screen modally, creating it on first use; returns boConfirma.
KPV41000_EXPORT bool CriaFiltroEmissaoRPS();

void Initialization();
void Finalization();

}  // namespace Cli_kpv41100
