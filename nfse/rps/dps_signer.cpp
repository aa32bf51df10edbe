#include "nfse/rps/dps_signer.h"

#include "nfse/dps_document.h"
#include "nfse/nfse_error.h"

namespace kpv::nfse {

const DpsSigner& DpsSigner::Unconfigured() {
    static const DpsSigner none{NfseSettings{}};
    return none;
}

QByteArray DpsSigner::sign(const Dps& dps, const QString& branch) const {
    QString why;
    const Certificate* certificate = certificates_.forBranch(branch, &why);
    if (!certificate) throw NfseError(why);
    return SignedDps(dps, *certificate, settings_.signatureAlgorithm);
}

}  // namespace kpv::nfse
