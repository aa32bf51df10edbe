#pragma once

#include "nfse/certificate.h"
#include "nfse/dps.h"
#include "nfse/signature_algorithm.h"

#include <QByteArray>
#include <QDateTime>

// The DPS document (namespace http://www.sped.fazenda.gov.br/nfse, versao 1.00) that travels: UTF-8 bytes,
// the same for the same values, validated against DPS_v1.00.xsd before they are returned. Safe to call
// from several threads at once. Every refusal is an NfseError, and then nothing was made.
namespace kpv::nfse {

QByteArray UnsignedDps(const Dps& dps);

// Throws NfseError when `certificate` cannot sign for the provider `registration` at `signingTime`: not yet
// valid, expired, or issued to another CNPJ or CPF.
void CheckSigner(const Certificate& certificate, const std::variant<Cnpj, Cpf>& registration,
                 const QDateTime& signingTime);

// Signed over infDPS with the provider's certificate, the Signature placed after infDPS. The certificate
// must carry the provider's CNPJ or CPF and be valid at `signingTime`.
QByteArray SignedDps(const Dps& dps, const Certificate& certificate,
                     SignatureAlgorithm algorithm = SignatureAlgorithm::RsaSha1,
                     const QDateTime& signingTime = QDateTime::currentDateTimeUtc());

}  // namespace kpv::nfse
