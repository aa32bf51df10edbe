#pragma once

// The emission screen as the tests and the list benchmark open it, and the filter its refresh repeats.
#include "emission/cli_kpv41000.h"
#include "largest_selection.h"
#include "test_database.h"

// Opens the database for the screens' queries as the host does, from the [database] group of a kpv.ini
// written into `folder`: the connection "dtmDBGeral" of the shared database module. False with the reason
// in `error`.
bool OpenScreensDatabase(const TestDatabase& database, const QString& folder, QString* error);

// Opens the screen through its entry, the company typed in; null when it was not created.
Cli_kpv41000::TfrmEmissaoRPS* OpenEmissionScreen(const QString& company);

// Closes the screen, when one is open, and waits until it is released; false when it is not.
bool CloseEmissionScreen();

// The filter screen, created when there is none, remembers the selection: its registrations, series and
// exit dates, with every operation type and client.
void RememberSelection(const InvoiceSelection& selection);
