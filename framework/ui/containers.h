#pragma once

#include "framework/framework_export.h"
#include "framework/ui/align_layout.h"
#include "framework/ui/control.h"

#include <QFrame>
#include <QGroupBox>
#include <QScrollArea>
#include <QTabWidget>

namespace kpv::ui {

// A panel: a container with enter and exit events, placed by position or by alignment.
class KPV_FRAMEWORK_EXPORT TPanel : public QFrame, public TControlEvents {
    Q_OBJECT
  public:
    TPanel(QWidget* parent, const QString& name);
    void SetBevel(bool raised);  // false: borderless
};

class KPV_FRAMEWORK_EXPORT TGroupBox : public QGroupBox, public TControlEvents {
    Q_OBJECT
  public:
    TGroupBox(QWidget* parent, const QString& name, const QString& caption = {});
};

class KPV_FRAMEWORK_EXPORT TScrollBox : public QScrollArea {
    Q_OBJECT
  public:
    TScrollBox(QWidget* parent, const QString& name);
};

// Page control whose sheets may hide their tabs.
class KPV_FRAMEWORK_EXPORT TPageControl : public QTabWidget, public TControlEvents {
    Q_OBJECT
  public:
    TPageControl(QWidget* parent, const QString& name);
    void SetTabsVisible(bool visible);
};

class KPV_FRAMEWORK_EXPORT TTabSheet : public QWidget {
    Q_OBJECT
  public:
    TTabSheet(TPageControl* pageControl, const QString& name, const QString& caption = {});
};

// A separator line.
class KPV_FRAMEWORK_EXPORT TBevel : public QFrame {
    Q_OBJECT
  public:
    enum class TBevelShape { bsBottomLine, bsTopLine, bsBox };
    TBevel(QWidget* parent, const QString& name, TBevelShape shape = TBevelShape::bsBottomLine);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    TBevelShape shape_;
};

// Disables every control inside a container, or enables again the ones it disabled. A control disabled
// before (a display-only name field, a command its rule turned off) stays as it was.
KPV_FRAMEWORK_EXPORT void SetChildEnabled(QWidget* container, bool enabled);

}  // namespace kpv::ui
