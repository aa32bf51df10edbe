#include "framework/core/errors.h"

namespace kpv {

Error::Error(const QString& message) : std::runtime_error(message.toStdString()), message_(message) {}

void Abort() {
    throw EAbort();
}

}  // namespace kpv
