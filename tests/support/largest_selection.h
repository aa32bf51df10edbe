#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

// The outgoing invoices of the company, state and municipal registration and series that have the most of
// them, over all their exit dates: the longest list the demo data gives one filter.
struct InvoiceSelection {
    QString company;
    QString ie;
    QString im;
    QString serie;
    QDate first;
    QDate last;
    int rows = 0;
};

// An empty selection (no rows) when the database holds no outgoing invoice.
InvoiceSelection LargestSelection(const QSqlDatabase& db);
