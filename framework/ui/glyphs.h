#pragma once

#include "framework/framework_export.h"

#include <QPixmap>

class QPainter;
class QRectF;

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
    Confirm,
    Cancel,
    Lookup,
    Calendar,
};

KPV_FRAMEWORK_EXPORT QPixmap Glyph(TGlyph glyph);

// A page with lines of text in the pictures' hand, for a screen that draws a picture of its own on it.
KPV_FRAMEWORK_EXPORT void PaintPage(QPainter& painter, const QRectF& bounds);

}  // namespace kpv::ui
