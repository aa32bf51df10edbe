#pragma once

#include "framework/framework_export.h"

#include <QString>

#include <functional>

class QObject;

namespace kpv {

// Handler of a component's event, named as in the screens' descriptions (OnClick, OnChange, ...).
using TNotifyEvent = std::function<void(QObject* Sender)>;

// Runs an event handler at the border between Qt and our code. A silent abort (EAbort) ends the event
// quietly; any other exception goes to the host's error display. Qt never sees an exception.
// Handlers called from code (a text written by a handler runs its OnChange, a focus move it makes runs
// the exits and enters on the way) are plain calls, so an abort raised inside them ends the outer event as
// well. Returns whether the handler ran to its end.
KPV_FRAMEWORK_EXPORT bool Dispatch(const std::function<void()>& handler) noexcept;

// Raises an event from code: a plain call, errors travel to the caller.
inline void Fire(const TNotifyEvent& event, QObject* sender) {
    if (event) event(sender);
}

using ErrorDisplay = std::function<void(const QString& message)>;

// The host installs its display of unhandled errors; without one they go to the message seam.
KPV_FRAMEWORK_EXPORT void SetErrorDisplay(ErrorDisplay display);
KPV_FRAMEWORK_EXPORT void ShowUnhandledError(const QString& message);

}  // namespace kpv
