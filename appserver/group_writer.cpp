#include "appserver/group_writer.h"

#include "appserver/call_failure.h"
#include "appserver/call_log.h"
#include "appserver/database_health.h"
#include "appserver/rdm_emissao_rps.h"
#include "db/connection.h"
#include "db/write_transaction.h"

#include <algorithm>

namespace kpv::server {

namespace {

// The writer stops a call's statements this long before its deadline, so that it, rather than the
// deadline watch, answers whenever the database lets it.
constexpr std::chrono::milliseconds kAnswerMargin{300};
// A group holds at most this many calls, and waits for more only while they keep arriving: the next one
// within the gap, all of them within the limit.
constexpr std::size_t kMaxGroup = 64;
constexpr std::chrono::microseconds kGatherGap{200};
constexpr std::chrono::microseconds kGatherLimit{1000};

QDeadlineTimer workDeadline(const CallJob& job) {
    return QDeadlineTimer(std::max<qint64>(0, job.deadline.remainingTime() - kAnswerMargin.count()));
}

bool lostConnection(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const db::ConnectionLostError&) {
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

GroupWriter::GroupWriter(Connector connect, std::chrono::milliseconds deadline, DatabaseHealth& health,
                         CallLog& log, Finished finished)
    : connect_(std::move(connect)),
      deadline_(deadline),
      health_(health),
      log_(log),
      finished_(std::move(finished)),
      thread_([this] { serve(); }) {}

GroupWriter::~GroupWriter() {
    stop();
}

void GroupWriter::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    arrived_.notify_all();
    if (thread_.joinable()) thread_.join();
    const std::lock_guard lock(mutex_);
    queue_.clear();
}

void GroupWriter::submit(std::shared_ptr<CallJob> job) {
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    arrived_.notify_one();
}

void GroupWriter::serve() {
    while (waitForWork()) {
        if (beginTransaction()) runGroup(gather());
    }
    connection_.reset();  // closed in the thread that used it
}

bool GroupWriter::waitForWork() {
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    return !stopping_;
}

QDeadlineTimer GroupWriter::earliestDeadline() {
    const std::lock_guard lock(mutex_);
    QDeadlineTimer earliest = QDeadlineTimer::Forever;
    for (const auto& job : queue_) earliest = std::min(earliest, workDeadline(*job));
    return earliest;
}

// The transaction opens before the group is gathered: the calls that arrive while it waits for a lock
// another process holds join the group.
bool GroupWriter::beginTransaction() {
    for (int attempt = 0;; ++attempt) {
        const QDeadlineTimer until = earliestDeadline();
        const bool reused = connection_ != nullptr;
        try {
            if (!connection_) connection_ = connect_();
            connection_->setDeadline(until);
            connection_->begin(db::Access::Write,
                               std::min(db::kLockWait, std::chrono::milliseconds(until.remainingTime())));
            return true;
        } catch (const db::ConflictError&) {
            // Another process holds the write lock. The calls that cannot wait longer are refused; the
            // others wait on.
            Jobs expired;
            {
                const std::lock_guard lock(mutex_);
                for (auto it = queue_.begin(); it != queue_.end();) {
                    if (workDeadline(**it).hasExpired()) {
                        expired.push_back(*it);
                        it = queue_.erase(it);
                    } else {
                        ++it;
                    }
                }
            }
            fail(expired, std::make_exception_ptr(
                              db::BusyFor(std::chrono::ceil<std::chrono::seconds>(deadline_).count())));
            if (!waitForWork()) return false;
        } catch (...) {
            const std::exception_ptr failure = std::current_exception();
            connection_.reset();
            // A connection kept from earlier groups may just have gone stale: one more try on a new one.
            if (reused && attempt == 0 && lostConnection(failure)) continue;
            Jobs waiting;
            {
                const std::lock_guard lock(mutex_);
                waiting.assign(queue_.begin(), queue_.end());
                queue_.clear();
            }
            fail(waiting, failure);
            return false;
        }
    }
}

GroupWriter::Jobs GroupWriter::gather() {
    Jobs group;
    std::unique_lock lock(mutex_);
    const auto take = [&] {
        while (!queue_.empty() && group.size() < kMaxGroup) {
            group.push_back(std::move(queue_.front()));
            queue_.pop_front();
        }
    };
    take();
    // A lone call goes at once; calls that come together are likely followed by more on their way.
    if (group.size() > 1) {
        const auto limit = std::chrono::steady_clock::now() + kGatherLimit;
        while (group.size() < kMaxGroup) {
            const auto until = std::min(limit, std::chrono::steady_clock::now() + kGatherGap);
            if (!arrived_.wait_until(lock, until, [this] { return stopping_ || !queue_.empty(); })) break;
            if (stopping_) break;
            take();
        }
    }
    return group;
}

void GroupWriter::runGroup(Jobs group) {
    std::vector<Result> results;
    const Jobs again = runCalls(group, results);
    if (!connection_) return;  // the transaction went with its connection; its calls are answered
    commit(results);
    if (again.empty()) return;
    // What lost a counter to another server starts over first, in the next transaction.
    {
        const std::lock_guard lock(mutex_);
        queue_.insert(queue_.begin(), again.begin(), again.end());
    }
    arrived_.notify_one();
}

// The invoices the group's calls give numbers to are read in one statement, which spares each call its own
// read and tells the counters it will take. Servers over one database take the counters of their groups in
// one order, so that two groups never wait for each other's counters in a circle: one of them waits for the
// other's commit, and starts over.
void GroupWriter::readAheadAndOrder(Jobs& group) {
    std::vector<InvoicesReadAhead::Invoice> invoices;
    QDeadlineTimer until = QDeadlineTimer::Forever;
    for (const std::shared_ptr<CallJob>& job : group) {
        if (const auto invoice = RemoteDispatcher::issuedInvoice(job->call)) invoices.push_back(*invoice);
        until = std::min(until, workDeadline(*job));
    }
    try {
        connection_->setDeadline(until);
        readAhead_.read(*connection_, invoices);
    } catch (const db::DatabaseError&) {
        // Unread and unordered: each call meets the failure again on its own read, and answers it.
        readAhead_ = InvoicesReadAhead();
        return;
    }
    if (group.size() < 2) return;
    std::vector<std::pair<QString, std::shared_ptr<CallJob>>> keyed;
    for (const std::shared_ptr<CallJob>& job : group) {
        const auto invoice = RemoteDispatcher::issuedInvoice(job->call);
        const InvoiceState* state = invoice ? readAhead_.find(*invoice) : nullptr;
        keyed.emplace_back(state ? state->counter() : QString(), job);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < group.size(); ++i) group[i] = std::move(keyed[i].second);
}

GroupWriter::Jobs GroupWriter::runCalls(Jobs& group, std::vector<Result>& results) {
    readAheadAndOrder(group);
    for (std::size_t i = 0; i < group.size(); ++i) {
        const std::shared_ptr<CallJob>& job = group[i];
        // A call the deadline watch answered while it waited is gone; one that starts over is already ours.
        if (job->state == CallJob::State::Answered ||
            (job->state == CallJob::State::Queued && !job->start())) {
            finished_(job);
            continue;
        }
        const QDeadlineTimer work = workDeadline(*job);
        if (work.hasExpired()) {
            results.push_back(
                {job, FailureOf(std::make_exception_ptr(
                                    db::BusyFor(std::chrono::ceil<std::chrono::seconds>(deadline_).count())),
                                job->call.method(), true, log_, deadline_)
                          .reply});
            continue;
        }
        try {
            connection_->setDeadline(work);
            TrdmEmissaoRPS module(*connection_, work);
            module.useReadAhead(&readAhead_);
            results.push_back({job, RemoteDispatcher::run(module, job->call)});
        } catch (const db::ConflictError&) {
            // Lost a counter to another server: its savepoint is rolled back; it and the calls after it
            // start over once what came before is committed.
            return Jobs(group.begin() + std::ptrdiff_t(i), group.end());
        } catch (...) {
            const std::exception_ptr failure = std::current_exception();
            if (lostConnection(failure) || !connection_->usable() || !connection_->inTransaction()) {
                // The transaction is gone: nothing of the group was committed, and no call of it may say so.
                Jobs all;
                for (const Result& r : results) all.push_back(r.job);
                all.insert(all.end(), group.begin() + std::ptrdiff_t(i), group.end());
                results.clear();
                connection_.reset();
                fail(all, failure);
                return {};
            }
            results.push_back({job, FailureOf(failure, job->call.method(), true, log_, deadline_).reply});
        }
    }
    return {};
}

void GroupWriter::commit(std::vector<Result>& results) {
    const bool wrote = std::any_of(results.begin(), results.end(),
                                   [](const Result& r) { return r.reply.success || r.reply.recorded; });
    QDeadlineTimer until = QDeadlineTimer::Forever;
    for (const Result& r : results) until = std::min(until, workDeadline(*r.job));
    try {
        connection_->setDeadline(until);
        if (wrote)
            connection_->commit();
        else
            connection_->rollback();  // refusals and failures only: nothing to make durable
    } catch (...) {
        const std::exception_ptr failure = std::current_exception();
        const bool usable = connection_->usable();
        for (Result& r : results) {
            // What was refused wrote nothing and stays refused; what succeeded is told the commit's fate.
            if (r.reply.success) {
                const CallFailure f = FailureOf(failure, r.job->call.method(), usable, log_, deadline_);
                if (!f.databaseDown.isEmpty()) health_.markDown(f.databaseDown);
                r.reply = f.reply;
            }
        }
        connection_->rollback();
        if (!usable || lostConnection(failure)) connection_.reset();
    }
    for (Result& r : results) answer(r.job, std::move(r.reply));
}

void GroupWriter::fail(const Jobs& jobs, const std::exception_ptr& failure) {
    for (const std::shared_ptr<CallJob>& job : jobs) {
        if (job->state == CallJob::State::Queued && !job->start()) {
            finished_(job);
            continue;
        }
        const CallFailure f = FailureOf(failure, job->call.method(), false, log_, deadline_);
        if (!f.databaseDown.isEmpty()) health_.markDown(f.databaseDown);
        answer(job, f.reply);
    }
}

void GroupWriter::answer(const std::shared_ptr<CallJob>& job, CallReply reply) {
    job->answer(CallJob::State::Running, std::move(reply));
    finished_(job);
}

}  // namespace kpv::server
