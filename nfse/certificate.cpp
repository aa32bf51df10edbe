#include "nfse/certificate.h"

#include "nfse/certificate_p.h"
#include "nfse/nfse_error.h"
#include "nfse/xml_libraries.h"

#include <QFile>

#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/x509v3.h>

#include <ctime>

namespace kpv::nfse {

namespace {

// ICP-Brasil's otherNames: the legal person's CNPJ, and the natural person's data with the CPF after the
// date of birth (DDMMAAAA).
constexpr const char* kOtherNameCnpj = "2.16.76.1.3.3";
constexpr const char* kOtherNameCpfData = "2.16.76.1.3.1";
constexpr int kCpfDataBirthDate = 8;

bool IsRegistration(const QString& text) {
    if (text.size() != 14 && text.size() != 11) return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

QString AsnText(const ASN1_STRING* text) {
    return QString::fromUtf8(reinterpret_cast<const char*>(ASN1_STRING_get0_data(text)),
                             ASN1_STRING_length(text));
}

QDateTime AsnTime(const ASN1_TIME* time) {
    std::tm t{};
    if (ASN1_TIME_to_tm(time, &t) != 1) return {};
    return QDateTime(QDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday), QTime(t.tm_hour, t.tm_min, t.tm_sec),
                     Qt::UTC);
}

QString CommonName(X509* certificate) {
    const X509_NAME* subject = X509_get_subject_name(certificate);
    const int index = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    if (index < 0) return {};
    return AsnText(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));
}

// The otherName's value, whichever string type the authority chose for it.
QString OtherNameText(const OTHERNAME* other) {
    switch (other->value->type) {
        case V_ASN1_OCTET_STRING:
        case V_ASN1_PRINTABLESTRING:
        case V_ASN1_UTF8STRING:
        case V_ASN1_IA5STRING:
        case V_ASN1_VISIBLESTRING:
            return AsnText(other->value->value.asn1_string);
        default:
            return {};
    }
}

QStringList Registrations(X509* certificate, const QString& holder) {
    QStringList found;
    const auto add = [&found](const QString& registration) {
        if (IsRegistration(registration) && !found.contains(registration)) found << registration;
    };
    const qsizetype colon = holder.lastIndexOf(u':');
    if (colon >= 0) add(holder.mid(colon + 1));
    auto* names =
        static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; i < sk_GENERAL_NAME_num(names); ++i) {
        const GENERAL_NAME* name = sk_GENERAL_NAME_value(names, i);
        if (name->type != GEN_OTHERNAME) continue;
        char oid[80];
        OBJ_obj2txt(oid, sizeof oid, name->d.otherName->type_id, 1);
        const QString value = OtherNameText(name->d.otherName);
        if (qstrcmp(oid, kOtherNameCnpj) == 0) add(value.left(14));
        if (qstrcmp(oid, kOtherNameCpfData) == 0) add(value.mid(kCpfDataBirthDate, 11));
    }
    GENERAL_NAMES_free(names);
    return found;
}

QByteArray Der(X509* certificate) {
    unsigned char* der = nullptr;
    const int size = i2d_X509(certificate, &der);
    QByteArray bytes(reinterpret_cast<const char*>(der), size);
    OPENSSL_free(der);
    return bytes;
}

}  // namespace

Certificate Certificate::FromPkcs12(const QString& path, const QString& password) {
    EnsureXmlLibraries();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw NfseError(
            QStringLiteral("O certificado %1 não pôde ser lido: %2.").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();

    ERR_clear_error();
    const unsigned char* cursor = reinterpret_cast<const unsigned char*>(bytes.constData());
    std::unique_ptr<PKCS12, decltype(&PKCS12_free)> sealed(d2i_PKCS12(nullptr, &cursor, long(bytes.size())),
                                                           &PKCS12_free);
    if (!sealed)
        throw NfseError(
            QStringLiteral("O arquivo %1 não é um certificado PKCS#12 (.pfx ou .p12).").arg(path));
    const QByteArray secret = password.toUtf8();
    // An empty password may have been sealed as no password at all.
    const char* pass = secret.constData();
    if (PKCS12_verify_mac(sealed.get(), pass, -1) != 1) {
        if (!secret.isEmpty() || PKCS12_verify_mac(sealed.get(), nullptr, 0) != 1)
            throw NfseError(QStringLiteral("A senha do certificado %1 não confere.").arg(path));
        pass = nullptr;
    }

    auto keys = std::make_shared<Keys>();
    keys->path = path;
    STACK_OF(X509)* chain = nullptr;
    const int opened = PKCS12_parse(sealed.get(), pass, &keys->privateKey, &keys->certificate, &chain);
    sk_X509_pop_free(chain, X509_free);
    if (opened != 1)
        throw NfseError(
            QStringLiteral("O certificado %1 não pôde ser aberto: %2.").arg(path, TakeOpenSslErrors()));
    if (keys->privateKey == nullptr || keys->certificate == nullptr)
        throw NfseError(
            QStringLiteral("O arquivo %1 não traz um certificado com a sua chave privada.").arg(path));
    if (EVP_PKEY_get_base_id(keys->privateKey) != EVP_PKEY_RSA)
        throw NfseError(
            QStringLiteral("A chave do certificado %1 não é RSA, e a DPS é assinada com RSA.").arg(path));
    if (X509_check_private_key(keys->certificate, keys->privateKey) != 1)
        throw NfseError(
            QStringLiteral("A chave privada do arquivo %1 não é a do seu certificado.").arg(path));
    ERR_clear_error();

    keys->holder = CommonName(keys->certificate);
    keys->notBefore = AsnTime(X509_get0_notBefore(keys->certificate));
    keys->notAfter = AsnTime(X509_get0_notAfter(keys->certificate));
    keys->registrations = Registrations(keys->certificate, keys->holder);
    keys->der = Der(keys->certificate);
    return Certificate(std::move(keys));
}

QString Certificate::path() const {
    return keys_->path;
}

QString Certificate::holder() const {
    return keys_->holder;
}

QDateTime Certificate::notBefore() const {
    return keys_->notBefore;
}

QDateTime Certificate::notAfter() const {
    return keys_->notAfter;
}

QStringList Certificate::registrations() const {
    return keys_->registrations;
}

}  // namespace kpv::nfse
