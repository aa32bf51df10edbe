#pragma once

#include "db/database_error.h"
#include "db/db_export.h"

#include <QDate>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QString>

#include <chrono>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kpv::db {

struct DatabaseSettings;
class WriteBatch;
class WriteResult;

// A date and time as stored: wall-clock, no time zone, whole milliseconds.
struct KPV_DB_EXPORT Timestamp {
    QDate date;
    int msecs = 0;  // since midnight

    bool isValid() const { return date.isValid(); }
    QDateTime toDateTime() const;
};

// A statement parameter: null, text, integer, number, date, or date and time.
using Value = std::variant<std::monostate, QString, qint64, double, QDate, QDateTime>;

// A text that binds as null when empty, for the optional columns.
inline Value TextOrNull(const QString& text) {
    return text.isEmpty() ? Value() : Value(text);
}

// A statement prepared on its connection, kept there and run as often as needed. Its result columns are
// read in place, without a value object per cell: texts as UTF-8 views into the engine's buffers.
class KPV_DB_EXPORT Statement {
  public:
    virtual ~Statement() = default;

    // Runs the statement with its parameters in order. A query's rows, or what UPDATE ... RETURNING
    // gives back, are read with next() afterwards. Throws DatabaseError or one of its kinds.
    void execute(std::initializer_list<Value> params) { run(params.begin(), params.end()); }
    void execute(const std::vector<Value>& params) { run(params.data(), params.data() + params.size()); }
    virtual bool next() = 0;
    // Ends the current run before all its rows were read, so the engine lets go of it.
    virtual void finish() = 0;
    virtual qint64 rowsAffected() const = 0;

    // The position of a result column by its name, letter case ignored. Throws DatabaseError when the
    // statement has no such column, so a misspelt name fails the first call rather than reading nothing.
    int column(std::string_view name) const;

    virtual bool isNull(int column) const = 0;
    // UTF-8, without the trailing blanks of fixed-length texts; valid until the next next() or execute().
    virtual std::string_view text(int column) const = 0;
    QString string(int column) const;
    virtual qint64 integer(int column) const = 0;
    virtual double number(int column) const = 0;
    // A date column reads as its midnight; a null reads as an invalid Timestamp.
    virtual Timestamp timestamp(int column) const = 0;

  protected:
    virtual void run(const Value* begin, const Value* end) = 0;

    // Upper-case result column names, set when the statement is prepared.
    std::vector<std::string> columnNames_;
    QString sql_;
};

enum class Access { Read, Write };

// A connection of one thread to the application database, over the engine's own client library.
class KPV_DB_EXPORT Connection {
  public:
    virtual ~Connection() = default;

    virtual QString engineName() const = 0;

    // The statement of this text, prepared on first use and kept for the life of the connection.
    virtual Statement& prepare(const QString& sql) = 0;
    // Runs the batch (db/write_batch.h) in the open transaction: all of it stands, or none of it. Throws
    // ConflictError when a step found no row to change, DatabaseError or one of its kinds otherwise.
    virtual WriteResult write(const WriteBatch& batch) = 0;

    // A transaction for reading or for writing. A write transaction takes the engine's write lock as
    // early as the engine allows, and waits at most `lockWait` for a lock another writer holds
    // (ConflictError after that). Statements outside a transaction run each in one of their own.
    virtual void begin(Access access, std::chrono::milliseconds lockWait) = 0;
    // Throws CommitUnknownError when the connection is lost on the way.
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;
    virtual bool inTransaction() const = 0;
    // False once the connection is gone (lost, or closed under a statement stuck past its deadline).
    virtual bool usable() const = 0;

    // From now on, a statement still running when `deadline` passes is interrupted with DeadlineError.
    virtual void setDeadline(const QDeadlineTimer& deadline) = 0;
};

// Opens the existing database of the settings with the engine's client library; no database or schema
// is created here (OpenDatabase does that). Throws DatabaseError or ConnectionLostError, the latter when
// the engine could not be reached at all, and refuses a read-only engine (RequireServedEngine).
KPV_DB_EXPORT std::unique_ptr<Connection> Connect(const DatabaseSettings& settings);

// Refuses, saying which engines it serves, an engine the application server keeps no connections to:
// the host application's own Oracle or MSSQL database (Dialect::readOnly).
KPV_DB_EXPORT void RequireServedEngine(const DatabaseSettings& settings);

}  // namespace kpv::db
