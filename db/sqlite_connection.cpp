#include "db/sqlite_connection.h"

#include "db/database_settings.h"
#include "db/write_batch.h"

#include <QThread>

#include <sqlite3.h>

#include <charconv>

namespace kpv::db {

namespace {

// How many virtual-machine steps pass between two looks at the deadline: often enough to stop a long
// query within milliseconds, rarely enough to cost nothing.
constexpr int kProgressSteps = 2000;

QString errorText(sqlite3* db, int code) {
    const char* text = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return QString::fromUtf8(text);
}

int digits(std::string_view text, size_t at, size_t count) {
    int value = 0;
    if (at + count > text.size()) return -1;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + at + count, value);
    return error == std::errc() && end == text.data() + at + count ? value : -1;
}

// SQLite keeps dates as the text the server wrote: "yyyy-MM-dd", or with " HH:mm:ss" (or "T") after it.
Timestamp parseTimestamp(std::string_view text) {
    Timestamp t;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    if (year < 0 || month < 0 || day < 0) return t;
    t.date = QDate(year, month, day);
    if (text.size() >= 19 && (text[10] == ' ' || text[10] == 'T')) {
        const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
        if (hour >= 0 && minute >= 0 && second >= 0) t.msecs = ((hour * 60 + minute) * 60 + second) * 1000;
    }
    return t;
}

}  // namespace

class SqliteStatement final : public Statement {
  public:
    SqliteStatement(SqliteConnection& connection, const QString& sql) : connection_(connection) {
        sql_ = sql;
        const QByteArray text = sql.toUtf8();
        const int code = sqlite3_prepare_v3(connection.db_, text.constData(), int(text.size()),
                                            SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
        if (code != SQLITE_OK) connection.fail(QStringLiteral("Falha ao preparar comando SQL"), code, sql);
        for (int c = 0; c < sqlite3_column_count(statement_); ++c) {
            std::string name = sqlite3_column_name(statement_, c);
            for (char& ch : name) ch = char(std::toupper(static_cast<unsigned char>(ch)));
            columnNames_.push_back(std::move(name));
        }
    }
    ~SqliteStatement() override { sqlite3_finalize(statement_); }

    bool next() override {
        if (pending_) {
            pending_ = false;
            return true;
        }
        if (done_) return false;
        return step();
    }

    void finish() override {
        sqlite3_reset(statement_);
        pending_ = false;
        done_ = true;
    }

    qint64 rowsAffected() const override { return changes_; }
    bool isNull(int c) const override { return sqlite3_column_type(statement_, c) == SQLITE_NULL; }
    std::string_view text(int c) const override {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(statement_, c));
        return data ? std::string_view(data, size_t(sqlite3_column_bytes(statement_, c)))
                    : std::string_view();
    }
    qint64 integer(int c) const override { return sqlite3_column_int64(statement_, c); }
    double number(int c) const override { return sqlite3_column_double(statement_, c); }
    Timestamp timestamp(int c) const override {
        return sqlite3_column_type(statement_, c) == SQLITE_TEXT ? parseTimestamp(text(c)) : Timestamp();
    }

  private:
    void run(const Value* begin, const Value* end) override {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
        int index = 1;
        for (const Value* v = begin; v != end; ++v, ++index) bind(index, *v);
        pending_ = done_ = false;
        changes_ = 0;
        pending_ = step();
    }

