#pragma once

#include "db/db_export.h"

#include <QLatin1String>
#include <QString>

namespace kpv::db {

class Connection;

// A savepoint in the connection's open transaction: one write among others that share the transaction.
// Released when the write is kept; rolled back when it is refused or when it throws (the destructor), so
// that nothing it wrote stays while the transaction goes on with the other writes. Savepoints inside one
// another take names of their own: Firebird replaces a savepoint of the same name instead of nesting it.
class KPV_DB_EXPORT Savepoint {
  public:
    explicit Savepoint(Connection& connection, QLatin1String name = QLatin1String("KPV_WRITE"));
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;

    void release();
    void rollback();

  private:
    Connection& connection_;
    QString name_;
    bool open_ = true;
};

}  // namespace kpv::db
