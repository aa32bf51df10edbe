#pragma once

#include <QDeadlineTimer>

#include <functional>

namespace kpv::db {

class Connection;

// Runs `work` in a write transaction of the connection: committed when it returns true, rolled back when
// it returns false or throws. Work that loses against a concurrent writer (a lock held past a short wait,
// an update conflict) is rolled back and run again from the start, so its effects are applied exactly
// once. Once `deadline` has passed it gives up with BusyError, nothing committed.
void RunWriteTransaction(Connection& connection, const std::function<bool()>& work,
                         const QDeadlineTimer& deadline);

}  // namespace kpv::db
