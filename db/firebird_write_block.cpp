#include "db/firebird_write_block_p.h"

namespace kpv::db {

namespace {

// The block parameter of a value. Texts (and nulls, which carry no type of their own) take the widest
// text of the connection's character set, so a batch's text is the same whatever its values' lengths.
QLatin1String typeOf(const Value& value) {
    struct Type {
        QLatin1String operator()(std::monostate) const { return text(); }
        QLatin1String operator()(const QString&) const { return text(); }
        QLatin1String operator()(qint64) const { return QLatin1String("BIGINT"); }
        QLatin1String operator()(double) const { return QLatin1String("DOUBLE PRECISION"); }
        QLatin1String operator()(const QDate&) const { return QLatin1String("DATE"); }
        QLatin1String operator()(const QDateTime&) const { return QLatin1String("TIMESTAMP"); }
        static QLatin1String text() { return QLatin1String("VARCHAR(8191) CHARACTER SET UTF8"); }
    };
    return std::visit(Type{}, value);
}

QString returned(std::size_t step) {
    return QStringLiteral("R%1").arg(step);
}

}  // namespace

QString FirebirdWriteBlock(const WriteBatch& batch, std::vector<Value>& params) {
    QStringList inputs, outputs;
    QString body;
    for (std::size_t i = 0; i < batch.steps().size(); ++i) {
        const WriteBatch::Step& step = batch.steps()[i];
        // Each `?` outside a quoted text becomes the operand's name in the block.
        std::size_t operand = 0;
        bool quoted = false;
        QString sql;
        for (const QChar c : step.sql) {
            if (c == u'\'') quoted = !quoted;
            if (c != u'?' || quoted) {
                sql += c;
                continue;
            }
            const WriteBatch::Operand& o = step.operands.at(operand++);
            if (const auto* r = std::get_if<WriteBatch::Returned>(&o)) {
                sql += u':' + returned(r->step);
                continue;
            }
            const Value& value = std::get<Value>(o);
            const QString name = QStringLiteral("P%1").arg(params.size());
            inputs << name + u' ' + typeOf(value) + QStringLiteral(" = ?");
            params.push_back(value);
            sql += u':' + name;
        }
        if (step.returns) {
            outputs << returned(i) + QStringLiteral(" BIGINT");
            sql += QStringLiteral(" INTO :") + returned(i);
        }
        body += QStringLiteral("  ") + sql + QStringLiteral(";\n");
        if (step.rows == WriteBatch::Rows::One)
            body += QStringLiteral("  IF (ROW_COUNT <> 1) THEN EXCEPTION %1;\n").arg(kRowChangedException);
    }
    QString block = QStringLiteral("EXECUTE BLOCK");
    if (!inputs.isEmpty()) block += QStringLiteral(" (") + inputs.join(QStringLiteral(", ")) + u')';
    // A block that returns is read as a query of one row.
    if (!outputs.isEmpty()) block += QStringLiteral(" RETURNS (") + outputs.join(QStringLiteral(", ")) + u')';
    block += QStringLiteral("\nAS\nBEGIN\n") + body;
    if (!outputs.isEmpty()) block += QStringLiteral("  SUSPEND;\n");
    return block + QStringLiteral("END");
}

}  // namespace kpv::db
