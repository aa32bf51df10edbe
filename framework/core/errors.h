#pragma once

#include "framework/framework_export.h"

#include <QString>

#include <stdexcept>

namespace kpv {

// Ends the current event without a word: MensErro throws it once its box is closed.
class EAbort final : public std::exception {
  public:
    const char* what() const noexcept override { return "EAbort"; }
};

// An error meant for the user. Whatever is not an EAbort reaches the host's error display.
class KPV_FRAMEWORK_EXPORT Error : public std::runtime_error {
  public:
    explicit Error(const QString& message);
    QString message() const { return message_; }

  private:
    QString message_;
};

[[noreturn]] KPV_FRAMEWORK_EXPORT void Abort();

}  // namespace kpv
