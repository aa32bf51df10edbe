#pragma once

#include "db/database_error.h"
#include "db/db_export.h"

#include <QDeadlineTimer>

#include <chrono>

#include <functional>

namespace kpv::db {

class Connection;

// Runs `work` in a write transaction of the connection: committed when it returns true, rolled back when
// it returns false or throws. Work that loses against a concurrent writer (a lock held past a short wait,
// an update conflict) is rolled back and run again from the start, so its effects are applied exactly
// once. Once `deadline` has passed it gives up with BusyError, nothing committed.
KPV_DB_EXPORT void RunWriteTransaction(Connection& connection, const std::function<bool()>& work,
                                       const QDeadlineTimer& deadline);

// How long one attempt of a write waits for a lock another writer holds before it starts over: long
// enough for writes as short as the server's, short enough to leave retries before the deadline.
inline constexpr std::chrono::milliseconds kLockWait{1000};

// The refusal of a write that kept losing to other writers for `seconds`.
KPV_DB_EXPORT BusyError BusyFor(qint64 seconds);

}  // namespace kpv::db
