#pragma once

#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kpv::server {

// Whether the database answers. Once a call finds it gone or silent, calls are refused at once instead
// of waiting for it, and a thread of its own tries to reach it every fraction of a second; the first
// success lets the calls through again.
class DatabaseHealth {
  public:
    // `probe` reaches the database or throws (db::DatabaseError) with the reason.
    explicit DatabaseHealth(std::function<void()> probe);
    ~DatabaseHealth();
    DatabaseHealth(const DatabaseHealth&) = delete;
    DatabaseHealth& operator=(const DatabaseHealth&) = delete;

    bool available() const;
    // Why the database is taken for gone; empty while it answers.
    QString reason() const;
    void markDown(const QString& reason);

  private:
    void watch();

    std::function<void()> probe_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    QString reason_;
    bool down_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace kpv::server
