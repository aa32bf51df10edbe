#pragma once

#include "nfse/certificate.h"

#include <QByteArray>

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace kpv::nfse {

struct Certificate::Keys {
    Keys() = default;
    Keys(const Keys&) = delete;
    Keys& operator=(const Keys&) = delete;
    ~Keys() {
        EVP_PKEY_free(privateKey);
        X509_free(certificate);
    }

    QString path;
    QString holder;
    QDateTime notBefore;
    QDateTime notAfter;
    QStringList registrations;
    EVP_PKEY* privateKey = nullptr;
    X509* certificate = nullptr;
    QByteArray der;  // the certificate as KeyInfo/X509Data/X509Certificate carries it, before base64
};

}  // namespace kpv::nfse
