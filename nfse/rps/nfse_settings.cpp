#include "nfse/rps/nfse_settings.h"

#include "settings/branch_code.h"
#include "settings/settings_file.h"

namespace kpv::nfse {

namespace {

const QString kGroup = QStringLiteral("nfse");
const QString kCertificate = QStringLiteral("certificate.");
const QString kPassword = QStringLiteral("certificatePassword.");

QString branchOf(const settings::SettingsFile& file, const QString& key, const QString& prefix) {
    const std::optional<QString> branch = settings::BranchCode(key.mid(prefix.size()));
    if (!branch)
        file.invalid(kGroup, key,
                     QStringLiteral("a chave leva o código da filial, de 1 a 4 dígitos: ") + prefix +
                         QStringLiteral("0001"));
    return *branch;
}

}  // namespace

NfseSettings ReadNfseSettings(const settings::SettingsFile& file) {
    NfseSettings s;
    // The configuration names an environment by its tpAmb code.
    const auto code = [](Environment e) { return QString::number(static_cast<int>(e)); };
    const QString environment =
        file.text(kGroup, QStringLiteral("environment"), code(Environment::RestrictedProduction));
    if (environment == code(Environment::Production))
        s.environment = Environment::Production;
    else if (environment != code(Environment::RestrictedProduction))
        file.invalid(kGroup, QStringLiteral("environment"),
                     QStringLiteral("esperado 1, produção, ou 2, produção restrita"));
    const QString algorithm = file.text(kGroup, QStringLiteral("signatureAlgorithm"),
                                        SignatureAlgorithmName(SignatureAlgorithm::RsaSha1));
    const std::optional<SignatureAlgorithm> named = SignatureAlgorithmNamed(algorithm);
    if (!named)
        file.invalid(kGroup, QStringLiteral("signatureAlgorithm"),
                     QStringLiteral("use rsa-sha1 ou rsa-sha256"));
    s.signatureAlgorithm = *named;

    QMap<QString, QString> passwords;
    for (const QString& key : file.keys(kGroup)) {
        if (key.startsWith(kCertificate)) {
            const QString path = file.path(kGroup, key);
            if (path.isEmpty())
                file.invalid(kGroup, key, QStringLiteral("esperado o arquivo PKCS#12 da filial"));
            s.certificates[branchOf(file, key, kCertificate)].path = path;
        } else if (key.startsWith(kPassword)) {
            passwords.insert(branchOf(file, key, kPassword), key);
        }
    }
    for (auto p = passwords.cbegin(); p != passwords.cend(); ++p) {
        // Said without its value: a password has no place on a terminal.
        if (!s.certificates.contains(p.key()))
            throw settings::ConfigurationError(
                QStringLiteral("configuração inválida: [nfse] %1 (senha sem certificado: falta %2%3)")
                    .arg(p.value(), kCertificate, p.key()));
        s.certificates[p.key()].password = file.text(kGroup, p.value());
    }
    return s;
}

}  // namespace kpv::nfse
