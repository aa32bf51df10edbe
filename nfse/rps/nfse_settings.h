#pragma once

#include "nfse/dps.h"
#include "nfse/signature_algorithm.h"

#include <QMap>
#include <QString>

namespace kpv::settings {
class SettingsFile;
}

namespace kpv::nfse {

// A branch's A1 certificate as the configuration names it.
struct CertificateFile {
    QString path;  // absolute
    QString password;
};

// The [nfse] group of kpv.ini, read by the application server and by kpv-nfse.
struct NfseSettings {
    Environment environment = Environment::RestrictedProduction;
    SignatureAlgorithm signatureAlgorithm = SignatureAlgorithm::RsaSha1;
    QMap<QString, CertificateFile> certificates;  // by branch code, four wide
};

// Reads and checks the group: environment 1 or 2, signatureAlgorithm rsa-sha1 or rsa-sha256,
// certificate.<branch> (relative paths from the file's folder) and certificatePassword.<branch>.
// Throws settings::ConfigurationError.
NfseSettings ReadNfseSettings(const settings::SettingsFile& file);

}  // namespace kpv::nfse
