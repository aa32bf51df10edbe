#pragma once

#include "nfse/dps.h"
#include "nfse/rps/issued_rps.h"

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

namespace kpv::db {
class Connection;
}

// An issued RPS and its invoice, branch, company, client and municipality rows, read through the server's
// own connections, mapped onto the DPS of the national layout: the RPS is the DPS's identity, so the same
// RPS always makes the same document.
namespace kpv::nfse {

// What a DPS takes from outside the database: tpAmb, from the configuration, and verAplic.
struct DpsOrigin {
    Environment environment = Environment::RestrictedProduction;
    QString verAplic = ModuleVersion();

    // "KPV41000 1.0": the module and its version.
    static QString ModuleVersion();
};

// One RPS with its DPS, or the reason its rows cannot make one.
struct RpsDps {
    IssuedRps rps;
    QString transmission;  // IDTRANSMISRPS of the invoice
    QString nfseNumber;    // NRNOTAFISCSE of the invoice, when it has one
    std::optional<Dps> dps;
    QString refusal;
};

// The RPS an export takes: issued and not cancelled, their invoice not transmitted.
struct RpsSelection {
    QString company;           // empty: every company
    QDate from;                // first day of issue; invalid: from the first
    QDate to;                  // last day of issue; invalid: to the last
    bool exportedToo = false;  // those exported before as well
};

// The RPS of the selection in ledger order (company, municipal registration, series, number), each mapped
// onto its DPS, read by one statement. Throws db::DatabaseError.
std::vector<RpsDps> ReadRpsToExport(db::Connection& connection, const RpsSelection& selection,
                                    const DpsOrigin& origin);

// The RPS that stands for the invoice (issued and not cancelled), mapped onto its DPS; nothing when no RPS
// stands for it. Throws db::DatabaseError.
std::optional<RpsDps> ReadStandingRps(db::Connection& connection, const QString& branch, const QString& entry,
                                      const DpsOrigin& origin);

}  // namespace kpv::nfse
