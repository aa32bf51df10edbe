#include "db/demodata/table_writer.h"

#include "db/database_error.h"
#include "db/dialect.h"
#include "db/schema.h"
#include "db/sql.h"

namespace kpv::demo {

namespace {
const db::Table& tableNamed(const QString& name) {
    const db::Table* table = db::FindTable(name);
    if (!table) throw db::DatabaseError(QStringLiteral("Tabela desconhecida: %1").arg(name));
    return *table;
}
}  // namespace

TableWriter::TableWriter(QSqlDatabase& db, const QString& table, const QStringList& columns)
    : table_(tableNamed(table)), dialect_(db::DialectOf(db)), columns_(columns), query_(db) {
    QStringList marks;
    for (const QString& c : columns) {
        if (!table_.column(c))
            throw db::DatabaseError(QStringLiteral("Coluna desconhecida: %1.%2").arg(table, c));
        marks << QStringLiteral("?");
    }
    db::Prepare(
        query_,
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns.join(", "), marks.join(", ")));
}

void TableWriter::insert(const QVariantList& values) {
    if (values.size() != columns_.size()) {
        throw db::DatabaseError(QStringLiteral("%1: %2 valores para %3 colunas")
                                    .arg(table_.name)
                                    .arg(values.size())
                                    .arg(columns_.size()));
    }
    for (qsizetype i = 0; i < values.size(); ++i) {
        const db::Column& column = *table_.column(columns_[i]);
        const QVariant& v = values[i];
        switch (column.type) {
            case db::ColumnType::Timestamp:
                query_.bindValue(int(i), dialect_.timestamp(v.toDateTime()));
                break;
            case db::ColumnType::Date:
                query_.bindValue(int(i), dialect_.date(v.toDate()));
                break;
            case db::ColumnType::Text:
            case db::ColumnType::FixedText:
                if (v.toString().size() > column.size) {
                    throw db::DatabaseError(QStringLiteral("%1.%2: \"%3\" tem mais de %4 caracteres")
                                                .arg(table_.name, column.name, v.toString())
                                                .arg(column.size));
                }
                [[fallthrough]];
            default:
                query_.bindValue(int(i), v);
        }
    }
    db::Exec(query_, QStringLiteral("Falha ao gravar em %1").arg(table_.name));
    ++rows_;
}

}  // namespace kpv::demo
