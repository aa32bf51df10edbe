#include "largest_selection.h"

#include <QDateTime>
#include <QSqlQuery>

InvoiceSelection LargestSelection(const QSqlDatabase& db) {
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral(
            "SELECT CDEMPRESA, CDINSCESTA, CDINSCMUNI, CDSERIE, MIN(DTENTRSAID), MAX(DTENTRSAID), COUNT(*) "
            "FROM NOTAFISCAL WHERE IDOPERACAO = 'S' GROUP BY CDEMPRESA, CDINSCESTA, CDINSCMUNI, CDSERIE "
            "ORDER BY COUNT(*) DESC")) ||
        !q.next())
        return {};
    return {q.value(0).toString().trimmed(),
            q.value(1).toString().trimmed(),
            q.value(2).toString().trimmed(),
            q.value(3).toString().trimmed(),
            q.value(4).toDateTime().date(),
            q.value(5).toDateTime().date(),
            q.value(6).toInt()};
}
