#include "db/database_error.h"
#include "db/dialect_p.h"
#include "db/firebird_client.h"
#include "db/firebird_connection.h"
#include "db/firebird_tools.h"
#include "db/firebird_write_block_p.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <cstring>

namespace kpv::db {

namespace {

// The engine's answer when the file (or the file an alias names) is not there; the last line of the
// message is the system's own text for the missing file.
bool isMissingFile(const QSqlError& error) {
    const QString text = error.databaseText();
    return text.contains(QLatin1String("Error while trying to open file")) &&
           text.contains(QString::fromLocal8Bit(std::strerror(ENOENT)));
}

// A file opened by the engine embedded in each process, made on first use, or a database on a Firebird
// server, which is asked to make it; the server reaches either through Firebird's own client library.
class Firebird final : public Dialect {
  public:
    Engine engine() const override { return Engine::Firebird; }
    QString name() const override { return QStringLiteral("Firebird"); }
    StatementTexts texts() const override { return StatementTexts::InterBase; }
    QString driverName() const override { return QStringLiteral("QIBASE"); }
    QString driverPackage() const override { return QStringLiteral("libqt6sql6-ibase"); }

    QSqlDatabase open(const DatabaseSettings& s, const QString& connectionName) const override {
        requireConfigured(s);
        if (isMissingEmbeddedFile(s)) CreateFirebirdDatabase(s);
        QSqlDatabase db = attach(s, connectionName);
        if (db.isOpen()) return db;

        const QSqlError refused = db.lastError();
        // A server is asked to create the database only after it refused to open it: a missing file is the
        // one reason creating helps, and a wrong password or a stopped server makes the creation fail too.
        if (!s.host.isEmpty()) {
            try {
                CreateFirebirdDatabase(s);
            } catch (const DatabaseError&) {
                throwUnopened(s, refused);
            }
            if (db.open()) return db;
        }
        throwUnopened(s, db.lastError());
    }

    QSqlDatabase openExisting(const DatabaseSettings& s, const QString& connectionName) const override {
        requireConfigured(s);
        if (isMissingEmbeddedFile(s)) return QSqlDatabase::addDatabase(driverName(), connectionName);
        QSqlDatabase db = attach(s, connectionName);
        if (!db.isOpen() && !isMissingFile(db.lastError())) throwUnopened(s, db.lastError());
        return db;
    }

    QString describe(const DatabaseSettings& s) const override {
        return QStringLiteral("Firebird \"%1\"").arg(FirebirdTarget(s));
    }

    std::unique_ptr<Connection> connect(const DatabaseSettings& s) const override {
        return std::make_unique<FirebirdConnection>(s);
    }

    QStringList missingRoutineStatements(const QSqlDatabase& db) const override {
        QStringList statements;
        for (const Routine& r : routines()) {
            if (!catalogueHolds(
                    db, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(r.catalogue, r.nameColumn),
                    r.name))
                statements << r.statement;
        }
        return statements;
    }

    bool holdsIndex(const QSqlDatabase& db, const QString& name) const override {
        return catalogueHolds(db, QStringLiteral("SELECT 1 FROM RDB$INDICES WHERE RDB$INDEX_NAME = ?"), name);
    }

  protected:
    QStringList appendOnlyStatements(const Table& t) const override {
        return {QStringLiteral("CREATE EXCEPTION EX_%1 '%2'").arg(t.name, appendOnlyRefusal(t)),
                QStringLiteral("CREATE TRIGGER TR_%1 FOR %1 ACTIVE BEFORE UPDATE OR DELETE POSITION 0\n"
                               "AS\n"
                               "BEGIN\n"
                               "  EXCEPTION EX_%1;\n"
                               "END")
                    .arg(t.name)};
    }

    QStringList routineStatements() const override {
        QStringList statements;
        for (const Routine& r : routines()) statements << r.statement;
        return statements;
    }

  private:
    // A routine of the database, and where the engine's catalogue lists it by name.
    struct Routine {
        QString name;
        QString catalogue;
        QString nameColumn;
        QString statement;
    };

    // What the module's Firebird statements rely on: PARAM turns a parameter into a one-row table so a
    // statement can use it as a value; NVLSTR is NVL for texts; the exception undoes a write block whose row
    // changed since it was read (FirebirdWriteBlock).
    static std::vector<Routine> routines() {
        return {
            {QStringLiteral("PARAM"), QStringLiteral("RDB$PROCEDURES"), QStringLiteral("RDB$PROCEDURE_NAME"),
             QStringLiteral("CREATE PROCEDURE PARAM (VALOR VARCHAR(1000))\n"
                            "RETURNS (PARAM VARCHAR(1000))\n"
                            "AS\n"
                            "BEGIN\n"
                            "  PARAM = VALOR;\n"
                            "  SUSPEND;\n"
                            "END")},
            {QStringLiteral("NVLSTR"), QStringLiteral("RDB$FUNCTIONS"), QStringLiteral("RDB$FUNCTION_NAME"),
             QStringLiteral("CREATE FUNCTION NVLSTR (VALOR VARCHAR(1000), SUBSTITUTO VARCHAR(1000))\n"
                            "RETURNS VARCHAR(1000)\n"
                            "AS\n"
                            "BEGIN\n"
                            "  RETURN COALESCE(VALOR, SUBSTITUTO);\n"
                            "END")},
            {QLatin1String(kRowChangedException), QStringLiteral("RDB$EXCEPTIONS"),
             QStringLiteral("RDB$EXCEPTION_NAME"),
             QStringLiteral("CREATE EXCEPTION %1 'Gravação desfeita: a linha que ela alteraria mudou depois "
                            "de lida.'")
                 .arg(QLatin1String(kRowChangedException))},
        };
    }

    void requireConfigured(const DatabaseSettings& s) const {
        requireDriver();
        if (s.path.isEmpty()) throw DatabaseError(QStringLiteral("Banco de dados Firebird não configurado."));
    }

    static bool isMissingEmbeddedFile(const DatabaseSettings& s) {
        return s.host.isEmpty() && QFileInfo(s.path).isAbsolute() && !QFileInfo::exists(s.path);
    }

    // A Qt connection through the same embedded engine and configuration as the server's own; not open
    // when the engine refused it.
    QSqlDatabase attach(const DatabaseSettings& s, const QString& connectionName) const {
        UseProjectFirebirdConfiguration();
        ShutdownFirebirdOnExit();
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName(), connectionName);
        db.setDatabaseName(s.path);
        db.setHostName(s.host);
        if (s.port > 0) db.setPort(s.port);
        db.setUserName(FirebirdUser(s));
        db.setPassword(s.password);
        db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
        db.open();
        return db;
    }

    [[noreturn]] static void throwUnopened(const DatabaseSettings& s, const QSqlError& error) {
        ThrowSqlError(
            QStringLiteral("Não foi possível abrir o banco de dados Firebird \"%1\"").arg(FirebirdTarget(s)),
            error);
    }
};

}  // namespace

const Dialect& FirebirdDialect() {
    static const Firebird dialect;
    return dialect;
}

}  // namespace kpv::db
