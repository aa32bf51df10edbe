#pragma once

#include <QPixmap>

namespace kpv::ui {

// The pictures of the toolbar buttons, drawn at 16 x 16.
enum class TGlyph {
    Print,
    Preview,
    SaveAs,
    PrinterSetup,
    Close,
    Find,
    Refresh,
    Filter,
    CancelEmission,
    Confirm,
    Cancel,
    Lookup,
    Calendar,
};

QPixmap Glyph(TGlyph glyph);

}  // namespace kpv::ui
