#pragma once

#include <QFont>
#include <QStyledItemDelegate>
#include <QTextLayout>

#include <memory>
#include <unordered_map>

namespace kpv::data {

class TDBGrid;

// Paints a grid's cells as the style paints an item view's text, from display texts laid out once and
// kept for the cells on screen: a repaint neither asks the fields for their texts again nor shapes them.
// A record's change forgets its row; a change of the data set, the columns or the font forgets all.
// After the text come the grid lines, then the grid's painting event.
class GridCellDelegate final : public QStyledItemDelegate {
  public:
    explicit GridCellDelegate(TDBGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    struct Cell {
        QTextLayout layout;
        QSize size;     // of the rectangle the text was laid out in
        qreal top = 0;  // where the text starts within it
    };

    const Cell& cell(const QModelIndex& index, const QStyleOptionViewItem& option,
                     const QRect& textRect) const;
    void forgetRows(int first, int last);
    void forgetAll() { cells_.clear(); }
    static quint64 key(int row, int column) { return (quint64(quint32(row)) << 32) | quint32(column); }

    TDBGrid* grid_;
    mutable std::unordered_map<quint64, std::unique_ptr<Cell>> cells_;
    mutable QFont font_;
};

}  // namespace kpv::data
