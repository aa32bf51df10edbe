#pragma once

#include <QPixmap>

namespace Cli_kpv41000 {

// The picture of "Cancelar Emissão de Recibo": a receipt struck through, in the toolbar's hand.
QPixmap CancelEmissionGlyph();

}  // namespace Cli_kpv41000
