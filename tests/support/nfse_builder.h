#pragma once

#include "nfse/certificate.h"

#include <QByteArray>
#include <QString>

// An NFS-e as the national environment returns it for a signed DPS: the DPS untouched inside infNFSe, with
// the fields the schema asks of the city filled with plain test values, signed with `authority`
// (rsa-sha1, the algorithm NFSe_v1.00.xsd fixes). Throws kpv::nfse::NfseError when the DPS cannot be read.
QByteArray BuildNfse(const QByteArray& signedDps, const QString& nNFSe,
                     const kpv::nfse::Certificate& authority);
