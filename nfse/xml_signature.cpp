#include "nfse/xml_signature.h"

#include "nfse/certificate_p.h"
#include "nfse/nfse_error.h"
#include "nfse/xml_libraries.h"
#include "nfse/xml_tree.h"

#include <libxml/valid.h>
#include <xmlsec/keys.h>
#include <xmlsec/openssl/evp.h>
#include <xmlsec/strings.h>
#include <xmlsec/xmldsig.h>

#include <memory>

namespace kpv::nfse {

namespace {

const xmlChar* Text(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

void AddAlgorithm(xmlNode* parent, const xmlChar* name, const xmlChar* algorithm) {
    xmlNewProp(xmlNewChild(parent, parent->ns, name, nullptr), xmlSecAttrAlgorithm, algorithm);
}

// The template xmlsec1 fills in: every element the xmldsig schema asks for, in its order, and nothing
// between them, so that the signed bytes are exactly the ones that travel.
xmlNode* AppendTemplate(xmlNode* parent, const QByteArray& id, const Certificate& certificate,
                        SignatureAlgorithm algorithm) {
    const bool sha1 = algorithm == SignatureAlgorithm::RsaSha1;
    xmlNode* signature = xmlNewChild(parent, nullptr, xmlSecNodeSignature, nullptr);
    xmlSetNs(signature, xmlNewNs(signature, xmlSecDSigNs, nullptr));
    xmlNode* signedInfo = xmlNewChild(signature, signature->ns, xmlSecNodeSignedInfo, nullptr);
    AddAlgorithm(signedInfo, xmlSecNodeCanonicalizationMethod, xmlSecHrefC14N);
    AddAlgorithm(signedInfo, xmlSecNodeSignatureMethod, sha1 ? xmlSecHrefRsaSha1 : xmlSecHrefRsaSha256);
    xmlNode* reference = xmlNewChild(signedInfo, signature->ns, xmlSecNodeReference, nullptr);
    const QByteArray uri = '#' + id;
    xmlNewProp(reference, xmlSecAttrURI, Text(uri.constData()));
    xmlNode* transforms = xmlNewChild(reference, signature->ns, xmlSecNodeTransforms, nullptr);
    AddAlgorithm(transforms, xmlSecNodeTransform, xmlSecHrefEnveloped);
    AddAlgorithm(transforms, xmlSecNodeTransform, xmlSecHrefC14N);
    AddAlgorithm(reference, xmlSecNodeDigestMethod, sha1 ? xmlSecHrefSha1 : xmlSecHrefSha256);
    xmlNewChild(reference, signature->ns, xmlSecNodeDigestValue, nullptr);
    xmlNewChild(signature, signature->ns, xmlSecNodeSignatureValue, nullptr);
    xmlNode* keyInfo = xmlNewChild(signature, signature->ns, xmlSecNodeKeyInfo, nullptr);
    xmlNode* x509Data = xmlNewChild(keyInfo, signature->ns, xmlSecNodeX509Data, nullptr);
    xmlNewTextChild(x509Data, signature->ns, xmlSecNodeX509Certificate,
                    Text(certificate.keys().der.toBase64().constData()));
    return signature;
}

// The signing key for one signature: the certificate's key shared, not copied. The certificate itself
// is already in the template, so xmlsec1 is given no X509 data to write a second time.
xmlSecKey* SigningKey(const Certificate& certificate) {
    EVP_PKEY* shared = certificate.keys().privateKey;
    EVP_PKEY_up_ref(shared);
    xmlSecKeyData* data = xmlSecOpenSSLEvpKeyAdopt(shared);
    if (data == nullptr) {
        EVP_PKEY_free(shared);
        return nullptr;
    }
    xmlSecKey* key = xmlSecKeyCreate();
    if (key == nullptr || xmlSecKeySetValue(key, data) < 0) {
        xmlSecKeyDataDestroy(data);
        if (key != nullptr) xmlSecKeyDestroy(key);
        return nullptr;
    }
    return key;
}

}  // namespace

void SignEnveloped(xmlNode* element, const Certificate& certificate, SignatureAlgorithm algorithm) {
    EnsureXmlLibraries();
    TakeXmlSecurityErrors();
    const QByteArray id = xml::Attribute(element, "Id").toUtf8();
    // Without a DTD nothing says Id is an ID; the reference "#Id" resolves only once it is registered.
    if (xmlGetID(element->doc, Text(id.constData())) == nullptr)
        xmlAddID(nullptr, element->doc, Text(id.constData()), xmlHasProp(element, Text("Id")));
    xmlNode* signature = AppendTemplate(element->parent, id, certificate, algorithm);

    std::unique_ptr<xmlSecDSigCtx, decltype(&xmlSecDSigCtxDestroy)> context(xmlSecDSigCtxCreate(nullptr),
                                                                            &xmlSecDSigCtxDestroy);
    if (context) {
        context->enabledReferenceUris = xmlSecTransformUriTypeSameDocument;
        context->signKey = SigningKey(certificate);
    }
    if (!context || context->signKey == nullptr || xmlSecDSigCtxSign(context.get(), signature) < 0 ||
        context->status != xmlSecDSigStatusSucceeded) {
        const QString reason = TakeXmlSecurityErrors() + TakeOpenSslErrors();
        throw NfseError(QStringLiteral("O elemento %1 não pôde ser assinado com o certificado %2: %3")
                            .arg(xml::Path(element), certificate.path(), reason));
    }
}

}  // namespace kpv::nfse
