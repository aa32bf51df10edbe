#include "appserver/group_writer.h"

#include "appserver/call_failure.h"
#include "appserver/call_log.h"
#include "appserver/database_health.h"
#include "appserver/rdm_emissao_rps.h"
#include "db/connection.h"
#include "db/write_transaction.h"

#include <algorithm>
#include <optional>

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
        if (beginTransaction()) runGroup();
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

GroupWriter::Jobs GroupWriter::take(std::size_t room, bool wait,
                                    std::chrono::steady_clock::time_point limit) {
    Jobs taken;
    std::unique_lock lock(mutex_);
    if (wait) {
        const auto until = std::min(limit, std::chrono::steady_clock::now() + kGatherGap);
        arrived_.wait_until(lock, until, [this] { return stopping_ || !queue_.empty(); });
    }
    while (!queue_.empty() && taken.size() < room) {
        taken.push_back(std::move(queue_.front()));
        queue_.pop_front();
    }
    return taken;
}

// The calls run as they come: those waiting when the group begins, then those that arrived meanwhile, while
// they keep coming. A lone call is committed at once; calls that come together are likely followed by more
// on their way, which the group waits for while the next one comes within the gap, until the limit.
void GroupWriter::runGroup() {
    std::vector<Result> results;
    Jobs later;  // left for the next transaction
    QString highest;
    std::size_t taken = 0;
    const auto limit = std::chrono::steady_clock::now() + kGatherLimit;
    for (Jobs calls = take(kMaxGroup, false, limit); !calls.empty();) {
        taken += calls.size();
        const bool goOn = runCalls(calls, results, highest, later);
        if (!connection_) return;  // the transaction went with its connection; its calls are answered
        if (!goOn || taken >= kMaxGroup) break;
        const bool wait = taken > 1 && std::chrono::steady_clock::now() < limit;
        calls = take(kMaxGroup - taken, wait, limit);
    }
    commit(results);
    if (later.empty()) return;
    // What lost a counter to another server, or came after the counters this group took, goes first in the
    // next transaction.
    {
        const std::lock_guard lock(mutex_);
        queue_.insert(queue_.begin(), later.begin(), later.end());
    }
    arrived_.notify_one();
}

// The invoices the calls give numbers to are read in one statement, which spares each call its own read and
// tells the counter it will take. Servers over one database take the counters of their transactions in one
// order, so that two of them never wait for each other's counters in a circle: one of them waits for the
// other's commit, and starts over. The calls come back in that order, with their counters (empty for none).
std::vector<QString> GroupWriter::readAheadAndOrder(Jobs& calls) {
    std::vector<std::optional<InvoicesReadAhead::Invoice>> issued;
    std::vector<InvoicesReadAhead::Invoice> invoices;
    QDeadlineTimer until = QDeadlineTimer::Forever;
    for (const std::shared_ptr<CallJob>& job : calls) {
        issued.push_back(RemoteDispatcher::issuedInvoice(job->call));
        if (issued.back()) invoices.push_back(*issued.back());
        until = std::min(until, workDeadline(*job));
    }
    try {
        connection_->setDeadline(until);
        readAhead_.read(*connection_, invoices);
    } catch (const db::DatabaseError&) {
        // Unread and unordered: each call meets the failure again on its own read, and answers it.
        readAhead_ = InvoicesReadAhead();
        return std::vector<QString>(calls.size());
    }
    std::vector<std::pair<QString, std::shared_ptr<CallJob>>> keyed;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const InvoiceState* state = issued[i] ? readAhead_.find(*issued[i]) : nullptr;
        keyed.emplace_back(state ? state->counter() : QString(), calls[i]);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<QString> counters;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        counters.push_back(std::move(keyed[i].first));
        calls[i] = std::move(keyed[i].second);
    }
    return counters;
}

bool GroupWriter::runCalls(Jobs& calls, std::vector<Result>& results, QString& highest, Jobs& later) {
    const std::vector<QString> counters = readAheadAndOrder(calls);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const std::shared_ptr<CallJob>& job = calls[i];
        // A counter below one the transaction already holds would break the order: the next one takes it.
        if (!counters[i].isEmpty() && counters[i] < highest) {
            later.push_back(job);
            continue;
        }
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
            highest = std::max(highest, counters[i]);
        } catch (const db::ConflictError&) {
            // Lost a counter to another server, or found its invoice changed: nothing of it stands; it and
            // the calls after it start over once what came before is committed.
            later.insert(later.end(), calls.begin() + std::ptrdiff_t(i), calls.end());
            return false;
        } catch (...) {
            const std::exception_ptr failure = std::current_exception();
            if (lostConnection(failure) || !connection_->usable() || !connection_->inTransaction()) {
                // The transaction is gone: nothing of the group was committed, and no call of it may say so.
                Jobs all;
                for (const Result& r : results) all.push_back(r.job);
                all.insert(all.end(), calls.begin() + std::ptrdiff_t(i), calls.end());
                all.insert(all.end(), later.begin(), later.end());
                later.clear();
                results.clear();
                connection_.reset();
                fail(all, failure);
                return false;
            }
            results.push_back({job, FailureOf(failure, job->call.method(), true, log_, deadline_).reply});
        }
    }
    return true;
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
