#include "appserver/token_guard.h"

#include "appserver/call_log.h"

#include <QCryptographicHash>

#include <set>

namespace kpv::server {

namespace {

QByteArray digest(const QByteArray& presented) {
    return QCryptographicHash::hash(presented, QCryptographicHash::Sha256);
}

}  // namespace

void TokenGuard::forget(Record& r) {
    while (!r.refusals.empty() && r.refusals.front().stopsCounting.hasExpired()) r.refusals.pop_front();
    std::erase_if(r.tokensBlocked, [](const auto& entry) { return !running(entry.second); });
}

bool TokenGuard::blocked(const QString& address, const QByteArray& presented) {
    const std::lock_guard lock(mutex_);
    const auto found = records_.find(address);
    if (found == records_.end()) return false;
    Record& r = found->second;
    if (running(r.blockedUntil)) return true;
    forget(r);
    if (r.tokensBlocked.contains(digest(presented))) return true;
    if (r.refusals.empty() && r.tokensBlocked.empty()) records_.erase(found);
    return false;
}

void TokenGuard::refused(const QString& address, const QByteArray& presented) {
    const std::lock_guard lock(mutex_);
    Record& r = records_[address];
    forget(r);
    const QByteArray token = digest(presented);
    r.refusals.push_back({QDeadlineTimer(kTokenWindowMs), token});
    std::set<QByteArray> distinct;
    int sameToken = 0;
    for (const Refusal& refusal : r.refusals) {
        distinct.insert(refusal.token);
        if (refusal.token == token) ++sameToken;
    }
    if (int(distinct.size()) >= kMaxRefusedTokens) {
        r.refusals.clear();
        r.blockedUntil = QDeadlineTimer(kTokenWindowMs);
        log_.note(QStringLiteral("%1 refused for %2 s after %3 different wrong tokens within a minute")
                      .arg(address)
                      .arg(kTokenWindowMs / 1000)
                      .arg(kMaxRefusedTokens));
    } else if (sameToken >= kMaxRefusedTokens) {
        std::erase_if(r.refusals, [&token](const Refusal& refusal) { return refusal.token == token; });
        r.tokensBlocked[token] = QDeadlineTimer(kTokenWindowMs);
        log_.note(QStringLiteral("a token refused %1 times within a minute from %2 is refused for %3 s; "
                                 "the other tokens of that address are not")
                      .arg(kMaxRefusedTokens)
                      .arg(address)
                      .arg(kTokenWindowMs / 1000));
    }
}

}  // namespace kpv::server
