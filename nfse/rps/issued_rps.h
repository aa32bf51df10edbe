#pragma once

#include <QLatin1String>
#include <QString>

namespace kpv::nfse {

// IDSITRPS, where an RPS of the ledger stands: issued, its number standing for its invoice, or cancelled.
inline constexpr QLatin1String kLedgerIssued{"E"};
inline constexpr QLatin1String kLedgerCancelled{"C"};

// An RPS as the ledger (RPSEMITIDO) keeps it: its number within the company's municipal registration and
// RPS series, and the invoice it was issued for.
struct IssuedRps {
    QString company;
    QString municipalRegistration;
    QString series;
    qint64 number = 0;
    QString branch;
    QString entry;

    // "RPS série 1 nº 519 (filial 0001, lançamento 0000000042)", as every message names it.
    QString describe() const;
};

}  // namespace kpv::nfse
