#include "db/firebird_connection.h"

#include "db/database_settings.h"
#include "db/firebird_cell_p.h"
#include "db/firebird_client.h"
#include "db/firebird_watchdog_p.h"
#include "db/firebird_write_block_p.h"

#include <ibase.h>

#include <cstring>
#include <optional>
#include <string>
#include <variant>

namespace kpv::db {

namespace {

constexpr int kConnectTimeoutSeconds = 5;
constexpr short kCharsetUtf8 = 4;  // CS_UTF8

bool isOneOf(ISC_STATUS code, std::initializer_list<ISC_STATUS> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// The error codes of a status vector: every isc_arg_gds entry, the first one being the main error.
std::vector<ISC_STATUS> codesOf(const ISC_STATUS* status) {
    std::vector<ISC_STATUS> codes;
    for (const ISC_STATUS* s = status; *s != isc_arg_end;) {
        const ISC_STATUS kind = *s++;
        if (kind == isc_arg_gds) codes.push_back(*s);
        s += (kind == isc_arg_cstring) ? 2 : 1;
    }
    return codes;
}

enum class Failure { Other, Lost, Conflict, Cancelled };

QString textOf(const ISC_STATUS* status) {
    QString text;
    const ISC_STATUS* cursor = status;
    char buffer[512];
    while (fb_interpret(buffer, sizeof buffer, &cursor) > 0) {
        if (!text.isEmpty()) text += QStringLiteral(" - ");
        text += QString::fromUtf8(buffer);
    }
    return text;
}

// `writesRows`: the failed statement was an UPDATE ... RETURNING (or a DELETE, an INSERT). Having waited
// for another writer's lock, such a statement can find its row changed under it and end with "no current
// record for fetch": it wrote nothing, and the transaction is worth starting over as after any conflict.
Failure failureOf(const ISC_STATUS* status, bool writesRows) {
    const std::vector<ISC_STATUS> codes = codesOf(status);
    const auto any = [&](std::initializer_list<ISC_STATUS> wanted) {
        return std::any_of(codes.begin(), codes.end(), [&](ISC_STATUS c) { return isOneOf(c, wanted); });
    };
    if (any({isc_cancelled})) return Failure::Cancelled;
    if (any({isc_network_error, isc_net_read_err, isc_net_write_err, isc_net_connect_err,
             isc_lost_db_connection, isc_conn_lost, isc_connect_reject, isc_shutdown, isc_att_shutdown,
             isc_bad_db_handle, isc_shutinprog, isc_unavailable}))
        return Failure::Lost;
    if (any({isc_deadlock, isc_lock_conflict, isc_update_conflict, isc_lock_timeout}) ||
        (writesRows && any({isc_no_cur_rec})))
        return Failure::Conflict;
    // A write block whose row had changed since it was read: the engine undid all of it.
    if (any({isc_except, isc_except2}) && textOf(status).contains(QLatin1String(kRowChangedException)))
        return Failure::Conflict;
    return Failure::Other;
}

void appendText(std::string& block, char item, const QByteArray& value) {
    block.push_back(item);
    block.push_back(char(value.size()));
    block.append(value.constData(), size_t(value.size()));
}

XSQLDA* newDescriptor(short count) {
    auto* d = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(std::max<short>(count, 1))));
    d->version = SQLDA_VERSION1;
    d->sqln = std::max<short>(count, 1);
    return d;
}

}  // namespace

// Brackets a call into the client library that may wait on the database: the watchdog cancels it at
// the connection's deadline.
class FirebirdConnection::Running {
  public:
    explicit Running(FirebirdConnection& c) {
        if (!c.deadline_.isForever()) ticket_ = FirebirdWatchdog::Arm(&c.attachment_, c.deadline_, &c.lost_);
    }
    ~Running() {
        if (ticket_) FirebirdWatchdog::Disarm(ticket_);
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

  private:
    int ticket_ = 0;
};

class FirebirdStatement final : public Statement {
  public:
    FirebirdStatement(FirebirdConnection& connection, const QString& sql) : connection_(connection) {
        sql_ = sql;
        ISC_STATUS_ARRAY status{};
        if (isc_dsql_allocate_statement(status, &connection.attachment_, &handle_))
            connection.fail(QStringLiteral("Falha ao preparar comando SQL"), status, sql);
        out_ = newDescriptor(20);
        const QByteArray text = sql.toUtf8();
        {
            const FirebirdConnection::Running running(connection);
            if (isc_dsql_prepare(status, connection.transactionFor(), &handle_, 0, text.constData(),
                                 SQL_DIALECT_V6, out_))
                connection.fail(QStringLiteral("Falha ao preparar comando SQL"), status, sql);
        }
        if (out_->sqld > out_->sqln) {
            const short count = out_->sqld;
            std::free(out_);
            out_ = newDescriptor(count);
            if (isc_dsql_describe(status, &handle_, SQL_DIALECT_V6, out_))
                connection.fail(QStringLiteral("Falha ao preparar comando SQL"), status, sql);
        }
        in_ = newDescriptor(20);
        if (isc_dsql_describe_bind(status, &handle_, SQL_DIALECT_V6, in_))
            connection.fail(QStringLiteral("Falha ao preparar comando SQL"), status, sql);
        if (in_->sqld > in_->sqln) {
            const short count = in_->sqld;
            std::free(in_);
            in_ = newDescriptor(count);
            if (isc_dsql_describe_bind(status, &handle_, SQL_DIALECT_V6, in_))
                connection.fail(QStringLiteral("Falha ao preparar comando SQL"), status, sql);
        }
        readType();
        allocateOutput();
    }

