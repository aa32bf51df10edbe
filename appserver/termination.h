#pragma once

#include <QObject>

class QSocketNotifier;

namespace kpv::server {

// Turns SIGTERM and SIGINT into a Qt signal of the event loop. The two signals are blocked for the whole
// process and read from a signalfd, so they never interrupt another thread: the Firebird engine's threads
// do not survive a system call cut short. Construct it before any thread starts.
class TerminationWatcher : public QObject {
    Q_OBJECT

  public:
    explicit TerminationWatcher(QObject* parent = nullptr);
    ~TerminationWatcher() override;

  Q_SIGNALS:
    void terminationRequested(int signalNumber);

  private:
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace kpv::server
