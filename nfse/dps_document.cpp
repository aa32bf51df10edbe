#include "nfse/dps_document.h"

#include "nfse/dps_xml.h"
#include "nfse/nfse_error.h"
#include "nfse/schemas.h"
#include "nfse/xml_signature.h"
#include "nfse/xml_tree.h"

namespace kpv::nfse {

namespace {

struct BuiltDps {
    xml::Document document;
    xmlNode* infDps;
};

// Built and validated: only what the schema accepts is ever signed or serialized.
BuiltDps ValidDocument(const Dps& dps) {
    xml::Document document = xml::NewDocument("DPS", kLayoutNamespace);
    xmlNode* root = xmlDocGetRootElement(document.get());
    xmlNewProp(root, reinterpret_cast<const xmlChar*>("versao"), reinterpret_cast<const xmlChar*>("1.00"));
    xmlNode* infDps = WriteInfDps(root, dps);
    Validate(document.get(), Layout::Dps);
    return {std::move(document), infDps};
}

QString RegistrationText(const std::variant<Cnpj, Cpf>& registration) {
    if (const auto* cnpj = std::get_if<Cnpj>(&registration)) return QStringLiteral("CNPJ ") + cnpj->digits;
    return QStringLiteral("CPF ") + std::get<Cpf>(registration).digits;
}

}  // namespace

void CheckSigner(const Certificate& certificate, const std::variant<Cnpj, Cpf>& registration,
                 const QDateTime& signingTime) {
    const QString dateFormat = QStringLiteral("dd/MM/yyyy HH:mm 'UTC'");
    if (signingTime < certificate.notBefore())
        throw NfseError(QStringLiteral("O certificado %1 só vale a partir de %2.")
                            .arg(certificate.path(), certificate.notBefore().toUTC().toString(dateFormat)));
    if (signingTime > certificate.notAfter())
        throw NfseError(QStringLiteral("O certificado %1 venceu em %2.")
                            .arg(certificate.path(), certificate.notAfter().toUTC().toString(dateFormat)));
    const QString digits = std::visit([](const auto& r) { return r.digits; }, registration);
    if (!certificate.registrations().contains(digits)) {
        const QString issuedTo = certificate.registrations().isEmpty()
                                     ? QStringLiteral("não traz CNPJ nem CPF")
                                     : QStringLiteral("é de %1").arg(certificate.registrations().join(u", "));
        throw NfseError(
            QStringLiteral("O certificado %1 (%2) não é do prestador da DPS, %3: %4.")
                .arg(certificate.path(), certificate.holder(), RegistrationText(registration), issuedTo));
    }
}

QByteArray UnsignedDps(const Dps& dps) {
    return xml::Serialize(ValidDocument(dps).document.get());
}

QByteArray SignedDps(const Dps& dps, const Certificate& certificate, SignatureAlgorithm algorithm,
                     const QDateTime& signingTime) {
    CheckSigner(certificate, dps.prest.registration, signingTime);
    const BuiltDps built = ValidDocument(dps);
    SignEnveloped(built.infDps, certificate, algorithm);
    return xml::Serialize(built.document.get());
}

}  // namespace kpv::nfse
