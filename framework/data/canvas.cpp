#include "framework/data/canvas.h"

#include <QPainter>

namespace kpv::data {

TCanvas::TCanvas(QPainter* painter, const QColor& brushColor) : Brush{brushColor}, painter_(painter) {}

void TCanvas::FillRect(const QRect& rect) {
    painter_->fillRect(rect, Brush.Color);
}

void TCanvas::BrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                        const QColor& transparentColor) {
    const QRect available = source.intersected(bitmap.rect());
    if (available.isEmpty() || source.isEmpty() || dest.isEmpty()) return;
    QImage piece = bitmap.copy(available).convertToFormat(QImage::Format_RGB32);
    const QRgb transparent = transparentColor.rgb() & RGB_MASK;
    const QRgb brush = Brush.Color.rgb();
    for (int y = 0; y < piece.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
        for (int x = 0; x < piece.width(); ++x) {
            if ((line[x] & RGB_MASK) == transparent) line[x] = brush;
        }
    }
    // The available part keeps its place within the requested source, scaled as source is to dest.
    const double sx = static_cast<double>(dest.width()) / source.width();
    const double sy = static_cast<double>(dest.height()) / source.height();
    const QRectF target(dest.left() + (available.left() - source.left()) * sx,
                        dest.top() + (available.top() - source.top()) * sy, available.width() * sx,
                        available.height() * sy);
    painter_->drawImage(target, piece);
}

}  // namespace kpv::data
