#pragma once

#include <QString>

#include <stdexcept>

namespace kpv::nfse {

// Whatever keeps a DPS from being written or an NFS-e from being read: a value the layout cannot carry,
// a certificate that cannot sign for the provider, a document the schema refuses. `message` is the
// Portuguese text the user reads; nothing was written when it is thrown.
class NfseError : public std::runtime_error {
  public:
    explicit NfseError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString message() const { return message_; }

  private:
    QString message_;
};

}  // namespace kpv::nfse
