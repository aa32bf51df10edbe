#pragma once

#include "db/connection.h"

#include <atomic>
#include <unordered_map>

namespace kpv::db {

class FirebirdStatement;

// A connection over Firebird's client library (embedded file, or a server). Write transactions wait at
// most their lock wait for another writer's lock (the transaction's lock timeout). A statement still
// running at the call's deadline is cancelled; one that does not end even then (a server that stopped
// answering) has its connection closed under it, and the connection reports itself lost.
class FirebirdConnection final : public Connection {
  public:
    explicit FirebirdConnection(const DatabaseSettings& settings);
    ~FirebirdConnection() override;

    QString engineName() const override { return QStringLiteral("Firebird"); }
    Statement& prepare(const QString& sql) override;
    WriteResult write(const WriteBatch& batch) override;
    void begin(Access access, std::chrono::milliseconds lockWait) override;
    void commit() override;
    void rollback() noexcept override;
    bool inTransaction() const override { return transaction_ != 0 && !implicit_; }
    bool usable() const override { return !lost_; }
    void setDeadline(const QDeadlineTimer& deadline) override { deadline_ = deadline; }

  private:
    friend class FirebirdStatement;
    class Running;

    // Raises the kind of DatabaseError the status vector holds; `writesRows` for a statement that changes
    // rows.
    [[noreturn]] void fail(const QString& what, const long* status, const QString& sql = {},
                           bool writesRows = false);
    unsigned int* transactionFor();

    unsigned int attachment_ = 0;
    unsigned int transaction_ = 0;
    // A read transaction begun for a statement run outside any: ended by the next begin().
    bool implicit_ = false;
    QString target_;
    QDeadlineTimer deadline_ = QDeadlineTimer::Forever;
    std::atomic<bool> lost_ = false;
    std::unordered_map<QString, std::unique_ptr<FirebirdStatement>> statements_;
};

}  // namespace kpv::db
