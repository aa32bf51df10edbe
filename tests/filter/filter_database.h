#pragma once

// The application database the filter tests talk to: a fresh database with the real schema and the
// companies, branches, registrations and series the tests name.
#include "db/database_settings.h"

#include <QSqlDatabase>
#include <QString>

namespace filtertest {

// Company 01 works through branches 0001, 0002, 0004 and 0006, and through EMPRCNTRFIL also with state
// registration 119999999111 / municipal 99990000 / series A2. Company 02 owns branches 0003 and 0005.
inline const QString kEmpresa = QStringLiteral("01");
inline const QString kOutraEmpresa = QStringLiteral("02");

// Creates the database the settings name (schema included), fills it and returns the open connection.
QSqlDatabase CreateFilterDatabase(const kpv::db::DatabaseSettings& settings, const QString& connectionName);

}  // namespace filtertest
