#pragma once

// The application database the filter tests talk to: a fresh database with the real schema and the
// companies, branches, registrations and series the tests name.
#include "db/database_settings.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <vector>

namespace filtertest {

// Company 01 works through branches 0001, 0002, 0004 and 0006, and through EMPRCNTRFIL also with state
// registration 119999999111 / municipal 99990000 / series A2. Company 02 owns branches 0003 and 0005.
inline const QString kEmpresa = QStringLiteral("01");

// The context the dialog's defaults come from in these tests: branch 0001, billing branch 0004, no module
// per branch, processing date 2026-03-17 for every branch.
void UseFilterTestContext();
inline const QString kOutraEmpresa = QStringLiteral("02");

struct Client {
    QString code;
    QString kind;    // IDTPIJURCLIE
    QString number;  // NRINSJURCLIE, digits; empty for the foreign client
    QString name;
};
inline const Client kClienteJuridico{"C001", "J", "12345678000195", "Cliente Exemplo Ltda"};
inline const Client kClienteFisico{"C002", "F", "12345678909", "Maria Silva"};
inline const Client kClienteEstrangeiro{"C003", "E", "", "Overseas Services Inc."};

// Company 01's service invoices. Unless on branch 0002 (registrations 244123456119 / 87654321, series B1)
// they are on branch 0001's registrations 110042490114 / 12345678 and series A1. Exit dates around the
// filter's default range, 1 to 17 March 2026.
struct Invoice {
    QString branch;
    QString entry;  // NRLANCTONF
    const Client* client;
    QString direction;
    QString operationType;
    QDate exit;
    QString emission;      // IDEMISSAORPS
    QString transmission;  // IDTRANSMISRPS
};
inline const std::vector<Invoice> kInvoices = {
    {"0001", "0000000001", &kClienteJuridico, "S", "01", QDate(2026, 3, 2), "1", "1"},
    {"0001", "0000000002", &kClienteFisico, "S", "05", QDate(2026, 3, 5), "2", "1"},
    {"0001", "0000000003", &kClienteJuridico, "S", "01", QDate(2026, 3, 10), "3", "4"},
    {"0001", "0000000004", &kClienteEstrangeiro, "S", "05", QDate(2026, 3, 17), "1", "1"},
    {"0001", "0000000005", &kClienteFisico, "S", "01", QDate(2026, 3, 18), "1", "1"},
    {"0001", "0000000006", &kClienteJuridico, "E", "01", QDate(2026, 3, 3), "1", "1"},
    {"0002", "0000000007", &kClienteJuridico, "S", "01", QDate(2026, 3, 4), "1", "1"},
    {"0001", "0000000008", &kClienteFisico, "S", "09", QDate(2026, 3, 1), "2", "3"},
};

// Creates the database the settings name (schema included), fills it and returns the open connection.
QSqlDatabase CreateFilterDatabase(const kpv::db::DatabaseSettings& settings, const QString& connectionName);

}  // namespace filtertest
