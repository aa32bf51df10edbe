#pragma once

// The emission screen's statement: the company of the strip, or every company for the lookup.
#include "emission/query_statements.h"

namespace Cli_kpv41000::statements {

// The same text for every database.
inline const TQueryStatements qryEmpresa = [] {
    const QStringList text = {
        QStringLiteral("SELECT E.CDEMPRESA,   E.NMRAZSOCEMPR, E.CDCENTCUST"),
        QStringLiteral("FROM EMPRESA E"),
        QStringLiteral("WHERE (E.CDEMPRESA = :P_CDEMPRESA OR :P_TCDEMPRESA = 'T')"),
        QStringLiteral("ORDER BY CDEMPRESA"),
    };
    return TQueryStatements{.SQL = text, .SQL_ORACLE = text, .SQL_MSSQL = text, .SQL_IB = text};
}();

}  // namespace Cli_kpv41000::statements
