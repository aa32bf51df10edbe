#pragma once

#include "nfse/certificate.h"

#include <QMap>
#include <QString>

#include <optional>

namespace kpv::nfse {

struct NfseSettings;

// The A1 certificates of the branches, each read once from the file the configuration names and shared,
// read-only, by every thread that signs. A certificate that cannot be read keeps the reason, for every
// DPS of its branch to say.
class BranchCertificates {
  public:
    explicit BranchCertificates(const NfseSettings& settings);

    // The branch's certificate, or nothing with the reason in `why`.
    const Certificate* forBranch(const QString& branch, QString* why) const;
    // Why the certificates that could not be read were not, one message each.
    QStringList refusals() const;

  private:
    struct Loaded {
        std::optional<Certificate> certificate;
        QString refusal;
    };
    QMap<QString, Loaded> loaded_;
};

}  // namespace kpv::nfse
