#pragma once

#include "appserver/call_job.h"
#include "appserver/remote_dispatcher.h"

#include <QDeadlineTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kpv::db {
class Connection;
}

namespace kpv::nfse {
class DpsSigner;
}

namespace kpv::server {

class CallLog;
class DatabaseHealth;

class GroupWriter;

// Serves calls: reads on a pool of worker threads, each with a database connection of its own that it
// opens on first use and opens again once it is lost; writes on the one group writer (group_writer.h), so
// that a read never waits behind a write and writes never contend with each other. Every call is answered
// exactly once and by its deadline: by whoever runs it, or, when the database keeps it past the deadline
// (or nobody took it by then), by the pool with a clear refusal.
class WorkerPool {
  public:
    using Connector = std::function<std::unique_ptr<db::Connection>()>;
    using Respond = std::function<void(CallReply)>;

    // `signer` signs the DPS the readers hand out.
    WorkerPool(int workers, std::chrono::milliseconds deadline, Connector connect, DatabaseHealth& health,
               CallLog& log, const nfse::DpsSigner& signer);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // `respond` runs once, on a worker or on the pool's timer thread.
    void submit(CheckedCall call, Respond respond);

    // Lets the running calls finish and drops the queued ones unanswered; the server is no longer
    // listening by then. Called before whatever the answers go to is destroyed.
    void stop();

  private:
    class Worker;

    std::shared_ptr<CallJob> take();
    void finished(const std::shared_ptr<CallJob>& job);
    void watchDeadlines();
    void expire(CallJob& job);

    std::chrono::milliseconds deadline_;
    Connector connect_;
    DatabaseHealth& health_;
    CallLog& log_;
    const nfse::DpsSigner& signer_;

    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable timers_;
    std::deque<std::shared_ptr<CallJob>> queue_;  // reads
    std::list<std::shared_ptr<CallJob>> live_;  // queued or running, reads and writes, for the deadline watch
    bool stopping_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::unique_ptr<GroupWriter> writer_;
    std::thread timer_;
};

}  // namespace kpv::server
