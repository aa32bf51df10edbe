#include "nfse/xml_libraries.h"

#include "nfse/nfse_error.h"

#include <libxml/parser.h>
#include <openssl/err.h>
#include <openssl/provider.h>
#include <xmlsec/base64.h>
#include <xmlsec/errors.h>
#include <xmlsec/openssl/app.h>
#include <xmlsec/openssl/crypto.h>
#include <xmlsec/xmlsec.h>

#include <mutex>

namespace kpv::nfse {

namespace {

thread_local QString xmlSecurityErrors;

void CollectXmlSecurityError(const char* /*file*/, int /*line*/, const char* func,
                             const char* /*errorObject*/, const char* /*errorSubject*/, int /*reason*/,
                             const char* msg) {
    if (!xmlSecurityErrors.isEmpty()) xmlSecurityErrors += QStringLiteral("; ");
    xmlSecurityErrors += QString::fromUtf8(func != nullptr ? func : "xmlsec") + QStringLiteral(": ") +
                         QString::fromUtf8(msg != nullptr ? msg : "");
}

// Set once by Start(), read only afterwards.
bool startFailed = false;
QString startFailure;

// Many A1 certificates are still sealed with RC2, which OpenSSL 3 keeps in its legacy provider. It is loaded
// beside the default one (which still loads by itself) and unloaded as the process ends, before OpenSSL's
// own clean-up, which would leave the provider's context behind; nothing signs with its algorithms.
class LegacyProvider {
  public:
    LegacyProvider() : provider_(OSSL_PROVIDER_try_load(nullptr, "legacy", 1)) {}
    ~LegacyProvider() {
        if (provider_ != nullptr) OSSL_PROVIDER_unload(provider_);
    }
    LegacyProvider(const LegacyProvider&) = delete;
    LegacyProvider& operator=(const LegacyProvider&) = delete;

  private:
    OSSL_PROVIDER* provider_;
};

void Start() {
    xmlInitParser();
    static const LegacyProvider legacy;
    ERR_clear_error();
    if (xmlSecInit() < 0) {
        startFailed = true;
        return;
    }
    xmlSecErrorsSetCallback(CollectXmlSecurityError);
    if (xmlSecCheckVersion() != 1 || xmlSecOpenSSLAppInit(nullptr) < 0 || xmlSecOpenSSLInit() < 0) {
        startFailed = true;
        startFailure = TakeXmlSecurityErrors();
        return;
    }
    // Base64 on one line, as the national standard's examples write SignatureValue.
    xmlSecBase64SetDefaultLineSize(0);
}

}  // namespace

void EnsureXmlLibraries() {
    static std::once_flag started;
    std::call_once(started, Start);
    if (startFailed)
        throw NfseError(QStringLiteral("A biblioteca de assinatura XML (xmlsec1) não pôde ser iniciada: %1")
                            .arg(startFailure));
}

QString TakeXmlSecurityErrors() {
    QString errors;
    errors.swap(xmlSecurityErrors);
    return errors;
}

QString TakeOpenSslErrors() {
    QString errors;
    char text[256];
    for (unsigned long code = ERR_get_error(); code != 0; code = ERR_get_error()) {
        ERR_error_string_n(code, text, sizeof text);
        if (!errors.isEmpty()) errors += QStringLiteral("; ");
        errors += QString::fromUtf8(text);
    }
    return errors;
}

}  // namespace kpv::nfse
