#pragma once

#include "framework/framework_export.h"

#include <QString>

#include <utility>

class QWidget;

namespace kpv {

// What the busy animation's picture says the screen is doing.
enum TShowAviKind : int {
    akLookup = 1,     // looks something up
    akAppServer = 6,  // waits for the application server
};

// Shows the busy animation over a screen, with a text when given; `kind`, a TShowAviKind, picks the
// picture.
KPV_FRAMEWORK_EXPORT void ActiveShowAvi(QWidget* form, int kind, const QString& text = {});
// Hides the animation; harmless when none is shown.
KPV_FRAMEWORK_EXPORT void DeactiveShowAvi();
// Whether an animation is shown, and its text (for the host's status and for tests).
bool ShowAviActive();
QString ShowAviText();
// Shows a bar under the text: `done` of `total` pieces of work; total 0 hides it.
KPV_FRAMEWORK_EXPORT void SetShowAviProgress(int done, int total);
// The bar's state, {0, 0} without one.
std::pair<int, int> ShowAviProgress();

// Shows the animation for the lifetime of the object: hidden again on success and on error.
class TShowAvi {
  public:
    TShowAvi(QWidget* form, int kind, const QString& text = {}) { ActiveShowAvi(form, kind, text); }
    ~TShowAvi() { DeactiveShowAvi(); }
    TShowAvi(const TShowAvi&) = delete;
    TShowAvi& operator=(const TShowAvi&) = delete;
};

}  // namespace kpv
