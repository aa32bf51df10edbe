#include "appserver/worker_pool.h"

#include "appserver/call_log.h"
#include "appserver/database_health.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/server_fault.h"
#include "db/connection.h"

#include <atomic>

namespace kpv::server {

namespace {

// A worker stops its own statements this long before the call's deadline, so that it, rather than the
// pool, answers whenever the database lets it.
constexpr std::chrono::milliseconds kAnswerMargin{300};

enum class State { Queued, Running, Answered };

QString seconds(std::chrono::milliseconds deadline) {
    return QString::number(std::chrono::ceil<std::chrono::seconds>(deadline).count());
}

// The user reads a short text and an id; the engine's words and the statement go to the log under it.
CallReply logged(CallLog& log, const QString& method, int status, const QString& code, const QString& text,
                 const QString& detail) {
    const QString id = NewErrorId();
    log.note(QStringLiteral("error %1 of %2: %3").arg(id, method, detail));
    return FaultReply(method, status, code, QStringLiteral("%1 (ocorrência %2)").arg(text, id));
}

}  // namespace

struct WorkerPool::Job {
    CheckedCall call;
    QDeadlineTimer deadline;
    Respond respond;
    std::atomic<State> state = State::Queued;

    // The one who moves the job to Answered replies.
    bool answer(State from, CallReply reply) {
        if (!state.compare_exchange_strong(from, State::Answered)) return false;
        respond(std::move(reply));
        return true;
    }
};

class WorkerPool::Worker {
  public:
    explicit Worker(WorkerPool& pool) : pool_(pool), thread_([this] { serve(); }) {}
    ~Worker() { thread_.join(); }

  private:
    void serve() {
        while (const std::shared_ptr<Job> job = pool_.take()) {
            State queued = State::Queued;
            if (job->state.compare_exchange_strong(queued, State::Running))
                job->answer(State::Running, run(*job));
            pool_.finished(job);
        }
        connection_.reset();  // closed in the thread that used it
    }

    CallReply run(const Job& job) {
        const QString method = job.call.method();
        const QDeadlineTimer work(std::max<qint64>(0, job.deadline.remainingTime() - kAnswerMargin.count()));
        CallLog& log = pool_.log_;
        for (int attempt = 0;; ++attempt) {
            const bool reused = connection_ != nullptr;
            try {
                if (!connection_) connection_ = pool_.connect_();
                connection_->setDeadline(work);
                TrdmEmissaoRPS module(*connection_, work);
                return RemoteDispatcher::run(module, job.call);
            } catch (const db::CommitUnknownError& e) {
                connection_.reset();
                return logged(
                    log, method, 503, QStringLiteral("commit_unknown"),
                    QStringLiteral("A conexão com o banco de dados caiu enquanto a gravação era "
                                   "confirmada, e não se sabe se ela foi feita. Repita a operação: uma "
                                   "nota fiscal já emitida não recebe outro número"),
                    e.message());
            } catch (const db::ConnectionLostError& e) {
                // Nothing of the call was committed: the engine rolls back what a lost connection left open.
                // A connection kept from earlier calls may just have gone stale: one more try on a new one.
                connection_.reset();
                if (reused && attempt == 0 && !work.hasExpired()) continue;
                pool_.health_.markDown(e.message());
                return logged(
                    log, method, 503, QStringLiteral("database_unavailable"),
                    QStringLiteral("O banco de dados não está disponível no momento; tente novamente "
                                   "em instantes"),
                    e.message());
            } catch (const db::DeadlineError& e) {
                if (connection_ && !connection_->usable()) connection_.reset();
                pool_.health_.markDown(e.message());
                return logged(
                    log, method, 503, QStringLiteral("database_timeout"),
                    QStringLiteral("O banco de dados não respondeu em %1 s; nada foi gravado. Tente "
                                   "novamente em instantes")
                        .arg(seconds(pool_.deadline_)),
                    e.message());
            } catch (const db::BusyError& e) {
                return FaultReply(method, 503, QStringLiteral("database_busy"), e.message());
            } catch (const db::DatabaseError& e) {
                if (connection_ && !connection_->usable()) connection_.reset();
                return logged(log, method, 500, QStringLiteral("database_error"),
                              QStringLiteral("Erro no banco de dados: ") + e.summary(), e.message());
            } catch (const ServerFault& e) {
                return FaultReply(method, e.httpStatus(), e.code(), e.message());
            } catch (const std::exception& e) {
                return logged(log, method, 500, QStringLiteral("internal_error"),
                              QStringLiteral("Erro interno do servidor de aplicação"),
                              QString::fromUtf8(e.what()));
            }
        }
    }

