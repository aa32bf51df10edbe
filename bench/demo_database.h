#pragma once

#include "test_database.h"

#include <QString>

// Demo databases made by kpv-demodata whose benchmark selection (invoice_select.h) holds about a given
// number of rows. They are kept in a folder across runs: making 300,000 invoices takes a while.
namespace bench {

// The SQLite file for `rows`, made on first use. Dies when kpv-demodata fails.
QString SqliteDemoFile(const QString& folder, int rows);
// How many invoices kpv-demodata must make for the selection to hold `rows`.
int InvoicesFor(const QString& folder, int rows);
// Fills `database` with that many invoices.
void FillDemoData(const TestDatabase& database, int invoices);

}  // namespace bench