    void bind(int index, const Value& value) {
        int code = SQLITE_OK;
        const auto text = [&](const QString& s) {
            const QByteArray utf8 = s.toUtf8();
            return sqlite3_bind_text(statement_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        };
        if (std::holds_alternative<std::monostate>(value)) {
            code = sqlite3_bind_null(statement_, index);
        } else if (const auto* s = std::get_if<QString>(&value)) {
            code = s->isNull() ? sqlite3_bind_null(statement_, index) : text(*s);
        } else if (const auto* i = std::get_if<qint64>(&value)) {
            code = sqlite3_bind_int64(statement_, index, *i);
        } else if (const auto* d = std::get_if<double>(&value)) {
            code = sqlite3_bind_double(statement_, index, *d);
        } else if (const auto* date = std::get_if<QDate>(&value)) {
            code = date->isValid() ? text(date->toString(Qt::ISODate)) : sqlite3_bind_null(statement_, index);
        } else if (const auto* stamp = std::get_if<QDateTime>(&value)) {
            code = stamp->isValid() ? text(stamp->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                                    : sqlite3_bind_null(statement_, index);
        }
        if (code != SQLITE_OK)
            connection_.fail(QStringLiteral("Falha ao passar parâmetro ao comando"), code, sql_);
    }

    bool step() {
        const int code = sqlite3_step(statement_);
        if (code == SQLITE_ROW) return true;
        done_ = true;
        if (code == SQLITE_DONE) {
            changes_ = sqlite3_changes64(connection_.db_);
            return false;
        }
        sqlite3_reset(statement_);
        connection_.fail(QStringLiteral("Falha ao executar comando SQL"), code, sql_);
    }

    SqliteConnection& connection_;
    sqlite3_stmt* statement_ = nullptr;
    bool pending_ = false;
    bool done_ = true;
    qint64 changes_ = 0;
};

SqliteConnection::SqliteConnection(const DatabaseSettings& settings)
    : path_(settings.path), lockWait_(settings.busyTimeoutMs), defaultLockWait_(settings.busyTimeoutMs) {
    const QByteArray file = settings.path.toUtf8();
    // Each connection belongs to one thread at a time: SQLite need not lock around it.
    const int code =
        sqlite3_open_v2(file.constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const QString reason = errorText(db_, code);
        sqlite3_close(db_);
        db_ = nullptr;
        throw ConnectionLostError(
            QStringLiteral("Não foi possível abrir o banco de dados SQLite \"%1\"").arg(path_), reason);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_handler(db_, &SqliteConnection::busy, this);
    sqlite3_progress_handler(db_, kProgressSteps, &SqliteConnection::progress, this);
    // Said rather than left to the build's default: a commit returns only once the disk has it, so an
    // answer "S" is never sent for an RPS a power cut could take back.
    run(kDurableCommits, QStringLiteral("Falha ao preparar o banco de dados SQLite"));
}

SqliteConnection::~SqliteConnection() {
    if (inTransaction_) rollback();
    statements_.clear();  // finalized before the connection closes
    sqlite3_close(db_);
}

void SqliteConnection::fail(const QString& what, int code, const QString& sql) const {
    QString detail = errorText(db_, code);
    if (!sql.isEmpty()) detail += QStringLiteral(" [") + sql.simplified() + QLatin1Char(']');
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw ConflictError(what, detail);
        case SQLITE_INTERRUPT:
            throw DeadlineError(what, detail);
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_NOTADB:
            throw ConnectionLostError(what, detail);
        default:
            throw DatabaseError(what, detail);
    }
}

WriteResult SqliteConnection::write(const WriteBatch& batch) {
    return WriteStepByStep(*this, batch);
}

Statement& SqliteConnection::prepare(const QString& sql) {
    auto found = statements_.find(sql);
    if (found == statements_.end())
        found = statements_.emplace(sql, std::make_unique<SqliteStatement>(*this, sql)).first;
    return *found->second;
}

void SqliteConnection::run(const char* statement, const QString& what) {
    char* message = nullptr;
    const int code = sqlite3_exec(db_, statement, nullptr, nullptr, &message);
    sqlite3_free(message);
    if (code != SQLITE_OK) fail(what, code);
}

void SqliteConnection::begin(Access access, std::chrono::milliseconds lockWait) {
    lockWait_ = lockWait;
    // IMMEDIATE takes the write lock at once: two writers never both read the same counter value.
    run(access == Access::Write ? "BEGIN IMMEDIATE" : "BEGIN", QStringLiteral("Falha ao iniciar transação"));
    inTransaction_ = true;
}

void SqliteConnection::commit() {
    run("COMMIT", QStringLiteral("Falha ao confirmar transação"));
    inTransaction_ = false;
    lockWait_ = defaultLockWait_;
}

void SqliteConnection::rollback() noexcept {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    inTransaction_ = false;
    lockWait_ = defaultLockWait_;
}

// Called while another connection holds the lock: keep waiting (non-zero) or give up (SQLITE_BUSY).
int SqliteConnection::busy(void* self, int attempt) {
    auto* c = static_cast<SqliteConnection*>(self);
    if (attempt == 0) c->lockWaitEnd_ = QDeadlineTimer(c->lockWait_);
    if (c->lockWaitEnd_.hasExpired() || c->deadline_.hasExpired()) return 0;
    QThread::usleep(attempt < 10 ? 200 : 1000);
    return 1;
}

int SqliteConnection::progress(void* self) {
    return static_cast<SqliteConnection*>(self)->deadline_.hasExpired() ? 1 : 0;
}

}  // namespace kpv::db
