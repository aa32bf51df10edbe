#pragma once

#include "framework/framework_export.h"

#include <QColor>
#include <QImage>
#include <QRect>

class QPainter;

namespace kpv::data {

struct TBrush {
    QColor Color;
};

// The drawing surface handed to cell-painting handlers, over the painter the grid paints with.
class KPV_FRAMEWORK_EXPORT TCanvas {
  public:
    TCanvas(QPainter* painter, const QColor& brushColor);

    TBrush Brush;

    void FillRect(const QRect& rect);
    // Draws `source` of `bitmap` into `dest`, every pixel of `transparentColor` replaced by the brush.
    // The part of `source` that lies outside the bitmap is not drawn.
    void BrushCopy(const QRect& dest, const QImage& bitmap, const QRect& source,
                   const QColor& transparentColor);

  private:
    QPainter* painter_;
};

}  // namespace kpv::data