    ~FirebirdStatement() override {
        ISC_STATUS_ARRAY status{};
        if (handle_ && !connection_.lost_) isc_dsql_free_statement(status, &handle_, DSQL_drop);
        std::free(in_);
        std::free(out_);
    }

    bool next() override {
        if (pending_) {
            pending_ = false;
            return true;
        }
        if (!cursorOpen_) return false;
        return fetch();
    }

    void finish() override {
        pending_ = false;
        if (!cursorOpen_) return;
        ISC_STATUS_ARRAY status{};
        isc_dsql_free_statement(status, &handle_, DSQL_close);
        cursorOpen_ = false;
    }

    // A query that writes as it is read, and gives one row: a write block, whose returned row is made as its
    // statements run.
    void markWritesRows() { writesRows_ = true; }

    // Asked of the server only when someone wants it: a count is a round trip of its own, and most
    // statements (savepoints, inserts) are never asked.
    qint64 rowsAffected() const override {
        if (!affected_) affected_ = countAffected();
        return *affected_;
    }

    bool isNull(int c) const override {
        const XSQLVAR& v = out_->sqlvar[c];
        return (v.sqltype & 1) && *v.sqlind == -1;
    }

    std::string_view text(int c) const override {
        return std::visit(
            [&](const auto& value) -> std::string_view {
                using Kind = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<Kind, std::string_view>) {
                    return value;
                } else if constexpr (std::is_same_v<Kind, std::monostate>) {
                    return {};
                } else {
                    std::string& shown = shown_[size_t(c)];
                    shown = CellText(value);
                    return shown;
                }
            },
            CellOf(out_->sqlvar[c]));
    }

    qint64 integer(int c) const override {
        const Cell cell = CellOf(out_->sqlvar[c]);
        if (const auto* scaled = std::get_if<Scaled>(&cell)) {
            qint64 raw = scaled->raw;
            for (int s = scaled->scale; s < 0; ++s) raw /= 10;
            return raw;
        }
        if (const auto* real = std::get_if<double>(&cell)) return qint64(*real);
        return 0;
    }

    double number(int c) const override {
        const Cell cell = CellOf(out_->sqlvar[c]);
        if (const auto* scaled = std::get_if<Scaled>(&cell)) {
            double d = double(scaled->raw);
            for (int s = scaled->scale; s < 0; ++s) d /= 10.0;
            return d;
        }
        if (const auto* real = std::get_if<double>(&cell)) return *real;
        return 0.0;
    }

    Timestamp timestamp(int c) const override {
        const Cell cell = CellOf(out_->sqlvar[c]);
        if (const auto* date = std::get_if<QDate>(&cell)) return {*date, 0};
        if (const auto* stamp = std::get_if<Timestamp>(&cell)) return *stamp;
        return {};
    }

  private:
    void readType() {
        ISC_STATUS_ARRAY status{};
        char item = isc_info_sql_stmt_type;
        char buffer[16] = {};
        if (isc_dsql_sql_info(status, &handle_, 1, &item, sizeof buffer, buffer))
            connection_.fail(QStringLiteral("Falha ao preparar comando SQL"), status, sql_);
        const short length = short(isc_vax_integer(buffer + 1, 2));
        type_ = int(isc_vax_integer(buffer + 3, length));
    }

