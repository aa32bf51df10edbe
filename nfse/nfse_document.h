#pragma once

#include "nfse/dps.h"

#include <QByteArray>
#include <QString>

// The NFS-e the national environment returns for a DPS (NFSe_v1.00.xsd), read back.
namespace kpv::nfse {

struct ReceivedNfse {
    QString nNFSe;  // the NFS-e number
    QString dpsId;  // infDPS/@Id of the DPS it was issued from
    Dps dps;        // that DPS's values, to be compared with the ones exported
};

// Parses and validates `document`. Throws NfseError when it is not a schema-valid NFS-e, when its DPS
// holds elements a Dps does not keep, or when the DPS's Id is not the one its values make.
ReceivedNfse ReadNfse(const QByteArray& document);

}  // namespace kpv::nfse
