#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <deque>
#include <map>
#include <mutex>

namespace kpv::server {

class CallLog;

// Slows down the guessing of the shared token: an address that sent 10 wrong tokens within a minute is
// refused for the next minute, whatever it sends.
class TokenGuard {
  public:
    explicit TokenGuard(CallLog& log) : log_(log) {}

    bool blocked(const QString& address);
    void refused(const QString& address);

  private:
    struct Record {
        std::deque<QDeadlineTimer> refusals;  // when each of the last refusals stops counting
        QDeadlineTimer blockedUntil;
    };

    CallLog& log_;
    std::mutex mutex_;
    std::map<QString, Record> records_;
};

inline constexpr int kMaxRefusedTokens = 10;
inline constexpr int kTokenWindowMs = 60000;

}  // namespace kpv::server
