#pragma once

#include "framework/core/dispatch.h"

#include <QColor>

class QWidget;

namespace kpv::ui {

// The system colours the screens name.
inline const QColor clInfoBk{255, 255, 225};
inline const QColor clBtnFace{240, 240, 240};
inline const QColor clWindowText{0, 0, 0};

// Enter and exit events of a control or of a container (panel, group). They fire when the focus moves
// between controls of one screen, never when the screen itself loses or regains activation.
class TControlEvents {
  public:
    virtual ~TControlEvents() = default;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
};

// Watches the application's focus and raises OnEnter/OnExit along the chain of containers; installed
// once, by the first control that needs it.
void InstallFocusTracker();

// Places a control at the left, top and width its screen gives it; the height stays the widget's own
// unless given.
void Place(QWidget* widget, int left, int top, int width, int height = -1);

// Moves the focus to a control; the enter and exit events the move raises run before it returns.
void SetFocus(QWidget* widget);

}  // namespace kpv::ui
