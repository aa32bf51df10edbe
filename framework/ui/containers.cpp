#include "framework/ui/containers.h"

#include <QPainter>
#include <QTabBar>

namespace kpv::ui {

TPanel::TPanel(QWidget* parent, const QString& name) : QFrame(parent) {
    setObjectName(name);
    InstallFocusTracker();
    SetBevel(false);
}

void TPanel::SetBevel(bool raised) {
    setFrameShape(raised ? QFrame::Panel : QFrame::NoFrame);
    setFrameShadow(QFrame::Raised);
}

TGroupBox::TGroupBox(QWidget* parent, const QString& name, const QString& caption)
    : QGroupBox(caption, parent) {
    setObjectName(name);
    InstallFocusTracker();
}

TScrollBox::TScrollBox(QWidget* parent, const QString& name) : QScrollArea(parent) {
    setObjectName(name);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    // A scroll box only holds controls; Tab goes on to them instead of stopping at the box.
    setFocusPolicy(Qt::NoFocus);
}

TPageControl::TPageControl(QWidget* parent, const QString& name) : QTabWidget(parent) {
    setObjectName(name);
    setDocumentMode(true);
    InstallFocusTracker();
}

void TPageControl::SetTabsVisible(bool visible) {
    tabBar()->setVisible(visible);
    // The focus of a page control rests on its tabs; without them Tab would stop on nothing visible.
    setFocusPolicy(visible ? Qt::TabFocus : Qt::NoFocus);
}

TTabSheet::TTabSheet(TPageControl* pageControl, const QString& name, const QString& caption)
    : QWidget(pageControl) {
    setObjectName(name);
    pageControl->addTab(this, caption);
}

TBevel::TBevel(QWidget* parent, const QString& name, TBevelShape shape) : QFrame(parent), shape_(shape) {
    setObjectName(name);
}

void TBevel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor dark = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    const QRect r = rect();
    auto line = [&](int y) {
        p.setPen(dark);
        p.drawLine(r.left(), y, r.right(), y);
        p.setPen(light);
        p.drawLine(r.left(), y + 1, r.right(), y + 1);
    };
    switch (shape_) {
        case TBevelShape::bsBottomLine:
            line(r.bottom() - 1);
            break;
        case TBevelShape::bsTopLine:
            line(r.top());
            break;
        case TBevelShape::bsBox:
            p.setPen(dark);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            break;
    }
}

namespace {
// Marks a control that SetChildEnabled disabled, so that enabling gives back only what it took.
constexpr char kDisabledByContainer[] = "kpvDisabledByContainer";
}  // namespace

void SetChildEnabled(QWidget* container, bool enabled) {
    if (!container) return;
    for (QWidget* child : container->findChildren<QWidget*>()) {
        if (!enabled) {
            if (!child->isEnabledTo(child->parentWidget())) continue;  // disabled already, by design or rule
            child->setProperty(kDisabledByContainer, true);
            child->setEnabled(false);
        } else if (child->property(kDisabledByContainer).toBool()) {
            child->setProperty(kDisabledByContainer, QVariant());
            child->setEnabled(true);
        }
    }
}

}  // namespace kpv::ui
