#pragma once

#include "nfse/rps/branch_certificates.h"
#include "nfse/rps/nfse_settings.h"
#include "nfse/rps/rps_dps.h"

#include <QByteArray>

namespace kpv::nfse {

// Signs the DPS of any branch as the configuration says: its algorithm, its environment, each branch's
// certificate read once. Read-only once made, so every thread of a program signs with the same one.
class DpsSigner {
  public:
    explicit DpsSigner(const NfseSettings& settings) : settings_(settings), certificates_(settings) {}

    // One that signs for no branch, where the configuration has no [nfse] group to give.
    static const DpsSigner& Unconfigured();

    // What the database's RPS take from the configuration.
    DpsOrigin origin() const { return DpsOrigin{settings_.environment}; }
    const BranchCertificates& certificates() const { return certificates_; }

    // The document signed with the branch's certificate. Throws NfseError: no certificate, one that cannot
    // sign for the provider, or a DPS the schema refuses.
    QByteArray sign(const Dps& dps, const QString& branch) const;

  private:
    NfseSettings settings_;
    BranchCertificates certificates_;
};

}  // namespace kpv::nfse
