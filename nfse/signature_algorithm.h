#pragma once

#include <QString>

#include <optional>

namespace kpv::nfse {

// The XML-DSig signature algorithm with its digest. RsaSha1 is what the national standard's examples and
// the shipped xmldsig schema name; RsaSha256 is what some municipalities' peers ask for.
enum class SignatureAlgorithm { RsaSha1, RsaSha256 };

// "rsa-sha1" and "rsa-sha256", as a configuration writes them.
QString SignatureAlgorithmName(SignatureAlgorithm algorithm);
std::optional<SignatureAlgorithm> SignatureAlgorithmNamed(const QString& name);

}  // namespace kpv::nfse
