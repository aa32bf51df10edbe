#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>
#include <QTextLayout>

#include <memory>

namespace kpv::data {

class TDBGrid;

// Paints a grid's cells as the style paints an item view's text. A text is laid out once for each width
// and alignment it is shown in, and kept: lists repeat their texts (branches, series, dates, situations),
// a refresh shows the same ones again, and a repaint or a tick shapes nothing it has shaped before.
// A change of font forgets all. After the text come the grid lines, then the grid's painting event.
class GridCellDelegate final : public QStyledItemDelegate {
  public:
    explicit GridCellDelegate(TDBGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    struct Layout {
        QTextLayout text;
        qreal top = 0;  // where the text starts within its rectangle
    };
    struct Key {
        QString text;
        QSize size;  // of the rectangle the text is laid out in
        int alignment;
        Qt::LayoutDirection direction;
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) {
        return qHashMulti(seed, key.text, key.size.width(), key.size.height(), key.alignment,
                          int(key.direction));
    }

    const Layout& laidOut(const QModelIndex& index, const QStyleOptionViewItem& option,
                          const QRect& textRect) const;

    TDBGrid* grid_;
    mutable QHash<Key, std::shared_ptr<const Layout>> layouts_;
    mutable QFont font_;
};

}  // namespace kpv::data
