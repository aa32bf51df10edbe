#pragma once

#include "settings/settings_export.h"

#include <QString>

#include <stdexcept>

namespace kpv::settings {

// A configuration the program cannot work with: the file missing, or a group, key or value it does not
// know; the message says which, in Portuguese.
class KPV_SETTINGS_EXPORT ConfigurationError : public std::runtime_error {
  public:
    explicit ConfigurationError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    // Out of line, so that the type's identity lives in libkpvsettings alone.
    ~ConfigurationError() override;

    QString message() const { return message_; }

  private:
    QString message_;
};

}  // namespace kpv::settings