    void allocateOutput() {
        size_t bytes = 0;
        for (int i = 0; i < out_->sqld; ++i) {
            const XSQLVAR& v = out_->sqlvar[i];
            bytes += size_t(v.sqllen) + sizeof(short) + alignof(std::max_align_t);
        }
        outBuffer_.assign(bytes + out_->sqld * sizeof(short), 0);
        indicators_.assign(size_t(std::max<short>(out_->sqld, 1)), 0);
        shown_.assign(size_t(out_->sqld), {});
        char* cursor = outBuffer_.data();
        for (int i = 0; i < out_->sqld; ++i) {
            XSQLVAR& v = out_->sqlvar[i];
            cursor += (alignof(std::max_align_t) -
                       reinterpret_cast<uintptr_t>(cursor) % alignof(std::max_align_t)) %
                      alignof(std::max_align_t);
            v.sqldata = cursor;
            cursor += v.sqllen + ((v.sqltype & ~1) == SQL_VARYING ? sizeof(short) : 0);
            v.sqlind = &indicators_[size_t(i)];
            std::string name(v.aliasname, size_t(v.aliasname_length));
            for (char& ch : name) ch = char(std::toupper(static_cast<unsigned char>(ch)));
            columnNames_.push_back(std::move(name));
        }
    }

    // Input values take the types of what is bound; the engine converts them to the parameters' own.
    void bind(const Value* begin, const Value* end) {
        if (end - begin != in_->sqld) {
            throw DatabaseError(
                QStringLiteral("O comando espera %1 parâmetros e recebeu %2").arg(in_->sqld).arg(end - begin),
                sql_.simplified());
        }
        inTexts_.clear();
        inTexts_.reserve(size_t(in_->sqld));
        inNumbers_.assign(size_t(in_->sqld), {});
        inIndicators_.assign(size_t(std::max<short>(in_->sqld, 1)), 0);
        int i = 0;
        for (const Value* value = begin; value != end; ++value, ++i) {
            XSQLVAR& v = in_->sqlvar[i];
            v.sqlind = &inIndicators_[size_t(i)];
            v.sqlscale = 0;
            auto& number = inNumbers_[size_t(i)];
            const auto text = [&](const QByteArray& bytes) {
                inTexts_.push_back(bytes);
                v.sqltype = SQL_TEXT + 1;
                v.sqlsubtype = kCharsetUtf8;
                v.sqllen = short(inTexts_.back().size());
                v.sqldata = inTexts_.back().data();
            };
            const auto null = [&] {
                v.sqltype = SQL_TEXT + 1;
                v.sqllen = 0;
                v.sqldata = nullptr;
                *v.sqlind = -1;
            };
            if (std::holds_alternative<std::monostate>(*value)) {
                null();
            } else if (const auto* s = std::get_if<QString>(value)) {
                s->isNull() ? null() : text(s->toUtf8());
            } else if (const auto* n = std::get_if<qint64>(value)) {
                std::memcpy(number.data(), n, sizeof *n);
                v.sqltype = SQL_INT64 + 1;
                v.sqllen = sizeof(ISC_INT64);
                v.sqldata = number.data();
            } else if (const auto* d = std::get_if<double>(value)) {
                std::memcpy(number.data(), d, sizeof *d);
                v.sqltype = SQL_DOUBLE + 1;
                v.sqllen = sizeof(double);
                v.sqldata = number.data();
            } else if (const auto* date = std::get_if<QDate>(value)) {
                if (!date->isValid()) {
                    null();
                    continue;
                }
                const ISC_DATE encoded = EncodeFirebirdDate(*date);
                std::memcpy(number.data(), &encoded, sizeof encoded);
                v.sqltype = SQL_TYPE_DATE + 1;
                v.sqllen = sizeof(ISC_DATE);
                v.sqldata = number.data();
            } else if (const auto* stamp = std::get_if<QDateTime>(value)) {
                if (!stamp->isValid()) {
                    null();
                    continue;
                }
                ISC_TIMESTAMP encoded{EncodeFirebirdDate(stamp->date()),
                                      ISC_TIME(stamp->time().msecsSinceStartOfDay()) * kTicksPerMsec};
                std::memcpy(number.data(), &encoded, sizeof encoded);
                v.sqltype = SQL_TIMESTAMP + 1;
                v.sqllen = sizeof(ISC_TIMESTAMP);
                v.sqldata = number.data();
            }
        }
    }

