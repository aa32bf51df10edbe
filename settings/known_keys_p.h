#pragma once

#include <QString>

namespace kpv::settings {

// Whether some program of the system reads this group, and this key of it. Keys such as
// "processingDate.0002" match by their prefix.
bool IsKnownGroup(const QString& group);
bool IsKnownKey(const QString& group, const QString& key);

}  // namespace kpv::settings
