#pragma once

#include "framework/core/dispatch.h"
#include "framework/framework_export.h"

#include <QColor>
#include <QPoint>
#include <QSize>

#include <exception>

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

// Where a control sits inside its parent, in pixels, as a screen's table of places gives it. A height of
// kOwnHeight leaves the widget the height it takes for its text.
struct TBounds {
    static constexpr int kOwnHeight = -1;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = kOwnHeight;

    constexpr QPoint topLeft() const { return {left, top}; }
    constexpr QSize size() const { return {width, height}; }
};

// Puts a control where its bounds say.
KPV_FRAMEWORK_EXPORT void Place(QWidget* widget, const TBounds& bounds);

// Moves the focus to a control; the enter and exit events the move raises run before it returns. They are
// part of the caller's work, as handlers called from code are: when one of them fails (a validation on
// exit showed its message), its error travels on from here and ends the caller's event too.
KPV_FRAMEWORK_EXPORT void SetFocus(QWidget* widget);

// Puts the focus back on a control when the step it guards fails, so that the user corrects the field
// whose check stopped the event. The move raises its events as the user's own moves do, never into the
// failure under way.
class KPV_FRAMEWORK_EXPORT TFocusOnFailure {
  public:
    explicit TFocusOnFailure(QWidget* control) : control_(control), failures_(std::uncaught_exceptions()) {}
    ~TFocusOnFailure();
    TFocusOnFailure(const TFocusOnFailure&) = delete;
    TFocusOnFailure& operator=(const TFocusOnFailure&) = delete;

  private:
    QWidget* control_;
    int failures_;
};

}  // namespace kpv::ui
