#include "appserver/token_guard.h"

#include "appserver/call_log.h"

namespace kpv::server {

bool TokenGuard::blocked(const QString& address) {
    const std::lock_guard lock(mutex_);
    const auto found = records_.find(address);
    if (found == records_.end()) return false;
    Record& r = found->second;
    if (!r.blockedUntil.isForever() && !r.blockedUntil.hasExpired()) return true;
    while (!r.refusals.empty() && r.refusals.front().hasExpired()) r.refusals.pop_front();
    if (r.refusals.empty()) records_.erase(found);
    return false;
}

void TokenGuard::refused(const QString& address) {
    const std::lock_guard lock(mutex_);
    Record& r = records_[address];
    while (!r.refusals.empty() && r.refusals.front().hasExpired()) r.refusals.pop_front();
    r.refusals.emplace_back(kTokenWindowMs);
    if (int(r.refusals.size()) < kMaxRefusedTokens) return;
    r.refusals.clear();
    r.blockedUntil = QDeadlineTimer(kTokenWindowMs);
    log_.note(QStringLiteral("%1 refused for %2 s after %3 wrong tokens within a minute")
                  .arg(address)
                  .arg(kTokenWindowMs / 1000)
                  .arg(kMaxRefusedTokens));
}

}  // namespace kpv::server
