#pragma once

#include "db/db_export.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace kpv::db {

// Column types in engine-neutral terms; each dialect spells them in its own DDL.
enum class ColumnType {
    Text,       // variable-length text of `size` characters
    FixedText,  // one-character codes and other fixed-width texts
    Integer,
    BigInt,
    Money,  // two decimals
    Rate,   // percentage with four decimals
    Date,
    Timestamp,
};

struct Column {
    QString name;
    ColumnType type = ColumnType::Text;
    int size = 0;  // characters, for the text types
    bool required = false;
};

struct Index {
    QString name;
    QStringList columns;
};

// Whose a table is. The host application's tables come with its database, all of them or none; the
// application server's own may be missing from a database an earlier version made, and are created then.
enum class TableOwner { Application, Server };

struct KPV_DB_EXPORT Table {
    QString name;
    std::vector<Column> columns;
    QStringList primaryKey;
    std::vector<Index> indexes;
    TableOwner owner = TableOwner::Application;
    // Rows are only ever added: the database itself refuses to change or remove one (the audit trail).
    bool appendOnly = false;
    // Indexes an earlier version made and this one no longer reads: they only cost each commit a page, and
    // a server drops them from the database it opens.
    QStringList retiredIndexes = {};

    const Column* column(const QString& name) const;
};

// The application database: the host's tables the module reads and the application server's own.
KPV_DB_EXPORT const std::vector<Table>& Schema();
KPV_DB_EXPORT const Table* FindTable(const QString& name);

}  // namespace kpv::db
