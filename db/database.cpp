#include "db/database.h"

#include "db/database_error.h"
#include "db/dialect_p.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace kpv::db {

namespace {

void execute(QSqlDatabase& db, const QString& statement) {
    QSqlQuery q(db);
    if (!q.exec(statement)) {
        ThrowSqlError(QStringLiteral("Falha ao preparar o esquema do banco de dados (%1)")
                          .arg(statement.section(' ', 0, 2)),
                      q.lastError());
    }
}

// What a database made by an earlier version lacks: the server's own tables, the columns and the routines
// added since.
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
    return statements + dialect.missingRoutineStatements(db);
}

// The retired indexes a database made by an earlier version still holds are dropped, each in a transaction
// of its own once the schema stands. One the engine will not drop just now (on Firebird, while another
// program uses its table) stays until a later start: it costs its writes, and nothing reads it.
void dropRetiredIndexes(QSqlDatabase& db, const Dialect& dialect) {
    for (const Table& t : Schema()) {
        for (const QString& index : t.retiredIndexes) {
            if (!dialect.holdsIndex(db, index)) continue;
            try {
                dialect.begin(db);
                bool dropped = false;
                {
                    QSqlQuery q(db);
                    dropped = q.exec(QStringLiteral("DROP INDEX %1").arg(index));
                }
                if (dropped)
                    dialect.commit(db);
                else
                    dialect.rollback(db);
            } catch (const DatabaseError&) {
                // The database busy with another program's writes: a later start drops it.
                if (db.driver()->hasFeature(QSqlDriver::Transactions)) db.rollback();
            }
        }
    }
}

}  // namespace

void InstallSchema(QSqlDatabase& db) {
    const Dialect& dialect = DialectOf(db);
    dialect.begin(db);
    bool earlier = false;
    try {
        const QStringList existing = dialect.tables(db);
        for (const Table& t : Schema()) earlier = earlier || existing.contains(t.name);
        const QStringList statements =
            earlier ? upgradeStatements(db, dialect, existing) : dialect.createStatements();
        if (statements.isEmpty()) {
            dialect.rollback(db);
        } else {
            for (const QString& statement : statements) execute(db, statement);
            dialect.commit(db);
        }
    } catch (...) {
        if (db.driver()->hasFeature(QSqlDriver::Transactions)) db.rollback();
        throw;
    }
    if (earlier) dropRetiredIndexes(db, dialect);
}

namespace {
QSqlDatabase openAndInstall(const DatabaseSettings& s, const QString& connectionName) {
    const Dialect& dialect = DialectForEngine(s.engine);
    QSqlDatabase db = dialect.open(s, connectionName);
    if (!dialect.readOnly()) InstallSchema(db);
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
        QSqlDatabase db = DialectForEngine(s.engine).openExisting(s, connectionName);
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
        QSqlDatabase db = DialectForEngine(s.engine).openExisting(s, name);
        if (db.isOpen()) content = HoldsData(db) ? DatabaseContent::Data : DatabaseContent::Empty;
    } catch (...) {
        QSqlDatabase::removeDatabase(name);
        throw;
    }
    CloseDatabase(name);
    return content;
}

bool HoldsData(QSqlDatabase& db) {
    const QStringList existing = DialectOf(db).tables(db);
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
    return DialectForEngine(s.engine).describe(s);
}

void CloseDatabase(const QString& connectionName) {
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isOpen()) db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

}  // namespace kpv::db
