#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace kpv::server {

// The eleven arguments of GetNotaFiscal, read: which of the company's service invoices to list.
struct InvoiceFilter {
    QString branch;                 // empty: every branch of the company
    bool allOperationTypes = true;  // argument 2 was "T"
    QStringList operationTypes;     // type codes of the keys in argument 2 that have the direction asked for
    QString company;
    QString stateRegistration;      // empty: any
    QString municipalRegistration;  // empty: any
    QString series;                 // empty: any
    bool allClients = true;         // argument 7 was "T"
    QString clientDigits;           // the client's registration number, digits only
    QDate firstExitDate;
    QDate lastExitDate;
    QString direction;       // "S" or "E"
    QStringList situations;  // IDEMISSAORPS codes; empty selects nothing

    // True when no invoice can match, so the database need not be asked.
    bool selectsNothing() const;
};

// Reads the eleven arguments: texts, with QDate values at positions 8 and 9 (1-based). Throws ServerFault
// (invalid_argument) for an operation-type list, direction or situation list the server cannot read.
InvoiceFilter ReadInvoiceFilter(const QVariantList& args);

// The digits of a registration number as the client field shows it ("12.345.678/0001-95" → digits).
QString RegistrationDigits(const QString& text);

}  // namespace kpv::server
