#pragma once

#include <QDate>
#include <QSqlDatabase>

#include <cstdint>

namespace kpv::demo {

struct DemoOptions {
    int invoices = 5000;
    std::uint64_t seed = 1;
    QDate until;  // the last exit date; the invoices cover the year before it
};

struct DemoSummary {
    int companies = 0;
    int branches = 0;
    int clients = 0;
    int invoices = 0;
    int rpsIssued = 0;  // ledger rows, cancelled ones included
    int rpsCancelled = 0;
};

// Replaces the whole content of the application database with demo data: a few companies with
// branches, registrations and series, clients of both kinds of person, operation types in both
// directions and `invoices` service invoices in every RPS situation, with their RPS ledger and
// counters. The same options give the same rows. Runs in one transaction; throws DatabaseError.
DemoSummary GenerateDemoData(QSqlDatabase& db, const DemoOptions& options);

}  // namespace kpv::demo
