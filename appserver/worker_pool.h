#pragma once

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

namespace kpv::server {

class CallLog;
class DatabaseHealth;

// Serves calls on a pool of worker threads, each with a database connection of its own that it opens
// on first use and opens again once it is lost. Every call is answered exactly once and by its
// deadline: by its worker, or, when the database keeps the worker past it (or no worker became free),
// by the pool with a clear refusal. Writes never take the last worker, so a read is never queued behind
// writers waiting for a lock.
class WorkerPool {
  public:
    using Connector = std::function<std::unique_ptr<db::Connection>()>;
    using Respond = std::function<void(CallReply)>;

    WorkerPool(int workers, std::chrono::milliseconds deadline, Connector connect, DatabaseHealth& health,
               CallLog& log);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // `respond` runs once, on a worker or on the pool's timer thread.
    void submit(CheckedCall call, Respond respond);

    // Lets the running calls finish and drops the queued ones unanswered; the server is no longer
    // listening by then. Called before whatever the answers go to is destroyed.
    void stop();

  private:
    struct Job;
    class Worker;

    std::shared_ptr<Job> take();
    void finished(const std::shared_ptr<Job>& job);
    void watchDeadlines();
    void expire(Job& job);

    std::chrono::milliseconds deadline_;
    Connector connect_;
    DatabaseHealth& health_;
    CallLog& log_;
    int maxWrites_;

    std::mutex mutex_;
    std::condition_variable work_;
    std::condition_variable timers_;
    std::deque<std::shared_ptr<Job>> queue_;
    std::list<std::shared_ptr<Job>> live_;  // queued or running, for the deadline watch
    int writesRunning_ = 0;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::thread timer_;
};

}  // namespace kpv::server
