#pragma once

#include "db/dialect.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class QSqlDatabase;

namespace kpv::db {

// Firebird keeps a transaction's lock timeout in the transaction's parameter block, which Qt's driver
// gives no way to set: its statements wait for a concurrent writer's lock for as long as that writer
// holds it. While this lives, a watchdog cancels the connection's running statement once `wait` has
// passed; the statement fails with "operation was cancelled" and the transaction can still be rolled
// back. A cancel that finds no statement running does nothing.
class FirebirdLockWait final : public LockWaitLimit {
  public:
    // Throws DatabaseError when the connection's client library offers no cancel.
    FirebirdLockWait(const QSqlDatabase& db, std::chrono::milliseconds wait);
    ~FirebirdLockWait() override;

  private:
    void watch(std::chrono::milliseconds wait);

    void* library_ = nullptr;
    unsigned int attachment_ = 0;
    std::mutex mutex_;
    std::condition_variable released_;
    bool done_ = false;
    std::thread watchdog_;
};

}  // namespace kpv::db
