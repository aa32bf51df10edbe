#pragma once

#include "db/connection.h"
#include "db/db_export.h"

#include <QString>

#include <cstddef>
#include <variant>
#include <vector>

namespace kpv::db {

// Writes that stand or fall together, handed to the engine in one go (Connection::write): on a Firebird
// server one exchange for all of them, however many. A step may need a row to change; when one finds
// none, nothing of the batch stands and the batch fails as a conflict: what it was built from changed
// since it was read, and the work starts over from a fresh read.
class KPV_DB_EXPORT WriteBatch {
  public:
    // The integer a step's RETURNING gives back, as a parameter of a later step.
    struct Returned {
        std::size_t step = 0;
    };
    using Operand = std::variant<Value, Returned>;
    enum class Rows { Any, One };

    struct Step {
        QString sql;  // with a `?` for each operand, in order
        std::vector<Operand> operands;
        Rows rows = Rows::Any;
        bool returns = false;  // the statement ends in RETURNING one integer column
    };

    // `rows` One: the statement must change exactly one row.
    void add(QString sql, std::vector<Operand> operands, Rows rows = Rows::Any);
    // A statement that changes exactly one row and ends in RETURNING one integer column.
    Returned addReturning(QString sql, std::vector<Operand> operands);

    const std::vector<Step>& steps() const { return steps_; }
    bool empty() const { return steps_.empty(); }

  private:
    std::vector<Step> steps_;
};

// What the returning steps of a batch gave back.
class KPV_DB_EXPORT WriteResult {
  public:
    explicit WriteResult(std::vector<qint64> values) : values_(std::move(values)) {}
    qint64 value(WriteBatch::Returned r) const { return values_.at(r.step); }

  private:
    std::vector<qint64> values_;  // one per step; 0 for those that return nothing
};

// A batch run statement by statement inside a savepoint of the open transaction, for an engine whose
// statements cost no exchange of their own.
WriteResult WriteStepByStep(Connection& connection, const WriteBatch& batch);

}  // namespace kpv::db
