#pragma once

#include <QSqlDatabase>
#include <QString>

// A real SQLite application database holding one company, its branch and three service invoices: two
// with their RPS issued (a company as taker, a person as taker) and one not issued yet.
namespace reporttest {

QSqlDatabase CreateReportDatabase(const QString& fileName, const QString& connectionName);

}  // namespace reporttest
