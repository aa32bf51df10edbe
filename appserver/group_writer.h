#pragma once

#include "appserver/call_job.h"
#include "appserver/invoice_state.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kpv::db {
class Connection;
}

namespace kpv::server {

class CallLog;
class DatabaseHealth;

// The one writer of the server's database. Every call that writes runs here, on one connection of its own,
// so that the server's writes never contend with each other for a lock or a counter row. The calls that are
// waiting are run as a group in one transaction, each writing in one batch of its own that stands or falls
// whole: a call that is refused or fails leaves nothing and is answered with its own reason, the others go
// on. The invoices the group gives numbers to are read in one statement before its calls run. One commit
// makes the group durable, and only then is each call answered. A lone call waits for nobody; while calls
// keep arriving, the group waits for the next one a fraction of a millisecond, and a millisecond at most.
// A call that loses a counter to another server's write starts over in the next transaction.
class GroupWriter {
  public:
    using Connector = std::function<std::unique_ptr<db::Connection>()>;
    // Told once a call has left the writer, answered or not.
    using Finished = std::function<void(const std::shared_ptr<CallJob>&)>;

    GroupWriter(Connector connect, std::chrono::milliseconds deadline, DatabaseHealth& health, CallLog& log,
                Finished finished);
    ~GroupWriter();
    GroupWriter(const GroupWriter&) = delete;
    GroupWriter& operator=(const GroupWriter&) = delete;

    void submit(std::shared_ptr<CallJob> job);
    // Lets the group under way finish and drops the queued calls unanswered.
    void stop();

  private:
    using Jobs = std::vector<std::shared_ptr<CallJob>>;
    struct Result {
        std::shared_ptr<CallJob> job;
        CallReply reply;
    };

    void serve();
    bool waitForWork();
    bool beginTransaction();
    // The calls waiting, at most `room`; with `wait`, when none is waiting, the first to come within the gap
    // and before `limit`.
    Jobs take(std::size_t room, bool wait, std::chrono::steady_clock::time_point limit);
    void runGroup();
    std::vector<QString> readAheadAndOrder(Jobs& calls);
    // Runs calls in the open transaction, after those of `results`. `highest`: the highest counter the
    // transaction holds. A call left for the next transaction goes to `later`; false when the group must end
    // (a call lost a counter to another server, or the transaction is gone).
    bool runCalls(Jobs& calls, std::vector<Result>& results, QString& highest, Jobs& later);
    void commit(std::vector<Result>& results);
    // Answers every call of `jobs` with the failure of the transaction they shared.
    void fail(const Jobs& jobs, const std::exception_ptr& failure);
    void answer(const std::shared_ptr<CallJob>& job, CallReply reply);
    QDeadlineTimer earliestDeadline();

    Connector connect_;
    std::chrono::milliseconds deadline_;
    DatabaseHealth& health_;
    CallLog& log_;
    Finished finished_;

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::shared_ptr<CallJob>> queue_;
    bool stopping_ = false;
    std::unique_ptr<db::Connection> connection_;  // used by the writer's thread only
    InvoicesReadAhead readAhead_;                 // of the group under way
    std::thread thread_;
};

}  // namespace kpv::server
