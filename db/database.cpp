#include "db/database.h"

#include "db/database_error.h"
#include "db/dialect_p.h"
#include "db/firebird_client.h"
#include "db/sqlite_connection.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

namespace kpv::db {

namespace {

constexpr int kToolTimeoutMs = 60000;

QString quoted(const QString& literal) {
    QString text = literal;
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

QString firebirdUser(const DatabaseSettings& s) {
    return s.user.isEmpty() ? QStringLiteral("SYSDBA") : s.user;
}

// How isql names the database: a local file for the embedded engine, host/port:path for a server.
QString firebirdTarget(const DatabaseSettings& s) {
    if (s.host.isEmpty()) return s.path;
    const QString port = s.port > 0 ? QLatin1Char('/') + QString::number(s.port) : QString();
    return s.host + port + QLatin1Char(':') + s.path;
}

// Debian names the tools isql-fb and gfix; Firebird's own packages keep them in /opt/firebird/bin.
QString firebirdTool(const QStringList& names) {
    for (const QString& name : names) {
        QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty()) return found;
        QString own = QStandardPaths::findExecutable(name, {QStringLiteral("/opt/firebird/bin")});
        if (!own.isEmpty()) return own;
    }
    throw DatabaseError(QStringLiteral("Ferramenta %1 do Firebird não encontrada (pacote firebird3.0-utils).")
                            .arg(names.last()));
}

// Runs a Firebird tool; the credentials travel in its environment, never on its command line.
QString runFirebirdTool(const DatabaseSettings& s, const QStringList& names, const QStringList& arguments,
                        const QByteArray& input, const QString& what) {
    // The tool runs the same embedded engine as this process, so both share a file the same way.
    UseProjectFirebirdConfiguration();
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ISC_USER"), firebirdUser(s));
    env.insert(QStringLiteral("ISC_PASSWORD"), s.password);
    tool.setProcessEnvironment(env);
    tool.start(firebirdTool(names), arguments);
    if (!tool.waitForStarted()) {
        throw DatabaseError(
            QStringLiteral("Não foi possível executar %1: %2").arg(names.last(), tool.errorString()));
    }
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(kToolTimeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        throw DatabaseError(
            QStringLiteral("%1 não terminou ao %2 \"%3\".").arg(names.last(), what, firebirdTarget(s)));
    }
    QString output = QString::fromUtf8(tool.readAll()).trimmed();
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0 ||
        output.contains(QLatin1String("Statement failed"))) {
        throw DatabaseError(QStringLiteral("Não foi possível %1 o banco de dados Firebird \"%2\": %3")
                                .arg(what, firebirdTarget(s), output));
    }
    return output;
}

void requireDriver(const QString& driver, const QString& package) {
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        throw DatabaseError(
            QStringLiteral("O driver %1 do Qt não está instalado (%2).").arg(driver, package));
    }
}

void makeParentFolder(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        throw DatabaseError(
            QStringLiteral("Não foi possível criar a pasta do banco de dados: %1").arg(folder));
    }
}

