#pragma once

#include "nfse/rps/issued_rps.h"
#include "nfse/rps/rps_dps.h"

#include <QString>

#include <functional>

namespace kpv::db {
class Connection;
}

namespace kpv::nfse {

class DpsSigner;

// What an export says while it runs, in the order of the RPS.
struct ExportEvents {
    std::function<void(const QString& file, const IssuedRps& rps)> written;
    std::function<void(const IssuedRps& rps, const QString& why)> failed;
    std::function<void(qsizetype done, qsizetype total)> progress;
};

struct ExportSummary {
    qsizetype written = 0;
    qsizetype failed = 0;
};

// Writes the signed DPS of every RPS of the selection into `folder` as <Id>.xml and records each export
// (DPSEXPORTADA). Signing runs on every core; files are written and recorded in RPS order, a file always
// before its record: a crash leaves no record without its file, and a file without its record is written
// again, the same bytes, by the next export. An RPS that cannot make its DPS is told and the others go on.
// Throws NfseError when the folder cannot be used and db::DatabaseError when the database fails.
ExportSummary ExportDps(db::Connection& connection, const DpsSigner& signer, const RpsSelection& selection,
                        const QString& folder, const ExportEvents& events);

}  // namespace kpv::nfse
