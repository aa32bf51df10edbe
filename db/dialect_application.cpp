#include "db/connection.h"
#include "db/dialect_p.h"

#include <QSqlError>

namespace kpv::db {

namespace {

// The host application's own database on Oracle or Microsoft SQL Server, reached through Qt's driver for
// it: the module reads it with its SQL_ORACLE and SQL_MSSQL texts and changes nothing there, so no schema
// is installed and the application server keeps no connections to it.
class ApplicationDatabase final : public Dialect {
  public:
    struct Traits {
        Engine engine;
        const char* name;   // in messages about transactions
        const char* label;  // in the name of a database
        StatementTexts texts;
        const char* driver;
        const char* otherDriver;  // another Qt driver that reaches it, or null
        const char* package;
    };

    explicit ApplicationDatabase(const Traits& e) : e_(e) {}

    Engine engine() const override { return e_.engine; }
    QString name() const override { return QString::fromLatin1(e_.name); }
    StatementTexts texts() const override { return e_.texts; }
    QString driverName() const override { return QString::fromLatin1(e_.driver); }
    QString driverPackage() const override { return QString::fromLatin1(e_.package); }
    bool drives(const QString& driver) const override {
        return driver == driverName() || (e_.otherDriver && driver == QLatin1String(e_.otherDriver));
    }
    bool readOnly() const override { return true; }

    QSqlDatabase open(const DatabaseSettings& s, const QString& connectionName) const override {
        requireDriver();
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName(), connectionName);
        db.setDatabaseName(s.path);
        db.setHostName(s.host);
        if (s.port > 0) db.setPort(s.port);
        db.setUserName(s.user);
        db.setPassword(s.password);
        if (!db.open()) {
            ThrowSqlError(QStringLiteral("Não foi possível abrir o banco de dados \"%1\"").arg(s.path),
                          db.lastError());
        }
        return db;
    }

    // The application's database always exists: opening it creates nothing.
    QSqlDatabase openExisting(const DatabaseSettings& s, const QString& connectionName) const override {
        return open(s, connectionName);
    }

    QString describe(const DatabaseSettings& s) const override {
        return QStringLiteral("%1 \"%2\"").arg(QLatin1String(e_.label), s.path);
    }

    // Not reached: Connect refuses a read-only engine before it asks.
    std::unique_ptr<Connection> connect(const DatabaseSettings& s) const override {
        RequireServedEngine(s);
        return {};
    }

  private:
    Traits e_;
};

}  // namespace

const Dialect& OracleDialect() {
    static const ApplicationDatabase dialect(
        {Engine::Oracle, "Oracle", "Oracle", StatementTexts::Oracle, "QOCI", nullptr, "libqt6sql6-oci"});
    return dialect;
}

const Dialect& MssqlDialect() {
    static const ApplicationDatabase dialect({Engine::MSSQL, "Microsoft SQL Server", "MSSQL",
                                              StatementTexts::MSSQL, "QODBC", "QTDS", "libqt6sql6-odbc"});
    return dialect;
}

}  // namespace kpv::db
