#include "db/dialect_p.h"

namespace kpv::db {

namespace {

// The application's own Microsoft SQL Server database: the module only reads it, with its SQL_MSSQL texts.
class Mssql final : public Dialect {
  public:
    QString name() const override { return QStringLiteral("Microsoft SQL Server"); }
    StatementTexts texts() const override { return StatementTexts::MSSQL; }
};

}  // namespace

const Dialect& MssqlDialect() {
    static const Mssql dialect;
    return dialect;
}

}  // namespace kpv::db
