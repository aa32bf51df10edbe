#pragma once

#include <QImage>

namespace Cli_kpv41000 {

// The bitmaps of the tick column: 16 x 16, 4 bits per pixel with the standard 16-colour palette,
// olive as the transparent background.
QImage TickImageCheck();
QImage TickImageUncheck();
QImage TickImageGray();

// The colour painted over by the row's brush.
inline constexpr QRgb TickTransparentColor = qRgb(128, 128, 0);

}  // namespace Cli_kpv41000
