#include "nfse/signature_algorithm.h"

namespace kpv::nfse {

QString SignatureAlgorithmName(SignatureAlgorithm algorithm) {
    return algorithm == SignatureAlgorithm::RsaSha1 ? QStringLiteral("rsa-sha1")
                                                    : QStringLiteral("rsa-sha256");
}

std::optional<SignatureAlgorithm> SignatureAlgorithmNamed(const QString& name) {
    for (const SignatureAlgorithm algorithm : {SignatureAlgorithm::RsaSha1, SignatureAlgorithm::RsaSha256}) {
        if (name == SignatureAlgorithmName(algorithm)) return algorithm;
    }
    return std::nullopt;
}

}  // namespace kpv::nfse
