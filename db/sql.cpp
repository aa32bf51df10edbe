#include "db/sql.h"

#include "db/dialect_p.h"

#include <QSqlError>
#include <QSqlQuery>

namespace kpv::db {

void Prepare(QSqlQuery& query, const QString& sql) {
    if (!query.prepare(sql)) {
        ThrowSqlError(QStringLiteral("Falha ao preparar comando SQL (%1)").arg(sql.simplified().left(60)),
                      query.lastError());
    }
}

void Exec(QSqlQuery& query, const QString& what) {
    if (!query.exec()) ThrowSqlError(what, query.lastError());
}

}  // namespace kpv::db
