#pragma once

#include "protocol/invoice_status.h"

#include <QString>

#include <unordered_map>
#include <utility>
#include <vector>

namespace kpv::db {
class Connection;
}

namespace kpv::server {

// Where a municipality records no deadline of its own, an issued RPS must become an NFS-e within this.
inline constexpr int kDefaultConversionDays = 10;

// The invoice as the RPS methods need it, read inside their transaction.
struct InvoiceState {
    bool found = false;
    QString company;
    QString municipalRegistration;
    QString series;
    QString idEmissao;
    QString idTransmissao;
    QString rpsSeries;  // the invoice's own while an RPS stands, else its series'
    QString rpsNumber;
    bool counted = false;  // the RPS series has a counter for the registration
    int conversionDays = kDefaultConversionDays;

    protocol::InvoiceStatus status() const { return {idEmissao, idTransmissao}; }
    // The RPS the invoice stands with (series, number); empty while it has none.
    std::pair<QString, QString> standingRps() const;
    // The RPS counter an issue would take ("company|registration|series"); empty when it would take none.
    QString counter() const;
};

// One invoice (branch, entry).
InvoiceState ReadInvoiceState(db::Connection& db, const QString& branch, const QString& entry);

// The invoices of a group of writes, read in one statement ahead of the calls. Each state is taken once:
// a second call about the same invoice reads what the first one wrote.
class InvoicesReadAhead {
  public:
    using Invoice = std::pair<QString, QString>;  // branch, entry

    // Reads the invoices in the caller's transaction, in place of what was read before.
    void read(db::Connection& db, const std::vector<Invoice>& invoices);
    // The state read for the invoice; null when it was not found ahead, or was taken.
    const InvoiceState* find(const Invoice& invoice) const;
    // Moves the invoice's state into `state`; false when there is none to take.
    bool take(const Invoice& invoice, InvoiceState& state);

  private:
    struct Hash {
        std::size_t operator()(const Invoice& i) const { return qHash(i.first) ^ (qHash(i.second) << 1); }
    };
    std::unordered_map<Invoice, InvoiceState, Hash> states_;
};

}  // namespace kpv::server
