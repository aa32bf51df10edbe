#pragma once

#include "nfse/rps/issued_rps.h"

#include <QList>
#include <QString>

namespace kpv::db {
class Connection;
}

namespace kpv::nfse {

// Where the issued RPS of a company (or of all) stand on their way to an NFS-e.
struct NfseStatus {
    qsizetype toExport = 0;      // issued, not transmitted, no DPS exported yet
    qsizetype awaitingNfse = 0;  // DPS exported, RPS standing, no NFS-e read back
    qsizetype nfseReceived = 0;  // NFS-e read back
    struct Cancelled {
        QString id;  // the DPS exported, which must not be sent
        IssuedRps rps;
    };
    QList<Cancelled> cancelledAfterExport;
};

// `company` empty: every company. Throws db::DatabaseError.
NfseStatus ReadNfseStatus(db::Connection& connection, const QString& company);

}  // namespace kpv::nfse
