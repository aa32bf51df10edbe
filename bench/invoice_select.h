#pragma once

#include "largest_selection.h"
#include "protocol/methods.h"

#include <QString>
#include <QVariantList>

// What the benchmarks ask for: the largest selection, every operation type and RPS situation.
namespace bench {

// The eleven arguments of GetNotaFiscal for the selection.
kpv::protocol::NotaFiscalArgs NotaFiscalArgsFor(const InvoiceSelection& selection);

// The SELECT the application server runs for GetNotaFiscal, with the values it binds: dates as the
// engine's own timestamps (SQLite texts, Firebird QDateTime).
struct Statement {
    QString sql;
    QVariantList binds;
};
Statement InvoiceStatement(const InvoiceSelection& selection, bool sqlite);
// The same statement with its values written in, for the sqlite3 shell.
QString Inlined(const Statement& statement);

}  // namespace bench
