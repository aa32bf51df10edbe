#include "nfse/rps/branch_certificates.h"

#include "nfse/nfse_error.h"
#include "nfse/rps/nfse_settings.h"

namespace kpv::nfse {

BranchCertificates::BranchCertificates(const NfseSettings& settings) {
    for (auto c = settings.certificates.cbegin(); c != settings.certificates.cend(); ++c) {
        Loaded& loaded = loaded_[c.key()];
        try {
            loaded.certificate = Certificate::FromPkcs12(c->path, c->password);
        } catch (const NfseError& e) {
            loaded.refusal = e.message();
        }
    }
}

const Certificate* BranchCertificates::forBranch(const QString& branch, QString* why) const {
    const auto found = loaded_.constFind(branch);
    if (found == loaded_.cend()) {
        *why = QStringLiteral(
                   "A filial %1 não tem certificado digital configurado ([nfse] certificate.%1 no "
                   "kpv.ini).")
                   .arg(branch);
        return nullptr;
    }
    if (!found->certificate) *why = found->refusal;
    return found->certificate ? &*found->certificate : nullptr;
}

QStringList BranchCertificates::refusals() const {
    QStringList all;
    for (const Loaded& l : loaded_) {
        if (!l.certificate) all << l.refusal;
    }
    return all;
}

}  // namespace kpv::nfse
