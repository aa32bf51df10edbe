#include "db/write_batch.h"

#include "db/savepoint.h"

namespace kpv::db {

namespace {

// The refusal of a step that found no row to change.
[[noreturn]] void throwRowChanged(const WriteBatch::Step& step) {
    throw ConflictError(QStringLiteral("Gravação desfeita: a linha que ela alteraria mudou depois de lida"),
                        step.sql.simplified());
}

}  // namespace

void WriteBatch::add(QString sql, std::vector<Operand> operands, Rows rows) {
    steps_.push_back({std::move(sql), std::move(operands), rows, false});
}

WriteBatch::Returned WriteBatch::addReturning(QString sql, std::vector<Operand> operands) {
    steps_.push_back({std::move(sql), std::move(operands), Rows::One, true});
    return {steps_.size() - 1};
}

WriteResult WriteStepByStep(Connection& connection, const WriteBatch& batch) {
    std::vector<qint64> values(batch.steps().size(), 0);
    Savepoint savepoint(connection, QLatin1String("KPV_BATCH"));
    for (std::size_t i = 0; i < batch.steps().size(); ++i) {
        const WriteBatch::Step& step = batch.steps()[i];
        std::vector<Value> params;
        params.reserve(step.operands.size());
        for (const WriteBatch::Operand& operand : step.operands) {
            if (const auto* returned = std::get_if<WriteBatch::Returned>(&operand))
                params.emplace_back(values.at(returned->step));
            else
                params.push_back(std::get<Value>(operand));
        }
        Statement& statement = connection.prepare(step.sql);
        statement.execute(params);
        if (step.returns) {
            if (!statement.next()) throwRowChanged(step);  // the savepoint takes back what came before
            values[i] = statement.integer(0);
            statement.finish();
        } else if (step.rows == WriteBatch::Rows::One && statement.rowsAffected() != 1) {
            throwRowChanged(step);
        }
    }
    savepoint.release();
    return WriteResult(std::move(values));
}

}  // namespace kpv::db