    void run(const Value* begin, const Value* end) override {
        ISC_STATUS_ARRAY status{};
        if (cursorOpen_) {
            isc_dsql_free_statement(status, &handle_, DSQL_close);
            cursorOpen_ = false;
        }
        bind(begin, end);
        pending_ = false;
        affected_ = type_ == isc_info_sql_stmt_select ? std::optional<qint64>(0) : std::nullopt;
        unsigned int* transaction = connection_.transactionFor();
        // A write block's one row comes back with its execution, in the same exchange.
        const bool singleRow = writesRows_ && type_ == isc_info_sql_stmt_select;
        {
            const FirebirdConnection::Running running(connection_);
            const ISC_STATUS failed =
                type_ == isc_info_sql_stmt_exec_procedure || singleRow
                    ? isc_dsql_execute2(status, transaction, &handle_, SQL_DIALECT_V6, in_, out_)
                    : isc_dsql_execute(status, transaction, &handle_, SQL_DIALECT_V6, in_);
            if (failed)
                connection_.fail(QStringLiteral("Falha ao executar comando SQL"), status, sql_,
                                 writesRows_ || type_ != isc_info_sql_stmt_select);
        }
        if (singleRow) {
            pending_ = true;
            return;
        }
        if (type_ == isc_info_sql_stmt_select) {
            cursorOpen_ = true;
            pending_ = fetch();
            return;
        }
        // UPDATE ... RETURNING hands back one row of values, all null when nothing matched; the counts
        // of a statement that waited for another writer's lock are not to be trusted for that.
        // A value that is not null says so without asking the server for the count.
        if (type_ == isc_info_sql_stmt_exec_procedure && out_->sqld > 0) {
            for (int c = 0; c < out_->sqld && !pending_; ++c) pending_ = !isNull(c);
            if (!pending_) pending_ = rowsAffected() > 0;
        }
    }

    bool fetch() {
        ISC_STATUS_ARRAY status{};
        ISC_STATUS result;
        {
            const FirebirdConnection::Running running(connection_);
            result = isc_dsql_fetch(status, &handle_, SQL_DIALECT_V6, out_);
        }
        if (result == 100) {
            isc_dsql_free_statement(status, &handle_, DSQL_close);
            cursorOpen_ = false;
            return false;
        }
        if (result)
            connection_.fail(QStringLiteral("Falha ao ler o resultado do comando SQL"), status, sql_,
                             writesRows_);
        return true;
    }

    qint64 countAffected() const {
        ISC_STATUS_ARRAY status{};
        char item = isc_info_sql_records;
        char buffer[64] = {};
        isc_stmt_handle handle = handle_;  // the call takes the handle's address, and only reads it
        if (isc_dsql_sql_info(status, &handle, 1, &item, sizeof buffer, buffer)) return 0;
        qint64 total = 0;
        for (char* p = buffer + 3; p < buffer + sizeof buffer && *p != isc_info_end;) {
            const char kind = *p++;
            const short length = short(isc_vax_integer(p, 2));
            p += 2;
            const qint64 value = isc_vax_integer(p, length);
            p += length;
            if (kind == isc_info_req_insert_count || kind == isc_info_req_update_count ||
                kind == isc_info_req_delete_count)
                total += value;
        }
        return total;
    }

    FirebirdConnection& connection_;
    isc_stmt_handle handle_ = 0;
    XSQLDA* in_ = nullptr;
    XSQLDA* out_ = nullptr;
    int type_ = 0;
    bool writesRows_ = false;
    std::vector<char> outBuffer_;
    std::vector<short> indicators_;
    mutable std::vector<std::string> shown_;  // the texts of the columns that are not text, as last read
    std::vector<QByteArray> inTexts_;
    std::vector<std::array<char, sizeof(ISC_TIMESTAMP) * 2>> inNumbers_;
    std::vector<short> inIndicators_;
    bool cursorOpen_ = false;
    bool pending_ = false;
    mutable std::optional<qint64> affected_;  // not yet asked of the server when empty
};

FirebirdConnection::FirebirdConnection(const DatabaseSettings& s) {
    UseProjectFirebirdConfiguration();
    ShutdownFirebirdOnExit();
    target_ = FirebirdTarget(s);
    std::string dpb(1, char(isc_dpb_version1));
    appendText(dpb, isc_dpb_user_name, FirebirdUser(s).toUtf8());
    if (!s.password.isEmpty()) appendText(dpb, isc_dpb_password, s.password.toUtf8());
    appendText(dpb, isc_dpb_lc_ctype, "UTF8");
    dpb += {char(isc_dpb_connect_timeout), 4};
    const ISC_LONG timeout = kConnectTimeoutSeconds;
    dpb.append(reinterpret_cast<const char*>(&timeout), 4);

    ISC_STATUS_ARRAY status{};
    const QByteArray name = target_.toUtf8();
    if (isc_attach_database(status, short(name.size()), name.constData(), &attachment_, short(dpb.size()),
                            dpb.data())) {
        attachment_ = 0;
        const QString what =
            QStringLiteral("Não foi possível abrir o banco de dados Firebird \"%1\"").arg(target_);
        // An unreachable server is worth trying again; a wrong password or a missing database is not.
        if (failureOf(status, false) == Failure::Lost) throw ConnectionLostError(what, textOf(status));
        throw DatabaseError(what, textOf(status));
    }
}

