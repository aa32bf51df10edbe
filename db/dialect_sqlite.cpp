#include "db/database_error.h"
#include "db/dialect_p.h"
#include "db/sqlite_connection.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace kpv::db {

namespace {

// A file of this machine, made on first use; the server reaches it through SQLite's own library.
class Sqlite final : public Dialect {
  public:
    Engine engine() const override { return Engine::SQLite; }
    QString name() const override { return QStringLiteral("SQLite"); }
    StatementTexts texts() const override { return StatementTexts::SQLite; }
    QString driverName() const override { return QStringLiteral("QSQLITE"); }
    QString driverPackage() const override { return QStringLiteral("libqt6sql6-sqlite"); }

    QSqlDatabase open(const DatabaseSettings& s, const QString& connectionName) const override {
        requireConfigured(s);
        MakeParentFolder(s.path);
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName(), connectionName);
        db.setDatabaseName(s.path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(s.busyTimeoutMs));
        if (!db.open()) throwUnopened(s, db);
        // Readers never wait for the writer, and a second server process on the same file can write in
        // turn; commits return once the disk has them.
        for (const QString& pragma :
             {QStringLiteral("PRAGMA journal_mode=WAL"), QString::fromLatin1(kDurableCommits)}) {
            QSqlQuery q(db);
            if (!q.exec(pragma)) {
                ThrowSqlError(QStringLiteral("Falha ao preparar o banco de dados SQLite \"%1\"").arg(s.path),
                              q.lastError());
            }
        }
        return db;
    }

    QSqlDatabase openExisting(const DatabaseSettings& s, const QString& connectionName) const override {
        requireConfigured(s);
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName(), connectionName);
        if (!QFileInfo::exists(s.path)) return db;
        db.setDatabaseName(s.path);
        if (!db.open()) throwUnopened(s, db);
        return db;
    }

    QString describe(const DatabaseSettings& s) const override {
        return QStringLiteral("SQLite \"%1\"").arg(s.path);
    }

    std::unique_ptr<Connection> connect(const DatabaseSettings& s) const override {
        return std::make_unique<SqliteConnection>(s);
    }

    // Every integer is SQLite's INTEGER, as the databases made so far have them.
    QString typeName(const Column& c) const override {
        return c.type == ColumnType::BigInt ? QStringLiteral("INTEGER") : Dialect::typeName(c);
    }

    bool holdsIndex(const QSqlDatabase& db, const QString& name) const override {
        return catalogueHolds(
            db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?"), name);
    }

    // IMMEDIATE takes the write lock at once: two writers never both read the same counter value.
    void begin(QSqlDatabase& db) const override { run(db, QStringLiteral("BEGIN IMMEDIATE")); }
    void commit(QSqlDatabase& db) const override { run(db, QStringLiteral("COMMIT")); }
    void rollback(QSqlDatabase& db) const override { run(db, QStringLiteral("ROLLBACK")); }

    // SQLite's own text forms, so its date functions and plain comparisons work on them.
    QVariant timestamp(const QDateTime& value) const override {
        return value.isValid() ? QVariant(value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                               : QVariant(QMetaType::fromType<QString>());
    }
    QVariant date(const QDate& value) const override {
        return value.isValid() ? QVariant(value.toString(Qt::ISODate))
                               : QVariant(QMetaType::fromType<QString>());
    }

  protected:
    QStringList appendOnlyStatements(const Table& t) const override {
        QStringList statements;
        for (const char* event : {"UPDATE", "DELETE"}) {
            statements << QStringLiteral(
                              "CREATE TRIGGER TR_%1_%2 BEFORE %2 ON %1 BEGIN SELECT RAISE(ABORT, '%3'); END")
                              .arg(t.name, QLatin1String(event), appendOnlyRefusal(t));
        }
        return statements;
    }

  private:
    void requireConfigured(const DatabaseSettings& s) const {
        requireDriver();
        if (s.path.isEmpty())
            throw DatabaseError(QStringLiteral("Arquivo do banco de dados SQLite não configurado."));
    }

    [[noreturn]] static void throwUnopened(const DatabaseSettings& s, const QSqlDatabase& db) {
        ThrowSqlError(QStringLiteral("Não foi possível abrir o banco de dados SQLite \"%1\"").arg(s.path),
                      db.lastError());
    }

    static void run(QSqlDatabase& db, const QString& statement) {
        QSqlQuery q(db);
        if (!q.exec(statement))
            ThrowSqlError(QStringLiteral("Falha em %1 no SQLite").arg(statement), q.lastError());
    }
};

}  // namespace

const Dialect& SqliteDialect() {
    static const Sqlite dialect;
    return dialect;
}

}  // namespace kpv::db
