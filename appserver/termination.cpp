#include "appserver/termination.h"

#include <QSocketNotifier>

#include <sys/signalfd.h>
#include <unistd.h>
#include <csignal>
#include <stdexcept>

namespace kpv::server {

TerminationWatcher::TerminationWatcher(QObject* parent) : QObject(parent) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    // Threads started from now on inherit the mask.
    if (::pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) throw std::runtime_error("cannot block SIGTERM");
    fd_ = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("signalfd failed: cannot watch for SIGTERM");
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info{};
        while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            Q_EMIT terminationRequested(static_cast<int>(info.ssi_signo));
        }
    });
}

TerminationWatcher::~TerminationWatcher() {
    delete notifier_;
    ::close(fd_);
}

}  // namespace kpv::server
