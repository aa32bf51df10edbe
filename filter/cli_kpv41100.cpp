#include "filter/cli_kpv41100.h"

#include "framework/ui/application.h"

namespace Cli_kpv41100 {

QPointer<TfrmFiltroEmissaoRPS> frmFiltroEmissaoRPS;
bool boConfirma = false;

bool CriaFiltroEmissaoRPS() {
    const THourGlass cursor;
    if (!frmFiltroEmissaoRPS) Application().CreateForm(frmFiltroEmissaoRPS);
    frmFiltroEmissaoRPS->ShowModal();
    // Not boConfirma: it is still true when a check stopped the confirmation and the window was closed.
    return frmFiltroEmissaoRPS && frmFiltroEmissaoRPS->Confirmed();
}

void Initialization() {
    boConfirma = false;
}

void Finalization() {}

}  // namespace Cli_kpv41100