    WorkerPool& pool_;
    std::unique_ptr<db::Connection> connection_;
    std::thread thread_;
};

WorkerPool::WorkerPool(int workers, std::chrono::milliseconds deadline, Connector connect,
                       DatabaseHealth& health, CallLog& log)
    : deadline_(deadline),
      connect_(std::move(connect)),
      health_(health),
      log_(log),
      maxWrites_(std::max(1, workers - 1)) {
    timer_ = std::thread([this] { watchDeadlines(); });
    for (int i = 0; i < workers; ++i) workers_.push_back(std::make_unique<Worker>(*this));
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
    if (timer_.joinable()) timer_.join();
    std::deque<std::shared_ptr<Job>> dropped;
    std::list<std::shared_ptr<Job>> ended;
    const std::lock_guard lock(mutex_);
    dropped.swap(queue_);
    ended.swap(live_);
}

void WorkerPool::submit(CheckedCall call, Respond respond) {
    if (!health_.available()) {
        const QString method = call.method();
        respond(logged(log_, method, 503, QStringLiteral("database_unavailable"),
                       QStringLiteral("O banco de dados não está disponível no momento; tente novamente em "
                                      "instantes"),
                       health_.reason()));
        return;
    }
    auto job = std::make_shared<Job>();
    job->call = std::move(call);
    job->deadline = QDeadlineTimer(deadline_);
    job->respond = std::move(respond);
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(job);
        live_.push_back(job);
    }
    work_.notify_one();
    timers_.notify_one();
}

// The first queued job a worker may take: any read, a write while writers leave a worker free. Jobs the
// deadline watch already answered are dropped on the way.
std::shared_ptr<WorkerPool::Job> WorkerPool::take() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_) return nullptr;
        std::erase_if(queue_, [](const auto& job) { return job->state != State::Queued; });
        const auto eligible = std::find_if(queue_.begin(), queue_.end(), [this](const auto& job) {
            return !job->call.writes || writesRunning_ < maxWrites_;
        });
        if (eligible != queue_.end()) {
            std::shared_ptr<Job> job = *eligible;
            queue_.erase(eligible);
            if (job->call.writes) ++writesRunning_;
            return job;
        }
        work_.wait(lock);
    }
}

void WorkerPool::finished(const std::shared_ptr<Job>& job) {
    {
        const std::lock_guard lock(mutex_);
        if (job->call.writes) --writesRunning_;
        live_.remove(job);
    }
    work_.notify_all();  // a write slot may have come free
}

void WorkerPool::watchDeadlines() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        QDeadlineTimer next = QDeadlineTimer::Forever;
        std::vector<std::shared_ptr<Job>> expired;
        for (auto it = live_.begin(); it != live_.end();) {
            const std::shared_ptr<Job> job = *it;
            if (job->state == State::Answered) {
                ++it;
            } else if (job->deadline.hasExpired()) {
                expired.push_back(job);
                // A queued job answered here is dropped; a running one leaves when its worker is done.
                it = job->state == State::Queued ? live_.erase(it) : std::next(it);
            } else {
                if (job->deadline < next) next = job->deadline;
                ++it;
            }
        }
        if (!expired.empty()) {
            lock.unlock();
            for (const std::shared_ptr<Job>& job : expired) expire(*job);
            lock.lock();
            continue;
        }
        if (next.isForever())
            timers_.wait(lock);
        else
            timers_.wait_for(lock, std::chrono::milliseconds(std::max<qint64>(1, next.remainingTime())));
    }
}

void WorkerPool::expire(Job& job) {
    const bool running = job.state == State::Running;
    const QString text =
        running && job.call.writes
            ? QStringLiteral(
                  "O banco de dados não confirmou a gravação em %1 s. Repita a "
                  "operação: uma nota fiscal já emitida não recebe outro número")
            : QStringLiteral("O banco de dados não respondeu em %1 s; tente novamente em instantes");
    const QString detail = running ? QStringLiteral("the database kept the call past its deadline")
                                   : QStringLiteral("no worker was free before the call's deadline");
    CallReply reply = logged(log_, job.call.method(), 503, QStringLiteral("database_timeout"),
                             text.arg(seconds(deadline_)), detail);
    if (job.answer(running ? State::Running : State::Queued, std::move(reply)) && running)
        health_.markDown(QStringLiteral("o banco de dados não respondeu a tempo"));
}

}  // namespace kpv::server
