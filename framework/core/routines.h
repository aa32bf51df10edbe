#pragma once

#include "framework/framework_export.h"

#include <QDate>
#include <QString>

namespace kpv {

// True when the text holds no value (empty or only blanks).
KPV_FRAMEWORK_EXPORT bool EmptyString(const QString& text);

// Shows `text` in an error box; with `stop` it then ends the current event with a silent abort.
KPV_FRAMEWORK_EXPORT void MensErro(const QString& text, bool stop);

// The code brought to exactly `width` characters: blanks dropped, zeros added on the left.
KPV_FRAMEWORK_EXPORT QString Ajusta(const QString& code, int width);

// First day of the month of `date`.
KPV_FRAMEWORK_EXPORT QDate PriDiaMes(const QDate& date);

}  // namespace kpv
