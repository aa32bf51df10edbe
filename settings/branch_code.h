#pragma once

#include "settings/settings_export.h"

#include <QString>

#include <optional>

namespace kpv::settings {

// A branch code as kpv.ini writes it, 1 to 4 digits, stored four wide ("1" is branch "0001"); nothing
// for any other text.
KPV_SETTINGS_EXPORT std::optional<QString> BranchCode(const QString& text);

}  // namespace kpv::settings
