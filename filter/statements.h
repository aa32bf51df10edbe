#pragma once

// The filter screen's statements: branches, the company's relations, state registrations, series and
// clients. Only the series differs by database; the others run their generic text everywhere.
#include "emission/query_statements.h"

namespace Cli_kpv41100::statements {

using Cli_kpv41000::TQueryStatements;

inline const TQueryStatements qryFilial = {
    .SQL =
        {
            QStringLiteral("SELECT CDFILIAL, NMFILIAL, CDINSCESTA, CDINSCMUNI, CDSERIE"),
            QStringLiteral("FROM FILIAL"),
            QStringLiteral("WHERE (CDFILIAL = :P_CDFILIAL OR :P_TODOS = 'T')"),
            QStringLiteral("ORDER BY CDFILIAL"),
            QStringLiteral(" "),
        },
};

// Every branch, registration and series the company works with; one parameter for both halves.
inline const TQueryStatements qryEmprCntrFil = {
    .SQL =
        {
            QStringLiteral("SELECT CDFILIAL, CDINSCESTA, CDINSCMUNI, CDSERIE"),
            QStringLiteral("FROM EMPRCNTRFIL"),
            QStringLiteral("WHERE CDEMPRESA = :P_CDEMPRESA"),
            QStringLiteral("UNION"),
            QStringLiteral("SELECT CDFILIAL, CDINSCESTA, CDINSCMUNI, CDSERIE"),
            QStringLiteral("FROM FILIAL"),
            QStringLiteral("WHERE CDEMPRESA = :P_CDEMPRESA"),
        },
};

// Only registrations whose municipality is recorded count as registered.
inline const TQueryStatements qryInscrEstad = {
    .SQL =
        {
            QStringLiteral("SELECT I.CDINSCESTA, I.NRSERIECERTIFIC, I.IDTPAMBIENTENFE, I.SGESTADO,"),
            QStringLiteral("       M.CDMUNICIBGE, I.NMREPRINSEST"),
            QStringLiteral("  FROM INSCRESTAD I, MUNICIPIO M"),
            QStringLiteral(" WHERE (M.CDPAIS = I.CDPAIS)"),
            QStringLiteral("   AND (M.SGESTADO = I.SGESTADO)"),
            QStringLiteral("   AND (M.CDMUNICIPIO = I.CDMUNICIPIO)"),
            QStringLiteral("   AND (I.CDEMPRESA  = :P_CDEMPRESA)"),
            QStringLiteral("   AND (I.CDINSCESTA = :P_CDINSCESTA OR :P_TCDINSCESTA = 'T')"),
            QStringLiteral(" ORDER BY I.CDINSCESTA"),
        },
};

// The dialects differ in how they write the outer join to the number control and how a null series
// parameter selects every series; all return the same columns and rows. The generic text is blank:
// each database runs its own statement.
inline const TQueryStatements qrySerieNF = {
    .SQL = {QStringLiteral(" "), QStringLiteral(" ")},
    .SQL_ORACLE =
        {
            QStringLiteral("SELECT S.CDSERIE, S.DSSERIE, S.CDEMPRESA, S.CDINSCESTA, C.DTEMISCTNUNF,"),
            QStringLiteral("       S.CDRELMODENF, S.CDRELESPENF, C.IDCONSDTEMIS, C.IDUTCTRLFORM,"),
            QStringLiteral("       C.CDCTRLNUMENF, C.IDUTLOCAEMIS, C.IDUTFILILCEM, S.IDUTDTPREMIS"),
            QStringLiteral("FROM SERIENF S, CTRLNUMENF C"),
            QStringLiteral("WHERE (S.CDEMPRESA    = :P_CDEMPRESA)      AND"),
            QStringLiteral("      (S.CDINSCESTA   = :P_CDINSCESTA)     AND"),
            QStringLiteral("      (S.CDINSCMUNI   = :P_CDINSCMUNI)     AND"),
            QStringLiteral("      (S.CDCTRLNUMENF = C.CDCTRLNUMENF(+)) AND"),
            QStringLiteral("      (S.CDSERIE    = NVL(:P_CDSERIE, S.CDSERIE))"),
            QStringLiteral("ORDER BY S.CDSERIE"),
            QStringLiteral(" "),
            QStringLiteral(" "),
        },
    .SQL_MSSQL =
        {
            QStringLiteral("SELECT S.CDSERIE, S.DSSERIE, S.CDEMPRESA, S.CDINSCESTA, C.DTEMISCTNUNF,"),
            QStringLiteral("       S.CDRELMODENF, S.CDRELESPENF, C.IDCONSDTEMIS, C.IDUTCTRLFORM,"),
            QStringLiteral("       C.CDCTRLNUMENF, C.IDUTLOCAEMIS, C.IDUTFILILCEM, S.IDUTDTPREMIS"),
            QStringLiteral("FROM SERIENF S LEFT JOIN CTRLNUMENF C"),
            QStringLiteral("                         ON (S.CDCTRLNUMENF = C.CDCTRLNUMENF)"),
            QStringLiteral("WHERE (S.CDEMPRESA    = :P_CDEMPRESA)      AND"),
            QStringLiteral("      (S.CDINSCESTA   = :P_CDINSCESTA)     AND"),
            QStringLiteral("      (S.CDINSCMUNI   = :P_CDINSCMUNI)     AND"),
            QStringLiteral("      (S.CDSERIE    = ISNULL(:P_CDSERIE, S.CDSERIE))"),
            QStringLiteral("ORDER BY S.CDSERIE"),
        },
    .SQL_IB =
        {
            QStringLiteral("SELECT S.CDSERIE, S.DSSERIE, S.CDEMPRESA, S.CDINSCESTA, C.DTEMISCTNUNF,"),
            QStringLiteral("       S.CDRELMODENF, S.CDRELESPENF, C.IDCONSDTEMIS, C.IDUTCTRLFORM,"),
            QStringLiteral("       C.CDCTRLNUMENF, C.IDUTLOCAEMIS, C.IDUTFILILCEM,  S.IDUTDTPREMIS"),
            QStringLiteral("FROM SERIENF S LEFT JOIN CTRLNUMENF C ON (S.CDCTRLNUMENF = C.CDCTRLNUMENF),"),
            QStringLiteral("   PARAM(:P_CDSERIE) P_CDSERIE"),
            QStringLiteral("WHERE (S.CDEMPRESA  = :P_CDEMPRESA)  AND"),
            QStringLiteral("      (S.CDINSCESTA = :P_CDINSCESTA) AND"),
            QStringLiteral("      (S.CDINSCMUNI = :P_CDINSCMUNI) AND"),
            QStringLiteral("      (S.CDSERIE    = NVLSTR(P_CDSERIE.PARAM, S.CDSERIE))"),
            QStringLiteral("ORDER BY S.CDSERIE"),
            QStringLiteral(" "),
            QStringLiteral(" "),
            QStringLiteral(" "),
        },
    .SQL_SQLITE =
        {
            QStringLiteral("SELECT S.CDSERIE, S.DSSERIE, S.CDEMPRESA, S.CDINSCESTA, C.DTEMISCTNUNF,"),
            QStringLiteral("       S.CDRELMODENF, S.CDRELESPENF, C.IDCONSDTEMIS, C.IDUTCTRLFORM,"),
            QStringLiteral("       C.CDCTRLNUMENF, C.IDUTLOCAEMIS, C.IDUTFILILCEM, S.IDUTDTPREMIS"),
            QStringLiteral("FROM SERIENF S LEFT JOIN CTRLNUMENF C ON (S.CDCTRLNUMENF = C.CDCTRLNUMENF)"),
            QStringLiteral("WHERE (S.CDEMPRESA    = :P_CDEMPRESA)      AND"),
            QStringLiteral("      (S.CDINSCESTA   = :P_CDINSCESTA)     AND"),
            QStringLiteral("      (S.CDINSCMUNI   = :P_CDINSCMUNI)     AND"),
            QStringLiteral("      (S.CDSERIE    = COALESCE(:P_CDSERIE, S.CDSERIE))"),
            QStringLiteral("ORDER BY S.CDSERIE"),
        },
};

inline const TQueryStatements qryCliente = {
    .SQL =
        {
            QStringLiteral("SELECT CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, NMRAZSOCCLIE, NMFANTCLIE"),
            QStringLiteral("FROM CLIENTE"),
            QStringLiteral("WHERE ((NRINSJURCLIE = :P_NRINSJURCLIE) OR (:P_TODOS = 'T'))"),
            QStringLiteral("ORDER BY NRINSJURCLIE"),
            QString(),
            QString(),
        },
};

}  // namespace Cli_kpv41100::statements
