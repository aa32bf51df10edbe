#include "framework/ui/align_layout.h"

#include <QWidget>

namespace kpv::ui {

AlignLayout::AlignLayout(QWidget* container) : QLayout(container) {
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

AlignLayout::~AlignLayout() {
    while (QLayoutItem* item = takeAt(0)) delete item;
}

void AlignLayout::addAligned(QWidget* widget, TAlign align) {
    addChildWidget(widget);
    items_.push_back({new QWidgetItem(widget), align});
    invalidate();
}

void AlignLayout::addItem(QLayoutItem* item) {
    items_.push_back({item, TAlign::alClient});
}

QLayoutItem* AlignLayout::itemAt(int index) const {
    return index >= 0 && index < items_.size() ? items_[index].item : nullptr;
}

QLayoutItem* AlignLayout::takeAt(int index) {
    if (index < 0 || index >= items_.size()) return nullptr;
    return items_.takeAt(index).item;
}

QSize AlignLayout::sizeHint() const {
    return minimumSize();
}

QSize AlignLayout::minimumSize() const {
    int height = 0;
    int width = 0;
    for (const Entry& e : items_) {
        if (e.item->isEmpty()) continue;
        const QSize hint = e.item->geometry().size();
        if (e.align == TAlign::alTop || e.align == TAlign::alBottom) height += hint.height();
        if (e.align == TAlign::alLeft || e.align == TAlign::alRight) width += hint.width();
    }
    return {width, height};
}

void AlignLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    QRect free = contentsRect();
    // A child keeps its own thickness across the alignment: the height of a strip, the width of a column.
    auto thickness = [](const QLayoutItem* item, bool vertical) {
        const QWidget* w = item->widget();
        const int own = vertical ? w->height() : w->width();
        return own > 0 ? own : (vertical ? item->sizeHint().height() : item->sizeHint().width());
    };
    for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
        for (const Entry& e : items_) {
            if (e.align != pass || e.item->isEmpty()) continue;
            switch (pass) {
                case TAlign::alTop: {
                    const int h = thickness(e.item, true);
                    e.item->setGeometry({free.left(), free.top(), free.width(), h});
                    free.setTop(free.top() + h);
                    break;
                }
                case TAlign::alBottom: {
                    const int h = thickness(e.item, true);
                    e.item->setGeometry({free.left(), free.bottom() - h + 1, free.width(), h});
                    free.setBottom(free.bottom() - h);
                    break;
                }
                case TAlign::alLeft: {
                    const int w = thickness(e.item, false);
                    e.item->setGeometry({free.left(), free.top(), w, free.height()});
                    free.setLeft(free.left() + w);
                    break;
                }
                case TAlign::alRight: {
                    const int w = thickness(e.item, false);
                    e.item->setGeometry({free.right() - w + 1, free.top(), w, free.height()});
                    free.setRight(free.right() - w);
                    break;
                }
                case TAlign::alClient:
                    e.item->setGeometry(free);
                    break;
                case TAlign::alNone:
                    break;
            }
        }
    }
}

void SetAlign(QWidget* widget, TAlign align) {
    QWidget* container = widget->parentWidget();
    if (!container || align == TAlign::alNone) return;
    auto* layout = dynamic_cast<AlignLayout*>(container->layout());
    if (!layout) layout = new AlignLayout(container);
    layout->addAligned(widget, align);
}

}  // namespace kpv::ui
