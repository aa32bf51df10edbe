#include "appserver/sign_in_throttle.h"

#include <QThread>

#include <algorithm>

namespace kpv::server {

namespace {

constexpr int kFreeFailures = 3;
constexpr int kGuessingAccounts = 10;
constexpr std::chrono::minutes kRemembered{15};
constexpr int kLongestWaitDoubling = 2;  // 1, 2, 4 s
constexpr int kUnderWayPerAddress = 4;

// The wait after `beyond` failures past the free ones (beyond >= 1).
std::chrono::seconds waitAfter(int beyond) {
    return std::chrono::seconds(1 << std::min(beyond - 1, kLongestWaitDoubling));
}

// What is left of the wait, in whole seconds as Retry-After says it; zero when it is over.
std::chrono::seconds left(std::chrono::steady_clock::time_point until,
                          std::chrono::steady_clock::time_point now) {
    if (until <= now) return std::chrono::seconds(0);
    return std::chrono::ceil<std::chrono::seconds>(until - now);
}

}  // namespace

void SignInThrottle::forgetOld(Clock::time_point now) {
    if (now - forgotAt_ < std::chrono::minutes(1)) return;
    forgotAt_ = now;
    std::erase_if(accounts_, [now](const auto& e) {
        return e.second.underWay == 0 && now - e.second.last > kRemembered;
    });
    std::erase_if(addresses_, [now](const auto& e) {
        return e.second.failures.underWay == 0 && now - e.second.failures.last > kRemembered;
    });
}

SignInThrottle::Verdict SignInThrottle::admit(const QString& login, const QString& address) {
    const std::lock_guard lock(mutex_);
    const Clock::time_point now = Clock::now();
    forgetOld(now);
    Failures& account = accounts_[{login, address}];
    AddressFailures& from = addresses_[address];
    if (now - account.last > kRemembered) account.count = 0;
    if (now - from.failures.last > kRemembered) {
        from.failures.count = 0;
        from.logins.clear();
    }
    if (int(from.logins.size()) >= kGuessingAccounts) {
        const int beyond = from.failures.count - kGuessingAccounts + 1;
        if (const std::chrono::seconds wait = left(from.failures.last + waitAfter(beyond), now);
            wait.count() > 0) {
            return {wait, QStringLiteral(
                              "Tentativas de entrada erradas demais vindas deste endereço; tente de novo em "
                              "%1 s.")
                              .arg(wait.count())};
        }
    }
    if (account.count > kFreeFailures) {
        const std::chrono::seconds wait = left(account.last + waitAfter(account.count - kFreeFailures), now);
        if (wait.count() > 0) {
            return {wait,
                    QStringLiteral("Tentativas de entrada erradas demais para %1; tente de novo em %2 s.")
                        .arg(login)
                        .arg(wait.count())};
        }
    }
    const std::chrono::seconds busy(1);
    if (account.underWay > 0)
        return {busy,
                QStringLiteral("Outra entrada de %1 está em andamento; tente de novo em 1 s.").arg(login)};
    if (from.failures.underWay >= kUnderWayPerAddress ||
        underWay_ >= std::max(2, QThread::idealThreadCount())) {
        return {busy,
                QStringLiteral("O servidor de aplicação está ocupado com outras entradas; tente de novo em "
                               "1 s.")};
    }
    ++account.underWay;
    ++from.failures.underWay;
    ++underWay_;
    return {};
}

void SignInThrottle::finish(const QString& login, const QString& address) {
    --accounts_[{login, address}].underWay;
    --addresses_[address].failures.underWay;
    --underWay_;
}

void SignInThrottle::settle(const QString& login, const QString& address, bool rightPassword) {
    const std::lock_guard lock(mutex_);
    finish(login, address);
    if (rightPassword) {
        accounts_.erase({login, address});
        return;
    }
    const Clock::time_point now = Clock::now();
    Failures& account = accounts_[{login, address}];
    ++account.count;
    account.last = now;
    AddressFailures& from = addresses_[address];
    ++from.failures.count;
    from.failures.last = now;
    from.logins.insert(login);
}

void SignInThrottle::abandon(const QString& login, const QString& address) {
    const std::lock_guard lock(mutex_);
    finish(login, address);
}

}  // namespace kpv::server
