#pragma once

#include "nfse/rps/issued_rps.h"
#include "nfse/rps/rps_dps.h"

#include <QByteArray>
#include <QString>

namespace kpv::db {
class Connection;
}

namespace kpv::nfse {

struct ImportedNfse {
    QString nNFSe;
    IssuedRps rps;
    bool already = false;  // the same NFS-e had been imported before: nothing changed
};

// Reads an NFS-e back (NFSe_v1.00.xsd) and records it against the RPS whose exported DPS it carries: the
// invoice gets its number (NRNOTAFISCSE) and the transmission code "2", in one transaction with the NFS-e's
// own record (NFSERECEBIDA). The DPS inside must be the one the database gives for the RPS now (`origin`:
// the configured environment). Throws NfseError, nothing changed, for a document that is no valid NFS-e,
// for a DPS this system did not export, for an RPS cancelled since, for values that differ and for an RPS
// that already has another NFS-e; db::DatabaseError when the database fails.
ImportedNfse ImportNfse(db::Connection& connection, const QByteArray& document, const DpsOrigin& origin);

}  // namespace kpv::nfse
