#include "appserver/invoice_list_query.h"

namespace kpv::server {

namespace {

const QString kInvoiceSelect = QStringLiteral(
    "SELECT NF.CDFILIAL, NF.NRLANCTONF, NF.CDEMPRESA, NF.CDFILIEMIT, NF.NRINSJURNF, NF.CDCLIENTE,"
    "       C.NMRAZSOCCLIE, NF.NRNOTAFISCSE, NF.DTENTRSAID, NF.DTEMISSAO, NF.CDSERIE, NF.VRNOTAFISC,"
    "       COALESCE(NF.CDSERIERPS, S.CDSERIERPS) AS CDSERIERPSSERIE, NF.NRNOTAFISC, NF.NRRPS,"
    "       NF.IDEMISSAORPS, NF.IDTPIJURNF, NF.IDTRANSMISRPS, NF.IDOPERACAO, NF.CDTIPOOPER, T.NMTIPOOPER,"
    "       NF.DTLIMCONVNFSE"
    "  FROM NOTAFISCAL NF"
    "  LEFT JOIN CLIENTE C ON C.CDCLIENTE = NF.CDCLIENTE"
    "  LEFT JOIN SERIENF S ON S.CDEMPRESA = NF.CDEMPRESA AND S.CDINSCESTA = NF.CDINSCESTA"
    "                     AND S.CDINSCMUNI = NF.CDINSCMUNI AND S.CDSERIE = NF.CDSERIE"
    "  LEFT JOIN TIPOOPER T ON T.IDOPERACAO = NF.IDOPERACAO AND T.CDTIPOOPER = NF.CDTIPOOPER"
    " WHERE NF.CDEMPRESA = ? AND NF.IDOPERACAO = ? AND NF.DTENTRSAID >= ? AND NF.DTENTRSAID < ?");

const QString kInvoiceOrder =
    QStringLiteral(" ORDER BY NF.DTENTRSAID, NF.NRNOTAFISC, NF.CDFILIAL, NF.NRLANCTONF");

QString placeholders(qsizetype count) {
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i) marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

}  // namespace

InvoiceListQuery InvoiceListStatement(const InvoiceFilter& f) {
    QString sql = kInvoiceSelect;
    // Both days included, whatever the time of day stored with the exit.
    std::vector<db::Value> binds{f.company, f.direction, f.firstExitDate.startOfDay(),
                                 f.lastExitDate.addDays(1).startOfDay()};
    const auto equal = [&](const char* column, const QString& value) {
        sql += QStringLiteral(" AND %1 = ?").arg(QLatin1String(column));
        binds.emplace_back(value);
    };
    const auto among = [&](const char* column, const QStringList& values) {
        sql += QStringLiteral(" AND %1 IN (%2)").arg(QLatin1String(column), placeholders(values.size()));
        for (const QString& v : values) binds.emplace_back(v);
    };
    among("NF.IDEMISSAORPS", f.situations);
    if (!f.branch.isEmpty()) equal("NF.CDFILIAL", f.branch);
    if (!f.allOperationTypes) among("NF.CDTIPOOPER", f.operationTypes);
    if (!f.stateRegistration.isEmpty()) equal("NF.CDINSCESTA", f.stateRegistration);
    if (!f.municipalRegistration.isEmpty()) equal("NF.CDINSCMUNI", f.municipalRegistration);
    if (!f.series.isEmpty()) equal("NF.CDSERIE", f.series);
    if (!f.allClients) equal("NF.NRINSJURNF", f.clientDigits);
    sql += kInvoiceOrder;

    return {sql, binds};
}

}  // namespace kpv::server
