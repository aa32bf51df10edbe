#pragma once

#include "framework/framework_export.h"

#include <QLayout>
#include <QList>

namespace kpv::ui {

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Lays out a container's children as the screens describe them: strips stacked along the top and the
// bottom, then the left and the right, and one child taking what is left. Children placed by position
// (alNone) are not in the layout and keep their geometry.
class AlignLayout : public QLayout {
  public:
    explicit AlignLayout(QWidget* container);
    ~AlignLayout() override;

    void addAligned(QWidget* widget, TAlign align);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

  private:
    struct Entry {
        QLayoutItem* item;
        TAlign align;
    };
    QList<Entry> items_;
};

// Gives `widget` an alignment inside its parent container, creating the parent's layout on first use.
KPV_FRAMEWORK_EXPORT void SetAlign(QWidget* widget, TAlign align);

}  // namespace kpv::ui
