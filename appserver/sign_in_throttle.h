#pragma once

#include <QString>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace kpv::server {

// Keeps guessing passwords slow without locking anybody out for somebody else's mistakes. Failed sign-ins are
// counted per account and address, and per address:
// - an account's 3 first failures from an address within a quarter of an hour cost nothing; each one after
//   makes that account wait from that address 1, 2, then 4 s before it may try again; its attempts from
//   other addresses, and the other accounts of the address, are not slowed;
// - an address that failed for 10 different accounts within a quarter of an hour is guessing, and each of
//   its sign-ins waits 1, 2, then 4 s after its last failure, whatever the account.
// So the right password always gets in within a few seconds. One attempt of an account from an address is
// verified at a time, a few of an address, and no more at once than the machine has cores: a hash costs
// tens of milliseconds of one core.
class SignInThrottle {
  public:
    struct Verdict {
        std::chrono::seconds wait{0};  // zero: the attempt goes on, and is under way until settled
        QString reason;                // why it waits, in Portuguese
    };

    Verdict admit(const QString& login, const QString& address);
    // The end of an attempt admitted: `rightPassword` tells a failure from a success.
    void settle(const QString& login, const QString& address, bool rightPassword);
    // The end of an attempt admitted that was never verified (the server stopping, the database away).
    void abandon(const QString& login, const QString& address);

  private:
    using Clock = std::chrono::steady_clock;
    struct Failures {
        int count = 0;
        Clock::time_point last;
        int underWay = 0;
    };
    struct AddressFailures {
        Failures failures;
        std::set<QString> logins;  // the accounts it failed for
    };

    void forgetOld(Clock::time_point now);
    void finish(const QString& login, const QString& address);

    std::mutex mutex_;
    std::map<std::pair<QString, QString>, Failures> accounts_;  // (login, address)
    std::map<QString, AddressFailures> addresses_;
    int underWay_ = 0;
    Clock::time_point forgotAt_;
};

}  // namespace kpv::server
