#include "emission/cli_kpv41000.h"

#include "framework/ui/application.h"

namespace Cli_kpv41000 {

QPointer<TfrmEmissaoRPS> frmEmissaoRPS;
bool boCriado = false;
bool boTodosMarcados = false;

namespace {

// Puts the cursor back to the default however the work ends.
class HourGlass {
  public:
    HourGlass() { Application().SetCursor(crHourGlass); }
    ~HourGlass() { Application().SetCursor(crDefault); }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
};

}  // namespace

void CriaEmissaoRPS() {
    const HourGlass cursor;
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
