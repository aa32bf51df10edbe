#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

namespace kpv::nfse {

// An A1 certificate with its private key, read once from a PKCS#12 file and shared, read-only, by every
// document and thread that signs with it.
class Certificate {
  public:
    // Throws NfseError, naming the file: unreadable, not PKCS#12, wrong password, no RSA key.
    static Certificate FromPkcs12(const QString& path, const QString& password);

    QString path() const;
    // The subject's common name; ICP-Brasil writes "NAME:CNPJ" (or ":CPF").
    QString holder() const;
    QDateTime notBefore() const;
    QDateTime notAfter() const;
    // The CNPJs and CPFs it was issued to, digits only: the one after the colon in the common name and those
    // of the ICP-Brasil subjectAltName otherNames (2.16.76.1.3.3 CNPJ, 2.16.76.1.3.1 CPF).
    QStringList registrations() const;

    // The key and certificate as the signing code needs them (certificate_p.h).
    struct Keys;
    const Keys& keys() const { return *keys_; }

  private:
    explicit Certificate(std::shared_ptr<const Keys> keys) : keys_(std::move(keys)) {}
    std::shared_ptr<const Keys> keys_;
};

}  // namespace kpv::nfse
