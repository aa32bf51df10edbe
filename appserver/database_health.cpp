#include "appserver/database_health.h"

#include "db/database_error.h"

namespace kpv::server {

namespace {
// How often a database taken for gone is tried again: service resumes within this of its return.
constexpr std::chrono::milliseconds kProbeInterval{200};
}  // namespace

DatabaseHealth::DatabaseHealth(std::function<void()> probe)
    : probe_(std::move(probe)), thread_([this] { watch(); }) {}

DatabaseHealth::~DatabaseHealth() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool DatabaseHealth::available() const {
    const std::lock_guard lock(mutex_);
    return !down_;
}

QString DatabaseHealth::reason() const {
    const std::lock_guard lock(mutex_);
    return down_ ? reason_ : QString();
}

void DatabaseHealth::markDown(const QString& reason) {
    {
        const std::lock_guard lock(mutex_);
        down_ = true;
        reason_ = reason;
    }
    wake_.notify_all();
}

void DatabaseHealth::watch() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return down_ || stopping_; });
        if (stopping_) return;
        lock.unlock();
        QString failure;
        // The probe may wait long on a server that stopped answering; nothing else waits for it.
        try {
            probe_();
        } catch (const db::DatabaseError& e) {
            failure = e.message();
        } catch (const std::exception& e) {
            failure = QString::fromUtf8(e.what());
        }
        lock.lock();
        if (failure.isEmpty()) {
            down_ = false;
            reason_.clear();
            continue;
        }
        reason_ = failure;
        wake_.wait_for(lock, kProbeInterval, [this] { return stopping_; });
        if (stopping_) return;
    }
}

}  // namespace kpv::server
