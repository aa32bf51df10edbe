#include "invoice_select.h"

#include "appserver/invoice_filter.h"
#include "appserver/invoice_list_query.h"
#include "protocol/codes.h"

#include <QSqlQuery>

namespace bench {

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
    // The server's own statement for this selection, with its values as each engine takes them.
    const kpv::server::InvoiceListQuery query =
        kpv::server::InvoiceListStatement(kpv::server::ReadInvoiceFilter(NotaFiscalArgsFor(s).toList()));
    Statement statement{query.sql, {}};
    for (const kpv::db::Value& v : query.binds) {
        if (const auto* t = std::get_if<QDateTime>(&v)) {
            statement.binds << (sqlite ? QVariant(t->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                                       : QVariant(*t));
        } else if (const auto* text = std::get_if<QString>(&v)) {
            statement.binds << *text;
        }
    }
    return statement;
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
