#include "emission/cancel_glyph.h"

#include "framework/ui/glyphs.h"

#include <QPainter>

namespace Cli_kpv41000 {

QPixmap CancelEmissionGlyph() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    kpv::ui::PaintPage(p, {2.5, 1.5, 9, 12});
    p.setPen(QPen(QColor(190, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(14, 14));
    p.drawLine(QPointF(14, 8), QPointF(8, 14));
    return pixmap;
}

}  // namespace Cli_kpv41000
