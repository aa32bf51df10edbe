#pragma once

#include <QString>

// An A1-like certificate for a test, made at run time with the openssl command: RSA 2048, self-signed,
// sealed in a PKCS#12 file as an ICP-Brasil authority would hand it over.
struct TestCertificateRequest {
    QString commonName;     // ICP-Brasil writes "NAME:CNPJ"
    QString otherNameCnpj;  // subjectAltName otherName 2.16.76.1.3.3; empty for none
    int days = 30;          // valid from now on
    QString password = QStringLiteral("kpv-teste");
    bool legacySeal = false;  // RC2/3DES, as older tools (and many A1 files in use) seal them
};

struct TestCertificate {
    QString pkcs12;  // the .pfx
    QString pem;     // the certificate alone, for xmlsec1 --trusted-pem
    QString password;
};

// Writes `name`.pfx and `name`.pem into `folder`. False with openssl's output in `error`.
bool MakeTestCertificate(const QString& folder, const QString& name, const TestCertificateRequest& request,
                         TestCertificate* made, QString* error);
