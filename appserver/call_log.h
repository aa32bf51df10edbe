#pragma once

#include <QString>

#include <cstdio>
#include <mutex>

namespace kpv::server {

// One line per call on a stream (standard error): time, peer, method, duration, outcome. Workers write
// at once, so lines are written whole under a lock.
class CallLog {
  public:
    explicit CallLog(std::FILE* stream) : stream_(stream) {}
    void write(const QString& peer, const QString& method, double milliseconds, const QString& outcome);
    void note(const QString& text);

  private:
    std::FILE* stream_;
    std::mutex mutex_;
};

// A short code that ties what the user reads to the detail the log keeps ("3f9a2b1c").
QString NewErrorId();

}  // namespace kpv::server
