#include "framework/data/grid_cell_delegate_p.h"

#include "framework/data/data_source.h"
#include "framework/data/db_grid.h"
#include "framework/data/grid_model.h"

#include <QPainter>

namespace kpv::data {

namespace {
const QColor gridLineColor{192, 192, 192};
// A few screenfuls: enough to scroll back and forth without laying out again, little to hold.
constexpr size_t kCellsKept = 4096;
}  // namespace

GridCellDelegate::GridCellDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {
    QAbstractItemModel* model = grid->Model();
    connect(model, &QAbstractItemModel::modelReset, this, &GridCellDelegate::forgetAll);
    connect(model, &QAbstractItemModel::layoutChanged, this, &GridCellDelegate::forgetAll);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                forgetRows(topLeft.row(), bottomRight.row());
            });
    connect(model, &QAbstractItemModel::headerDataChanged, this, &GridCellDelegate::forgetAll);
}

void GridCellDelegate::forgetRows(int first, int last) {
    const int columns = grid_->Model()->columnCount();
    if (static_cast<size_t>(last - first + 1) * static_cast<size_t>(columns) >= cells_.size()) {
        forgetAll();
        return;
    }
    for (int row = first; row <= last; ++row) {
        for (int column = 0; column < columns; ++column) cells_.erase(key(row, column));
    }
}

// The text as QCommonStyle lays out an item view's display text: a margin each side, one line at the
// rectangle's width, aligned as the model says, centred vertically on its bounding height.
const GridCellDelegate::Cell& GridCellDelegate::cell(const QModelIndex& index,
                                                     const QStyleOptionViewItem& option,
                                                     const QRect& textRect) const {
    if (option.font != font_) {
        cells_.clear();
        font_ = option.font;
    }
    std::unique_ptr<Cell>& slot = cells_[key(index.row(), index.column())];
    if (slot && slot->size == textRect.size()) return *slot;
    if (!slot && cells_.size() > kCellsKept) {
        cells_.clear();
        return cell(index, option, textRect);
    }
    slot = std::make_unique<Cell>();
    slot->size = textRect.size();
    const QVariant alignmentValue = index.data(Qt::TextAlignmentRole);
    const Qt::Alignment alignment =
        alignmentValue.isValid() ? Qt::Alignment(alignmentValue.toInt()) : option.displayAlignment;
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(option.direction);
    textOption.setAlignment(QStyle::visualAlignment(option.direction, alignment));
    QTextLayout& layout = slot->layout;
    layout.setFont(option.font);
    layout.setText(index.data(Qt::DisplayRole).toString());
    layout.setTextOption(textOption);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(textRect.width());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    const QRect bounds =
        QStyle::alignedRect(Qt::LayoutDirectionAuto, alignment, layout.boundingRect().size().toSize(),
                            QRect(QPoint(), textRect.size()));
    slot->top = bounds.top();
    return *slot;
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
    const Cell& text = cell(index, option, textRect);
    if (!text.layout.text().isEmpty()) {
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        text.layout.draw(painter, QPointF(textRect.left(), textRect.top() + text.top));
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
