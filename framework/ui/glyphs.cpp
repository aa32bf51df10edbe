#include "framework/ui/glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace kpv::ui {

namespace {

const QColor ink(40, 40, 40);
const QColor paper(255, 255, 255);
const QColor blue(30, 80, 170);
const QColor green(20, 130, 40);
const QColor red(190, 30, 30);

}  // namespace

void PaintPage(QPainter& p, const QRectF& r) {
    p.setPen(QPen(ink, 1));
    p.setBrush(paper);
    p.drawRect(r);
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

namespace {

void printer(QPainter& p) {
    PaintPage(p, {4.5, 1.5, 7, 6});
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(180, 180, 180));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
    p.setBrush(paper);
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(green);
    p.drawPoint(12, 8);
}

void magnifier(QPainter& p, QPointF c, qreal r) {
    p.setPen(QPen(blue, 2));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(ink, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(r * 0.75, r * 0.75), c + QPointF(r * 1.9, r * 1.9));
}

}  // namespace

QPixmap Glyph(TGlyph glyph) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (glyph) {
        case TGlyph::Print:
            printer(p);
            break;
        case TGlyph::Preview:
            PaintPage(p, {1.5, 1.5, 9, 12});
            magnifier(p, {10, 9}, 3);
            break;
        case TGlyph::SaveAs:
            p.setPen(QPen(ink, 1));
            p.setBrush(blue);
            p.drawRect(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(paper);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(3.5, 9.5, 9, 5));
            break;
        case TGlyph::PrinterSetup:
            printer(p);
            p.setPen(QPen(blue, 2));
            p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
            break;
        case TGlyph::Close:
            p.setPen(QPen(ink, 1));
            p.setBrush(QColor(150, 100, 60));
            p.drawRect(QRectF(3.5, 1.5, 8, 13));
            p.setBrush(QColor(255, 210, 80));
            p.drawEllipse(QPointF(9.5, 8.5), 1, 1);
            p.setPen(QPen(red, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(12, 8), QPointF(15, 8));
            break;
        case TGlyph::Find:
            magnifier(p, {6.5, 6.5}, 4.5);
            break;
        case TGlyph::Refresh: {
            p.setPen(QPen(green, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 290 * 16);
            QPainterPath head;
            head.moveTo(9, 0.5);
            head.lineTo(14.5, 3.5);
            head.lineTo(9, 6.5);
            head.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(green);
            p.drawPath(head);
            break;
        }
        case TGlyph::Filter: {
            QPainterPath funnel;
            funnel.moveTo(1.5, 2.5);
            funnel.lineTo(14.5, 2.5);
            funnel.lineTo(9.5, 8.5);
            funnel.lineTo(9.5, 14.5);
            funnel.lineTo(6.5, 12.5);
            funnel.lineTo(6.5, 8.5);
            funnel.closeSubpath();
            p.setPen(QPen(ink, 1));
            p.setBrush(QColor(250, 200, 60));
            p.drawPath(funnel);
            break;
        }
        case TGlyph::Confirm:
            p.setPen(QPen(green, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
            break;
        case TGlyph::Cancel:
            p.setPen(QPen(red, 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
            break;
        case TGlyph::Lookup:
            p.setPen(Qt::NoPen);
            p.setBrush(ink);
            for (int x : {3, 8, 13}) p.drawEllipse(QPointF(x, 11), 1.3, 1.3);
            break;
        case TGlyph::Calendar:
            p.setPen(QPen(ink, 1));
            p.setBrush(paper);
            p.drawRect(QRectF(1.5, 2.5, 13, 12));
            p.setBrush(red);
            p.drawRect(QRectF(1.5, 2.5, 13, 3));
            p.setPen(QPen(QColor(120, 120, 120), 1));
            for (int x = 4; x < 14; x += 3)
                for (int y = 8; y < 14; y += 3) p.drawPoint(x, y);
            break;
    }
    return pixmap;
}

}  // namespace kpv::ui
