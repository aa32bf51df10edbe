#include "emission/cli_kpv41000.h"

#include "framework/ui/application.h"

namespace Cli_kpv41000 {

QPointer<TfrmEmissaoRPS> frmEmissaoRPS;
bool boCriado = false;
bool boTodosMarcados = false;

void CriaEmissaoRPS() {
    const THourGlass cursor;
    // The application object may have destroyed the screen without its close handling clearing the flag.
    if (!boCriado || !frmEmissaoRPS) {
        Application().CreateForm(frmEmissaoRPS);
        boCriado = true;
    }
    frmEmissaoRPS->Show();
}

void Initialization() {
    // The unit is initialised once however often the package asks.
    static bool initialised = false;
    if (initialised) return;
    initialised = true;
    boCriado = false;
}

void Finalization() {}

}  // namespace Cli_kpv41000
