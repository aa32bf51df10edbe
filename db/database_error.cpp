#include "db/database_error.h"

namespace kpv::db {

DatabaseError::~DatabaseError() = default;
ConflictError::~ConflictError() = default;
BusyError::~BusyError() = default;
ConnectionLostError::~ConnectionLostError() = default;
CommitUnknownError::~CommitUnknownError() = default;
DeadlineError::~DeadlineError() = default;

}  // namespace kpv::db
