#include "appserver/worker_pool.h"

#include "appserver/call_failure.h"
#include "appserver/call_log.h"
#include "appserver/database_health.h"
#include "appserver/group_writer.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/server_fault.h"
#include "db/connection.h"

namespace kpv::server {

namespace {

// A worker stops its own statements this long before the call's deadline, so that it, rather than the
// pool, answers whenever the database lets it.
constexpr std::chrono::milliseconds kAnswerMargin{300};

using State = CallJob::State;
using protocol::FaultCode;

}  // namespace

class WorkerPool::Worker {
  public:
    explicit Worker(WorkerPool& pool) : pool_(pool), thread_([this] { serve(); }) {}
    ~Worker() { thread_.join(); }

  private:
    void serve() {
        while (const std::shared_ptr<CallJob> job = pool_.take()) {
            if (job->start()) job->answer(State::Running, run(*job));
            pool_.finished(job);
        }
        connection_.reset();  // closed in the thread that used it
    }

    CallReply run(const CallJob& job) {
        const QString method = job.call.method();
        const QDeadlineTimer work(std::max<qint64>(0, job.deadline.remainingTime() - kAnswerMargin.count()));
        for (int attempt = 0;; ++attempt) {
            const bool reused = connection_ != nullptr;
            try {
                if (!connection_) connection_ = pool_.connect_();
                connection_->setDeadline(work);
                TrdmEmissaoRPS module(*connection_, work, pool_.signer_);
                return RemoteDispatcher::run(module, job.call);
            } catch (const db::ConnectionLostError&) {
                // A connection kept from earlier calls may just have gone stale: one more try on a new one.
                connection_.reset();
                if (reused && attempt == 0 && !work.hasExpired()) continue;
                return failed(method, std::current_exception());
            } catch (...) {
                return failed(method, std::current_exception());
            }
        }
    }

    CallReply failed(const QString& method, const std::exception_ptr& failure) {
        const bool usable = connection_ && connection_->usable();
        CallFailure f = FailureOf(failure, method, usable, pool_.log_, pool_.deadline_);
        if (f.dropConnection) connection_.reset();
        if (!f.databaseDown.isEmpty()) pool_.health_.markDown(f.databaseDown);
        return std::move(f.reply);
    }

    WorkerPool& pool_;
    std::unique_ptr<db::Connection> connection_;
    std::thread thread_;
};

WorkerPool::WorkerPool(int workers, std::chrono::milliseconds deadline, Connector connect,
                       DatabaseHealth& health, CallLog& log, const nfse::DpsSigner& signer)
    : deadline_(deadline), connect_(std::move(connect)), health_(health), log_(log), signer_(signer) {
    timer_ = std::thread([this] { watchDeadlines(); });
    for (int i = 0; i < workers; ++i) workers_.push_back(std::make_unique<Worker>(*this));
    writer_ = std::make_unique<GroupWriter>(connect_, deadline_, health_, log_,
                                            [this](const std::shared_ptr<CallJob>& job) { finished(job); });
}

WorkerPool::~WorkerPool() {
    stop();
}

void WorkerPool::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    work_.notify_all();
    timers_.notify_all();
    workers_.clear();
    if (writer_) writer_->stop();
    if (timer_.joinable()) timer_.join();
    std::deque<std::shared_ptr<CallJob>> dropped;
    std::list<std::shared_ptr<CallJob>> ended;
    const std::lock_guard lock(mutex_);
    dropped.swap(queue_);
    ended.swap(live_);
}

void WorkerPool::submit(CheckedCall call, Respond respond) {
    if (!health_.available()) {
        const QString method = call.method();
        respond(LoggedFault(log_, method, ServerFault::Of(FaultCode::DatabaseUnavailable), health_.reason()));
        return;
    }
    auto job = std::make_shared<CallJob>();
    job->call = std::move(call);
    job->deadline = QDeadlineTimer(deadline_);
    job->respond = std::move(respond);
    const bool writes = job->call.writes;
    {
        const std::lock_guard lock(mutex_);
        live_.push_back(job);
        if (!writes) queue_.push_back(job);
    }
    timers_.notify_one();
    if (writes)
        writer_->submit(std::move(job));
    else
        work_.notify_one();
}

// The first queued read; reads the deadline watch already answered are dropped on the way.
std::shared_ptr<CallJob> WorkerPool::take() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_) return nullptr;
        while (!queue_.empty() && queue_.front()->state != State::Queued) queue_.pop_front();
        if (!queue_.empty()) {
            std::shared_ptr<CallJob> job = std::move(queue_.front());
            queue_.pop_front();
            return job;
        }
        work_.wait(lock);
    }
}

void WorkerPool::finished(const std::shared_ptr<CallJob>& job) {
    const std::lock_guard lock(mutex_);
    live_.remove(job);
}

void WorkerPool::watchDeadlines() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        QDeadlineTimer next = QDeadlineTimer::Forever;
        std::vector<std::shared_ptr<CallJob>> expired;
        for (auto it = live_.begin(); it != live_.end();) {
            const std::shared_ptr<CallJob> job = *it;
            if (job->state == State::Answered) {
                ++it;
            } else if (job->deadline.hasExpired()) {
                expired.push_back(job);
                // A queued read answered here is dropped; the rest leave when whoever holds them is done.
                it = job->state == State::Queued && !job->call.writes ? live_.erase(it) : std::next(it);
            } else {
                if (job->deadline < next) next = job->deadline;
                ++it;
            }
        }
        if (!expired.empty()) {
            lock.unlock();
            for (const std::shared_ptr<CallJob>& job : expired) expire(*job);
            lock.lock();
            continue;
        }
        if (next.isForever())
            timers_.wait(lock);
        else
            timers_.wait_for(lock, std::chrono::milliseconds(std::max<qint64>(1, next.remainingTime())));
    }
}

void WorkerPool::expire(CallJob& job) {
    const bool running = job.state == State::Running;
    const QString text =
        running && job.call.writes
            ? QStringLiteral(
                  "O banco de dados não confirmou a gravação em %1 s. Repita a "
                  "operação: uma nota fiscal já emitida não recebe outro número")
            : QStringLiteral("O banco de dados não respondeu em %1 s; tente novamente em instantes");
    const QString detail = running ? QStringLiteral("the database kept the call past its deadline")
                                   : QStringLiteral("nobody took the call before its deadline");
    CallReply reply =
        LoggedFault(log_, job.call.method(),
                    ServerFault(FaultCode::DatabaseTimeout, text.arg(Seconds(deadline_))), detail);
    if (job.answer(running ? State::Running : State::Queued, std::move(reply)) && running)
        health_.markDown(QStringLiteral("o banco de dados não respondeu a tempo"));
}

}  // namespace kpv::server