FirebirdConnection::~FirebirdConnection() {
    statements_.clear();
    ISC_STATUS_ARRAY status{};
    if (transaction_) isc_rollback_transaction(status, &transaction_);
    if (attachment_) isc_detach_database(status, &attachment_);
}

void FirebirdConnection::fail(const QString& what, const ISC_STATUS* status, const QString& sql,
                              bool writesRows) {
    QString detail = textOf(status);
    if (!sql.isEmpty()) detail += QStringLiteral(" [") + sql.simplified() + QLatin1Char(']');
    const Failure kind = failureOf(status, writesRows);
    if (lost_ || kind == Failure::Cancelled) {
        if (lost_) transaction_ = 0;  // gone with the connection
        throw DeadlineError(what, detail);
    }
    switch (kind) {
        case Failure::Lost:
            lost_ = true;
            transaction_ = 0;
            throw ConnectionLostError(what, detail);
        case Failure::Conflict:
            throw ConflictError(what, detail);
        default:
            throw DatabaseError(what, detail);
    }
}

// Statements run in the open transaction; outside one, preparing takes a read transaction of its own.
unsigned int* FirebirdConnection::transactionFor() {
    if (!transaction_) {
        begin(Access::Read, std::chrono::milliseconds::zero());
        implicit_ = true;
    }
    return &transaction_;
}

// The batch as one block: one exchange with the server, and undone whole by the engine when any of it fails.
WriteResult FirebirdConnection::write(const WriteBatch& batch) {
    std::vector<Value> params;
    auto& block = static_cast<FirebirdStatement&>(prepare(FirebirdWriteBlock(batch, params)));
    block.markWritesRows();
    block.execute(params);
    std::vector<qint64> values(batch.steps().size(), 0);
    if (block.next()) {
        int column = 0;
        for (std::size_t i = 0; i < batch.steps().size(); ++i) {
            if (batch.steps()[i].returns) values[i] = block.integer(column++);
        }
        block.finish();
    }
    return WriteResult(std::move(values));
}

Statement& FirebirdConnection::prepare(const QString& sql) {
    if (lost_)
        throw ConnectionLostError(QStringLiteral("A conexão com o banco de dados Firebird caiu"), target_);
    auto found = statements_.find(sql);
    if (found == statements_.end()) {
        const bool own = !transaction_;
        auto statement = std::make_unique<FirebirdStatement>(*this, sql);
        if (own) commit();
        found = statements_.emplace(sql, std::move(statement)).first;
    }
    return *found->second;
}

void FirebirdConnection::begin(Access access, std::chrono::milliseconds lockWait) {
    if (implicit_) rollback();
    if (lost_)
        throw ConnectionLostError(QStringLiteral("A conexão com o banco de dados Firebird caiu"), target_);
    std::string tpb{char(isc_tpb_version3), char(access == Access::Write ? isc_tpb_write : isc_tpb_read),
                    char(isc_tpb_read_committed), char(isc_tpb_rec_version)};
    if (access == Access::Write) {
        tpb += {char(isc_tpb_wait), char(isc_tpb_lock_timeout), 4};
        const ISC_LONG seconds = ISC_LONG(std::max<qint64>(1, (lockWait.count() + 999) / 1000));
        tpb.append(reinterpret_cast<const char*>(&seconds), 4);
    } else {
        tpb += char(isc_tpb_nowait);
    }
    ISC_STATUS_ARRAY status{};
    if (isc_start_transaction(status, &transaction_, 1, &attachment_, short(tpb.size()), tpb.data()))
        fail(QStringLiteral("Falha ao iniciar transação no Firebird"), status);
}

void FirebirdConnection::commit() {
    implicit_ = false;
    ISC_STATUS_ARRAY status{};
    ISC_STATUS result;
    {
        const Running running(*this);
        result = isc_commit_transaction(status, &transaction_);
    }
    if (!result) return;
    try {
        fail(QStringLiteral("Falha ao confirmar transação no Firebird"), status);
    } catch (const ConnectionLostError& e) {
        throw CommitUnknownError(e.summary(), e.message());
    } catch (const DeadlineError& e) {
        if (lost_) throw CommitUnknownError(e.summary(), e.message());
        throw;
    }
}

void FirebirdConnection::rollback() noexcept {
    implicit_ = false;
    if (!transaction_) return;
    ISC_STATUS_ARRAY status{};
    if (isc_rollback_transaction(status, &transaction_)) transaction_ = 0;
}

}  // namespace kpv::db
