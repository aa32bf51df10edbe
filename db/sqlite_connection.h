#pragma once

#include "db/connection.h"

#include <unordered_map>

struct sqlite3;

namespace kpv::db {

class SqliteStatement;

// Every connection to a SQLite database commits durably (tests read it back).
inline constexpr const char* kDurableCommits = "PRAGMA synchronous=FULL";

// A connection over SQLite's own library. Waits for another writer's lock in short sleeps, never past
// the lock wait of the transaction or the call's deadline; a statement running past the deadline is
// interrupted by the progress handler. Readers of a WAL database never wait for the writer.
class SqliteConnection final : public Connection {
  public:
    explicit SqliteConnection(const DatabaseSettings& settings);
    ~SqliteConnection() override;

    QString engineName() const override { return QStringLiteral("SQLite"); }
    Statement& prepare(const QString& sql) override;
    // Statement by statement: on a local file each costs no more than the batch would.
    WriteResult write(const WriteBatch& batch) override;
    void begin(Access access, std::chrono::milliseconds lockWait) override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override { return inTransaction_; }
    bool usable() const override { return true; }
    void setDeadline(const QDeadlineTimer& deadline) override { deadline_ = deadline; }

  private:
    friend class SqliteStatement;
    [[noreturn]] void fail(const QString& what, int code, const QString& sql = {}) const;
    void run(const char* statement, const QString& what);
    static int busy(void* self, int attempt);
    static int progress(void* self);

    sqlite3* db_ = nullptr;
    QString path_;
    std::unordered_map<QString, std::unique_ptr<SqliteStatement>> statements_;
    QDeadlineTimer deadline_ = QDeadlineTimer::Forever;
    // How long the current wait for another writer may last; the busy timeout of the settings outside
    // a write transaction.
    std::chrono::milliseconds lockWait_;
    std::chrono::milliseconds defaultLockWait_;
    QDeadlineTimer lockWaitEnd_;
    bool inTransaction_ = false;
};

}  // namespace kpv::db
