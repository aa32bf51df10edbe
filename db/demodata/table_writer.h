#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace kpv::db {
class Dialect;
struct Table;
}  // namespace kpv::db

namespace kpv::demo {

// Inserts rows into one table through one prepared statement. Values are checked against the schema
// (a text longer than its column fails here, on every engine alike) and dates are bound as the
// dialect stores them.
class TableWriter {
  public:
    // Throws DatabaseError.
    TableWriter(QSqlDatabase& db, const QString& table, const QStringList& columns);

    // `values` in the order of the columns given; QDate and QDateTime values for the date columns.
    void insert(const QVariantList& values);
    int rows() const { return rows_; }

  private:
    const db::Table& table_;
    const db::Dialect& dialect_;
    QStringList columns_;
    QSqlQuery query_;
    int rows_ = 0;
};

}  // namespace kpv::demo
