#include "db/firebird_write_block_p.h"

#include <iterator>

namespace kpv::db {

namespace {

// The declared lengths of text parameters. The engine moves every parameter at its declared length, so a
// text is declared in the shortest that holds it; a few lengths keep a batch's texts few, so a connection
// prepares each shape of batch a few times at most.
constexpr int kTextLengths[] = {32, 256, 8191};

// The block parameter of a value. A null carries no type of its own: it takes the shortest text.
QString typeOf(const Value& value) {
    struct Type {
        QString operator()(std::monostate) const { return text(0); }
        QString operator()(const QString& t) const { return text(t.size()); }
        QString operator()(qint64) const { return QStringLiteral("BIGINT"); }
        QString operator()(double) const { return QStringLiteral("DOUBLE PRECISION"); }
        QString operator()(const QDate&) const { return QStringLiteral("DATE"); }
        QString operator()(const QDateTime&) const { return QStringLiteral("TIMESTAMP"); }
        static QString text(qsizetype length) {
            int declared = kTextLengths[std::size(kTextLengths) - 1];
            for (const int l : kTextLengths) {
                if (length <= l) {
                    declared = l;
                    break;
                }
            }
            return QStringLiteral("VARCHAR(%1) CHARACTER SET UTF8").arg(declared);
        }
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
