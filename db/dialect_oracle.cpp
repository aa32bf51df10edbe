#include "db/dialect_p.h"

namespace kpv::db {

namespace {

// The application's own Oracle database: the module only reads it, with its SQL_ORACLE texts.
class Oracle final : public Dialect {
  public:
    QString name() const override { return QStringLiteral("Oracle"); }
    StatementTexts texts() const override { return StatementTexts::Oracle; }
};

}  // namespace

const Dialect& OracleDialect() {
    static const Oracle dialect;
    return dialect;
}

}  // namespace kpv::db
