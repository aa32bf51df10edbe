#pragma once

#include "nfse/certificate.h"
#include "nfse/signature_algorithm.h"

#include <libxml/tree.h>

namespace kpv::nfse {

// Signs `element` by its Id attribute with an enveloped XML-DSig signature (inclusive C14N 2001, the
// enveloped-signature transform, the signer's certificate in KeyInfo/X509Data), appended to the element's
// parent after its last child. Throws NfseError with xmlsec1's reason.
void SignEnveloped(xmlNode* element, const Certificate& certificate, SignatureAlgorithm algorithm);

}  // namespace kpv::nfse
