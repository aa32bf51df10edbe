#include "db/firebird_watchdog_p.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace kpv::db {

namespace {

// A statement cancelled at its deadline that is still running this much later is stuck in a server that
// no longer answers: its connection is closed under it.
constexpr std::chrono::milliseconds kAbortAfterCancel{1000};

class Watchdog {
  public:
    static Watchdog& instance() {
        static Watchdog watchdog;
        return watchdog;
    }

    int arm(isc_db_handle* attachment, const QDeadlineTimer& deadline, std::atomic<bool>* lost) {
        const std::lock_guard lock(mutex_);
        const int ticket = ++lastTicket_;
        watched_.emplace(ticket, Watched{attachment, deadline, lost, false});
        // Woken only when it would sleep past the new deadline: most statements end long before theirs.
        if (deadline < sleepsUntil_) wake_.notify_one();
        return ticket;
    }

    void disarm(int ticket) {
        const std::lock_guard lock(mutex_);
        watched_.erase(ticket);
    }

  private:
    struct Watched {
        isc_db_handle* attachment;
        QDeadlineTimer due;
        std::atomic<bool>* lost;
        bool cancelled;
    };

    Watchdog() : thread_([this] { watch(); }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }

    void watch() {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            QDeadlineTimer next = QDeadlineTimer::Forever;
            for (auto& [ticket, w] : watched_) {
                if (w.due.hasExpired()) fire(w);
                if (w.due < next) next = w.due;
            }
            sleepsUntil_ = next;
            if (next.isForever()) {
                wake_.wait(lock);
            } else {
                wake_.wait_for(lock, std::chrono::milliseconds(std::max<qint64>(1, next.remainingTime())));
            }
        }
    }

    // Under the lock: the statement cannot end and its connection go away meanwhile.
    static void fire(Watched& w) {
        ISC_STATUS_ARRAY status{};
        if (!w.cancelled) {
            fb_cancel_operation(status, w.attachment, fb_cancel_raise);
            w.cancelled = true;
            w.due = QDeadlineTimer(kAbortAfterCancel);
        } else {
            w.lost->store(true);
            fb_cancel_operation(status, w.attachment, fb_cancel_abort);
            w.due = QDeadlineTimer::Forever;
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::map<int, Watched> watched_;
    int lastTicket_ = 0;
    // When the watching thread wakes next by itself, whatever was disarmed since.
    QDeadlineTimer sleepsUntil_ = QDeadlineTimer::Forever;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace

int FirebirdWatchdog::Arm(isc_db_handle* attachment, const QDeadlineTimer& deadline,
                          std::atomic<bool>* lost) {
    return Watchdog::instance().arm(attachment, deadline, lost);
}

void FirebirdWatchdog::Disarm(int ticket) {
    Watchdog::instance().disarm(ticket);
}

}  // namespace kpv::db
