#pragma once

#include "framework/core/dispatch.h"
#include "framework/framework_export.h"

#include <QIcon>
#include <QToolButton>

namespace kpv::ui {

// A flat toolbar button with a hint and a two-state glyph (normal and disabled).
class KPV_FRAMEWORK_EXPORT TButtonFlat : public QToolButton {
    Q_OBJECT
  public:
    TButtonFlat(QWidget* parent, const QString& name, const QString& hint = {});

    void SetGlyph(const QPixmap& normal);  // the disabled state is drawn from it
    void SetCaption(const QString& caption);
    void SetEnabled(bool enabled) { setEnabled(enabled); }
    bool Enabled() const { return isEnabled(); }
    // Runs the click as the user's click does, through the event border.
    void Click();

    TNotifyEvent OnClick;
    int Tag = 0;

  protected:
    // What a click does, inside the event border.
    virtual void DoClick() { Fire(OnClick, this); }
};

}  // namespace kpv::ui
