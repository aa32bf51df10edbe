#pragma once

#include "db/write_batch.h"

namespace kpv::db {

// The exception a Firebird write block raises when a step finds no row to change: the engine then undoes
// the whole block, as it undoes any statement that fails.
inline constexpr char kRowChangedException[] = "EX_LINHAALTERADA";

// A batch as one EXECUTE BLOCK: each operand an input parameter (appended to `params`), each returned value
// an output of the block's one row, in the order of the returning steps.
QString FirebirdWriteBlock(const WriteBatch& batch, std::vector<Value>& params);

}  // namespace kpv::db
