#include "framework/data/grid_cell_delegate_p.h"

#include "framework/data/db_grid.h"

#include <QPainter>

namespace kpv::data {

namespace {
const QColor gridLineColor{192, 192, 192};
// Many more distinct texts than a few screenfuls show, and little to hold.
constexpr qsizetype kLayoutsKept = 4096;
}  // namespace

GridCellDelegate::GridCellDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

// The text as QCommonStyle lays out an item view's display text: a margin each side, one line at the
// rectangle's width, aligned as the model says, centred vertically on its bounding height.
const GridCellDelegate::Layout& GridCellDelegate::laidOut(const QModelIndex& index,
                                                          const QStyleOptionViewItem& option,
                                                          const QRect& textRect) const {
    if (option.font != font_) {
        layouts_.clear();
        font_ = option.font;
    }
    const QVariant alignmentValue = index.data(Qt::TextAlignmentRole);
    const Qt::Alignment alignment =
        alignmentValue.isValid() ? Qt::Alignment(alignmentValue.toInt()) : option.displayAlignment;
    Key key{index.data(Qt::DisplayRole).toString(), textRect.size(), int(alignment), option.direction};
    if (const auto found = layouts_.constFind(key); found != layouts_.cend()) return **found;
    if (layouts_.size() >= kLayoutsKept) layouts_.clear();

    auto layout = std::make_shared<Layout>();
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(option.direction);
    textOption.setAlignment(QStyle::visualAlignment(option.direction, alignment));
    QTextLayout& text = layout->text;
    // Kept shaped: without it the layout lets its glyphs go and shapes the text again at every paint.
    text.setCacheEnabled(true);
    text.setFont(option.font);
    text.setText(key.text);
    text.setTextOption(textOption);
    text.beginLayout();
    qreal height = 0;
    for (QTextLine line = text.createLine(); line.isValid(); line = text.createLine()) {
        line.setLineWidth(textRect.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    text.endLayout();
    const QRect bounds =
        QStyle::alignedRect(Qt::LayoutDirectionAuto, alignment, text.boundingRect().size().toSize(),
                            QRect(QPoint(), textRect.size()));
    layout->top = bounds.top();
    return **layouts_.emplace(std::move(key), std::move(layout));
}

void GridCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !option.state.testFlag(QStyle::State_Active)) group = QPalette::Inactive;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const int margin = grid_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid_) + 1;
    const QRect textRect = option.rect.adjusted(margin, 0, -margin, 0);

    painter->save();
    painter->setClipRect(option.rect, Qt::IntersectClip);
    // No focus frame: the row colour tells the current row.
    if (selected) painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
    const Layout& layout = laidOut(index, option, textRect);
    if (!layout.text.text().isEmpty()) {
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        layout.text.draw(painter, QPointF(textRect.left(), textRect.top() + layout.top));
    }
    painter->setPen(gridLineColor);
    const TDBGridOptions options = grid_->Options();
    QRect inner = option.rect;
    if (options.testFlag(TDBGridOption::dgColLines)) {
        painter->drawLine(inner.topRight(), inner.bottomRight());
        inner.setRight(inner.right() - 1);
    }
    if (options.testFlag(TDBGridOption::dgRowLines)) {
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        inner.setBottom(inner.bottom() - 1);
    }
    painter->restore();

    // The colours the painting used, so the event's brush matches the row.
    const QPalette::ColorGroup eventGroup =
        option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    TGridDrawState state;
    state.setFlag(TGridDrawStateItem::gdSelected, selected);
    state.setFlag(TGridDrawStateItem::gdFocused,
                  option.state.testFlag(QStyle::State_HasFocus) && grid_->hasFocus());
    const QColor brush = option.palette.color(eventGroup, selected ? QPalette::Highlight : QPalette::Base);
    grid_->paintCell(painter, inner, index, brush, state);
}

}  // namespace kpv::data
