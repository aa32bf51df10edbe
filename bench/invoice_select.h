#pragma once

#include "protocol/methods.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

// What the benchmarks ask for: the outgoing invoices of the company, state and municipal registration and
// series that have the most of them, over all their exit dates, every operation type and RPS situation.
namespace bench {

struct InvoiceSelection {
    QString company;
    QString ie;
    QString im;
    QString serie;
    QDate first;
    QDate last;
    int rows = 0;
};

InvoiceSelection LargestSelection(QSqlDatabase db);

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
