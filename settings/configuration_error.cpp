#include "settings/configuration_error.h"

namespace kpv::settings {

ConfigurationError::~ConfigurationError() = default;

}  // namespace kpv::settings