QSqlDatabase openSqlite(const DatabaseSettings& s, const QString& name) {
    requireDriver(QStringLiteral("QSQLITE"), QStringLiteral("pacote libqt6sql6-sqlite"));
    if (s.path.isEmpty())
        throw DatabaseError(QStringLiteral("Arquivo do banco de dados SQLite não configurado."));
    makeParentFolder(s.path);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(s.path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(s.busyTimeoutMs));
    if (!db.open()) {
        ThrowSqlError(QStringLiteral("Não foi possível abrir o banco de dados SQLite \"%1\"").arg(s.path),
                      db.lastError());
    }
    // Readers never wait for the writer, and a second server process on the same file can write in turn;
    // commits return once the disk has them.
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

QSqlDatabase connectFirebird(const DatabaseSettings& s, const QString& name) {
    UseProjectFirebirdConfiguration();
    ShutdownFirebirdOnExit();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
    db.setDatabaseName(s.path);
    db.setHostName(s.host);
    if (s.port > 0) db.setPort(s.port);
    db.setUserName(firebirdUser(s));
    db.setPassword(s.password);
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    db.open();
    return db;
}

QSqlDatabase openFirebird(const DatabaseSettings& s, const QString& name) {
    requireDriver(QStringLiteral("QIBASE"), QStringLiteral("pacote libqt6sql6-ibase"));
    if (s.path.isEmpty()) throw DatabaseError(QStringLiteral("Banco de dados Firebird não configurado."));
    if (s.host.isEmpty() && QFileInfo(s.path).isAbsolute() && !QFileInfo::exists(s.path)) {
        CreateFirebirdDatabase(s);
    }
    QSqlDatabase db = connectFirebird(s, name);
    if (db.isOpen()) return db;

    const QSqlError refused = db.lastError();
    // A server is asked to create the database only after it refused to open it: a missing file is the
    // one reason creating helps, and a wrong password or a stopped server makes the creation fail too.
    if (!s.host.isEmpty()) {
        try {
            CreateFirebirdDatabase(s);
        } catch (const DatabaseError&) {
            ThrowSqlError(QStringLiteral("Não foi possível abrir o banco de dados Firebird \"%1\"")
                              .arg(firebirdTarget(s)),
                          refused);
        }
        if (db.open()) return db;
    }
    ThrowSqlError(
        QStringLiteral("Não foi possível abrir o banco de dados Firebird \"%1\"").arg(firebirdTarget(s)),
        db.lastError());
}

QSqlDatabase openOther(const DatabaseSettings& s, const QString& name, const QString& driver,
                       const QString& package) {
    requireDriver(driver, package);
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
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

// The engine's answer when the file (or the file an alias names) is not there; the last line of the
// message is the system's own text for the missing file.
bool isMissingFirebirdFile(const QSqlError& error) {
    const QString text = error.databaseText();
    return text.contains(QLatin1String("Error while trying to open file")) &&
           text.contains(QString::fromLocal8Bit(std::strerror(ENOENT)));
}

// The database as it is, or a connection that is not open when there is no such database.
QSqlDatabase openExisting(const DatabaseSettings& s, const QString& name) {
    switch (s.engine) {
        case Engine::SQLite: {
            requireDriver(QStringLiteral("QSQLITE"), QStringLiteral("pacote libqt6sql6-sqlite"));
            if (s.path.isEmpty())
                throw DatabaseError(QStringLiteral("Arquivo do banco de dados SQLite não configurado."));
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            if (!QFileInfo::exists(s.path)) return db;
            db.setDatabaseName(s.path);
            if (!db.open()) {
                ThrowSqlError(
                    QStringLiteral("Não foi possível abrir o banco de dados SQLite \"%1\"").arg(s.path),
                    db.lastError());
            }
            return db;
        }
        case Engine::Firebird: {
            requireDriver(QStringLiteral("QIBASE"), QStringLiteral("pacote libqt6sql6-ibase"));
            if (s.path.isEmpty())
                throw DatabaseError(QStringLiteral("Banco de dados Firebird não configurado."));
            if (s.host.isEmpty() && QFileInfo(s.path).isAbsolute() && !QFileInfo::exists(s.path))
                return QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
            QSqlDatabase db = connectFirebird(s, name);
            if (!db.isOpen() && !isMissingFirebirdFile(db.lastError())) {
                ThrowSqlError(QStringLiteral("Não foi possível abrir o banco de dados Firebird \"%1\"")
                                  .arg(firebirdTarget(s)),
                              db.lastError());
            }
            return db;
        }
        case Engine::Oracle:
            return openOther(s, name, QStringLiteral("QOCI"), QStringLiteral("pacote libqt6sql6-oci"));
        case Engine::MSSQL:
            return openOther(s, name, QStringLiteral("QODBC"), QStringLiteral("pacote libqt6sql6-odbc"));
    }
    return {};
}

}  // namespace

void CreateFirebirdDatabase(const DatabaseSettings& s) {
    if (s.host.isEmpty()) makeParentFolder(s.path);
    QString script = QStringLiteral("SET SQL DIALECT 3;\nCREATE DATABASE %1 USER %2")
                         .arg(quoted(firebirdTarget(s)), quoted(firebirdUser(s)));
    if (!s.password.isEmpty()) script += QStringLiteral(" PASSWORD ") + quoted(s.password);
    script += QStringLiteral(" PAGE_SIZE 16384 DEFAULT CHARACTER SET UTF8;\nEXIT;\n");
    // The password is in the script on standard input, never on the command line.
    runFirebirdTool(s, {QStringLiteral("isql-fb"), QStringLiteral("isql")},
                    {QStringLiteral("-q"), QStringLiteral("-b")}, script.toUtf8(), QStringLiteral("criar"));
}

void SetFirebirdForcedWrites(const DatabaseSettings& s, bool on) {
    runFirebirdTool(
        s, {QStringLiteral("gfix")},
        {QStringLiteral("-write"), on ? QStringLiteral("sync") : QStringLiteral("async"), firebirdTarget(s)},
        {}, QStringLiteral("configurar"));
}

namespace {

void execute(QSqlDatabase& db, const QString& statement) {
    QSqlQuery q(db);
    if (!q.exec(statement)) {
        ThrowSqlError(QStringLiteral("Falha ao preparar o esquema do banco de dados (%1)")
                          .arg(statement.section(' ', 0, 2)),
                      q.lastError());
    }
}

QStringList tablesOf(QSqlDatabase& db) {
    QStringList existing;
    for (const QString& t : db.tables(QSql::Tables)) existing << t.trimmed().toUpper();
    return existing;
}

// What a database made by an earlier version lacks: the server's own tables and the columns added since.
// The host application's tables are never made here: a database that lacks one of them is not ours.
QStringList upgradeStatements(QSqlDatabase& db, const Dialect& dialect, const QStringList& existing) {
    QStringList missingOfApplication;
    for (const Table& t : Schema()) {
        if (t.owner == TableOwner::Application && !existing.contains(t.name)) missingOfApplication << t.name;
    }
    if (!missingOfApplication.isEmpty()) {
        throw DatabaseError(
            QStringLiteral("O banco de dados tem apenas parte das tabelas do sistema; faltam: %1.")
                .arg(missingOfApplication.join(", ")));
    }
    QStringList statements;
    for (const Table& t : Schema()) {
        if (!existing.contains(t.name)) {
            statements << dialect.createStatements(t);
            continue;
        }
        const QSqlRecord record = db.record(t.name);
        for (const Column& c : t.columns) {
            if (record.contains(c.name)) continue;
            if (c.required) {
                throw DatabaseError(
                    QStringLiteral("A tabela %1 do banco de dados não tem a coluna obrigatória "
                                   "%2, que não pode ser acrescentada às linhas existentes.")
                        .arg(t.name, c.name));
            }
            statements << QStringLiteral("ALTER TABLE %1 ADD %2").arg(t.name, dialect.columnDefinition(c));
        }
    }
    return statements;
}

}  // namespace

void InstallSchema(QSqlDatabase& db) {
    const Dialect& dialect = DialectOf(db);
    dialect.begin(db);
    try {
        const QStringList existing = tablesOf(db);
        bool any = false;
        for (const Table& t : Schema()) any = any || existing.contains(t.name);
        const QStringList statements =
            any ? upgradeStatements(db, dialect, existing) : dialect.createStatements();
        if (statements.isEmpty()) {
            dialect.rollback(db);
            return;
        }
        for (const QString& statement : statements) execute(db, statement);
        dialect.commit(db);
    } catch (...) {
        if (db.driver()->hasFeature(QSqlDriver::Transactions)) db.rollback();
        throw;
    }
}

namespace {
QSqlDatabase openAndInstall(const DatabaseSettings& s, const QString& connectionName) {
    QSqlDatabase db;
    switch (s.engine) {
        case Engine::SQLite:
            db = openSqlite(s, connectionName);
            break;
        case Engine::Firebird:
            db = openFirebird(s, connectionName);
            break;
        // The host's other engines hold a database that belongs to the application: no schema here.
        case Engine::Oracle:
            return openOther(s, connectionName, QStringLiteral("QOCI"),
                             QStringLiteral("pacote libqt6sql6-oci"));
        case Engine::MSSQL:
            return openOther(s, connectionName, QStringLiteral("QODBC"),
                             QStringLiteral("pacote libqt6sql6-odbc"));
    }
    InstallSchema(db);
    return db;
}
}  // namespace

QSqlDatabase OpenDatabase(const DatabaseSettings& s, const QString& connectionName) {
    try {
        return openAndInstall(s, connectionName);
    } catch (...) {
        // Every handle is gone by now: the failed connection does not linger under its name.
        QSqlDatabase::removeDatabase(connectionName);
        throw;
    }
}

QSqlDatabase OpenExistingDatabase(const DatabaseSettings& s, const QString& connectionName) {
    try {
        QSqlDatabase db = openExisting(s, connectionName);
        if (!db.isOpen())
            throw DatabaseError(QStringLiteral("O banco de dados %1 não existe.").arg(DescribeDatabase(s)));
        return db;
    } catch (...) {
        QSqlDatabase::removeDatabase(connectionName);
        throw;
    }
}

DatabaseContent InspectDatabase(const DatabaseSettings& s) {
    const QString name = QStringLiteral("kpv-inspect");
    DatabaseContent content = DatabaseContent::Missing;
    try {
        QSqlDatabase db = openExisting(s, name);
        if (db.isOpen()) content = HoldsData(db) ? DatabaseContent::Data : DatabaseContent::Empty;
    } catch (...) {
        QSqlDatabase::removeDatabase(name);
        throw;
    }
    CloseDatabase(name);
    return content;
}

bool HoldsData(QSqlDatabase& db) {
    QStringList existing;
    for (const QString& t : db.tables(QSql::Tables)) existing << t.trimmed().toUpper();
    for (const Table& t : Schema()) {
        if (!existing.contains(t.name)) continue;
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT 1 FROM %1").arg(t.name)))
            ThrowSqlError(QStringLiteral("Falha ao ler a tabela %1").arg(t.name), q.lastError());
        if (q.next()) return true;
    }
    return false;
}

QString DescribeDatabase(const DatabaseSettings& s) {
    switch (s.engine) {
        case Engine::SQLite:
            return QStringLiteral("SQLite \"%1\"").arg(s.path);
        case Engine::Firebird:
            return QStringLiteral("Firebird \"%1\"").arg(firebirdTarget(s));
        case Engine::Oracle:
            return QStringLiteral("Oracle \"%1\"").arg(s.path);
        case Engine::MSSQL:
            return QStringLiteral("MSSQL \"%1\"").arg(s.path);
    }
    return {};
}

void CloseDatabase(const QString& connectionName) {
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

}  // namespace kpv::db
