#include "db/dialect_p.h"

namespace kpv::db {

namespace {

class Firebird final : public Dialect {
  public:
    QString name() const override { return QStringLiteral("Firebird"); }
    StatementTexts texts() const override { return StatementTexts::InterBase; }

  protected:
    QStringList appendOnlyStatements(const Table& t) const override {
        return {QStringLiteral("CREATE EXCEPTION EX_%1 '%2'").arg(t.name, appendOnlyRefusal(t)),
                QStringLiteral("CREATE TRIGGER TR_%1 FOR %1 ACTIVE BEFORE UPDATE OR DELETE POSITION 0\n"
                               "AS\n"
                               "BEGIN\n"
                               "  EXCEPTION EX_%1;\n"
                               "END")
                    .arg(t.name)};
    }

    // The routines the module's Firebird statements rely on: PARAM turns a parameter into a one-row
    // table so a statement can use it as a value; NVLSTR is NVL for texts.
    QStringList routineStatements() const override {
        return {
            QStringLiteral("CREATE PROCEDURE PARAM (VALOR VARCHAR(1000))\n"
                           "RETURNS (PARAM VARCHAR(1000))\n"
                           "AS\n"
                           "BEGIN\n"
                           "  PARAM = VALOR;\n"
                           "  SUSPEND;\n"
                           "END"),
            QStringLiteral("CREATE FUNCTION NVLSTR (VALOR VARCHAR(1000), SUBSTITUTO VARCHAR(1000))\n"
                           "RETURNS VARCHAR(1000)\n"
                           "AS\n"
                           "BEGIN\n"
                           "  RETURN COALESCE(VALOR, SUBSTITUTO);\n"
                           "END"),
        };
    }
};

}  // namespace

const Dialect& FirebirdDialect() {
    static const Firebird dialect;
    return dialect;
}

}  // namespace kpv::db
