#pragma once

#include <QString>

// libxml2, OpenSSL and xmlsec1 are set up once per process, whichever thread comes first; afterwards each
// thread works on documents and contexts of its own.
namespace kpv::nfse {

// Throws NfseError when xmlsec1 or its OpenSSL backend cannot start.
void EnsureXmlLibraries();

// What xmlsec1 reported on this thread since the last call, for the message of a failure.
QString TakeXmlSecurityErrors();

// OpenSSL's queued errors of this thread, emptied.
QString TakeOpenSslErrors();

}  // namespace kpv::nfse
