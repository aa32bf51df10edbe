#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <deque>
#include <map>
#include <mutex>

namespace kpv::server {

class CallLog;

// Slows down the guessing of the shared token without locking a clerk out for a neighbour's mistake.
// Refusals are counted per address and per token presented: one wrong token sent 10 times within a minute
// (a clerk whose configuration still holds an old token, behind the same address as everyone else) is
// refused for the next minute, that token only; 10 different wrong tokens from one address within a
// minute are guessing, and the address is refused for the next minute whatever it sends.
class TokenGuard {
  public:
    explicit TokenGuard(CallLog& log) : log_(log) {}

    bool blocked(const QString& address, const QByteArray& presented);
    void refused(const QString& address, const QByteArray& presented);

  private:
    struct Refusal {
        QDeadlineTimer stopsCounting;
        QByteArray token;  // a digest of the token presented
    };
    struct Record {
        std::deque<Refusal> refusals;
        QDeadlineTimer blockedUntil;                         // the whole address: it was guessing
        std::map<QByteArray, QDeadlineTimer> tokensBlocked;  // one token from this address
    };

    static bool running(const QDeadlineTimer& t) { return !t.isForever() && !t.hasExpired(); }
    static void forget(Record& r);

    CallLog& log_;
    std::mutex mutex_;
    std::map<QString, Record> records_;
};

inline constexpr int kMaxRefusedTokens = 10;
inline constexpr int kTokenWindowMs = 60000;

}  // namespace kpv::server
