#include "framework/ui/button_flat.h"

#include <QPainter>

namespace kpv::ui {

TButtonFlat::TButtonFlat(QWidget* parent, const QString& name, const QString& hint) : QToolButton(parent) {
    setObjectName(name);
    setAutoRaise(true);
    // Flat on the window's colour, painted by the button itself: a change of state repaints the button
    // alone, not the panels and the window frame behind it.
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    setToolTip(hint);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(21, 21);
    setIconSize({16, 16});
    connect(this, &QToolButton::clicked, this, [this] { Click(); });
}

void TButtonFlat::SetGlyph(const QPixmap& normal) {
    QIcon icon;
    icon.addPixmap(normal, QIcon::Normal);
    // The second state of the glyph: the same picture, greyed.
    QImage grey = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int g = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(g, g, g, qAlpha(line[x]) / 2);
        }
    }
    icon.addPixmap(QPixmap::fromImage(grey), QIcon::Disabled);
    setIcon(icon);
}

void TButtonFlat::SetCaption(const QString& caption) {
    setText(caption);
    setToolButtonStyle(icon().isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextBesideIcon);
}

void TButtonFlat::Click() {
    if (!isEnabled()) return;
    Dispatch([this] { DoClick(); });
}

}  // namespace kpv::ui
