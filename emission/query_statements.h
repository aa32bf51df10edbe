#pragma once

#include "framework/data/query.h"

#include <QStringList>

namespace Cli_kpv41000 {

// The statements of one of the module's queries, named as the query's properties: the generic one and
// those of each database, line for line; a text left out is empty, and the query then runs the generic one.
// Declared once, beside the screen, so that the tests run and parse these very texts.
struct TQueryStatements {
    QStringList SQL{};
    QStringList SQL_ORACLE{};
    QStringList SQL_MSSQL{};
    QStringList SQL_IB{};
    QStringList SQL_SQLITE{};

    void AssignTo(kpv::data::TADOIBQuery& query) const {
        query.SQL = SQL;
        query.SQL_ORACLE = SQL_ORACLE;
        query.SQL_MSSQL = SQL_MSSQL;
        query.SQL_IB = SQL_IB;
        query.SQL_SQLITE = SQL_SQLITE;
    }
};

}  // namespace Cli_kpv41000
