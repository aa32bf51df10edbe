#include "invoice_select.h"

#include "protocol/codes.h"

#include <QSqlQuery>

namespace bench {

InvoiceSelection LargestSelection(QSqlDatabase db) {
    QSqlQuery q(db);
    InvoiceSelection s;
    if (!q.exec(QStringLiteral(
            "SELECT CDEMPRESA, CDINSCESTA, CDINSCMUNI, CDSERIE, MIN(DTENTRSAID), MAX(DTENTRSAID), COUNT(*) "
            "FROM NOTAFISCAL WHERE IDOPERACAO = 'S' GROUP BY CDEMPRESA, CDINSCESTA, CDINSCMUNI, CDSERIE "
            "ORDER BY COUNT(*) DESC")) ||
        !q.next())
        return s;
    s = {q.value(0).toString().trimmed(),
         q.value(1).toString().trimmed(),
         q.value(2).toString().trimmed(),
         q.value(3).toString().trimmed(),
         q.value(4).toDateTime().date(),
         q.value(5).toDateTime().date(),
         q.value(6).toInt()};
    return s;
}

kpv::protocol::NotaFiscalArgs NotaFiscalArgsFor(const InvoiceSelection& s) {
    using namespace kpv::protocol;
    return {QString(),
            kAll,
            s.company,
            s.ie,
            s.im,
            s.serie,
            kAll,
            s.first,
            s.last,
            kSaida,
            SituationList(true, true, true)};
}

Statement InvoiceStatement(const InvoiceSelection& s, bool sqlite) {
    // appserver/rdm_emissao_rps.cpp, as it reads for this selection.
    const QString sql = QStringLiteral(
        "SELECT NF.CDFILIAL, NF.NRLANCTONF, NF.CDEMPRESA, NF.CDFILIEMIT, NF.NRINSJURNF, NF.CDCLIENTE,"
        "       C.NMRAZSOCCLIE, NF.NRNOTAFISCSE, NF.DTENTRSAID, NF.DTEMISSAO, NF.CDSERIE, NF.VRNOTAFISC,"
        "       COALESCE(NF.CDSERIERPS, S.CDSERIERPS), NF.NRNOTAFISC, NF.NRRPS, NF.IDEMISSAORPS, "
        "NF.IDTPIJURNF,"
        "       NF.IDTRANSMISRPS, NF.IDOPERACAO, NF.CDTIPOOPER, T.NMTIPOOPER, NF.DTLIMCONVNFSE"
        "  FROM NOTAFISCAL NF"
        "  LEFT JOIN CLIENTE C ON C.CDCLIENTE = NF.CDCLIENTE"
        "  LEFT JOIN SERIENF S ON S.CDEMPRESA = NF.CDEMPRESA AND S.CDINSCESTA = NF.CDINSCESTA"
        "                     AND S.CDINSCMUNI = NF.CDINSCMUNI AND S.CDSERIE = NF.CDSERIE"
        "  LEFT JOIN TIPOOPER T ON T.IDOPERACAO = NF.IDOPERACAO AND T.CDTIPOOPER = NF.CDTIPOOPER"
        " WHERE NF.CDEMPRESA = ? AND NF.IDOPERACAO = ? AND NF.DTENTRSAID >= ? AND NF.DTENTRSAID < ?"
        " AND NF.IDEMISSAORPS IN (?,?,?) AND NF.CDINSCESTA = ? AND NF.CDINSCMUNI = ? AND NF.CDSERIE = ?"
        " ORDER BY NF.DTENTRSAID, NF.NRNOTAFISC, NF.CDFILIAL, NF.NRLANCTONF");
    const QDateTime from = s.first.startOfDay();
    const QDateTime to = s.last.addDays(1).startOfDay();
    const auto stamp = [sqlite](const QDateTime& t) {
        return sqlite ? QVariant(t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))) : QVariant(t);
    };
    return {sql,
            {s.company, QStringLiteral("S"), stamp(from), stamp(to), QStringLiteral("1"), QStringLiteral("2"),
             QStringLiteral("3"), s.ie, s.im, s.serie}};
}

QString Inlined(const Statement& statement) {
    QString sql;
    int next = 0;
    for (const QChar c : statement.sql) {
        if (c != u'?') {
            sql += c;
            continue;
        }
        QString value = statement.binds.value(next++).toString();
        value.replace(u'\'', QStringLiteral("''"));
        sql += u'\'' + value + u'\'';
    }
    return sql + u';';
}

}  // namespace bench
