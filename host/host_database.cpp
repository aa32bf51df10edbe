#include "host/host_database.h"

#include "db/database.h"
#include "db/database_error.h"
#include "db/database_witness.h"
#include "db/sql.h"
#include "framework/core/errors.h"
#include "framework/data/db_module.h"
#include "framework/net/connection.h"
#include "settings/settings_file.h"

#include <QSqlQuery>

namespace kpv::host {

namespace {

const QString kConnection = QStringLiteral("dtmDBGeral");

bool isBranch(QSqlDatabase& db, const QString& code) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    db::Prepare(q, QStringLiteral("SELECT CDFILIAL FROM FILIAL WHERE CDFILIAL = ?"));
    q.addBindValue(code);
    db::Exec(q, QStringLiteral("Falha ao ler as filiais"));
    return q.next();
}

}  // namespace

void OpenHostDatabase(const db::DatabaseSettings& database) {
    db::OpenExistingDatabase(database, kConnection);
    data::dtmDBGeral()->Open(kConnection);
}

void CheckContextBranches(const settings::SettingsFile& file, const db::DatabaseSettings& database) {
    QSqlDatabase db = QSqlDatabase::database(kConnection, false);
    if (!db.isOpen()) return;
    const QString group = QStringLiteral("context");
    for (const QString& key : {QStringLiteral("branch"), QStringLiteral("billingBranch")}) {
        const QString code = file.text(group, key).rightJustified(4, u'0');
        if (file.contains(group, key) && !isBranch(db, code)) {
            file.invalid(group, key,
                         QStringLiteral("filial não cadastrada no banco de dados %1")
                             .arg(db::DescribeDatabase(database)));
        }
    }
}

void InstallDatabaseCheck(const db::DatabaseSettings& database) {
    const QString named = db::DescribeDatabase(database);
    net::SetDatabaseCheck([named](const QString& witness, const QString& server) {
        QSqlDatabase db = QSqlDatabase::database(kConnection, false);
        bool found = false;
        if (db.isOpen()) {
            try {
                found = db::HoldsDatabaseWitness(db, witness);
            } catch (const db::DatabaseError&) {
                found = false;  // a database without the server's tables is not the server's either
            }
        }
        if (!db.isOpen()) {
            throw Error(
                QStringLiteral("O banco de dados deste computador, %1, não está aberto, e sem ele não "
                               "se pode conferir que é o do servidor de aplicação em %2: nada é "
                               "emitido nem impresso. Confira o grupo [database] do kpv.ini.")
                    .arg(named, server));
        }
        if (!found) {
            throw Error(
                QStringLiteral("O banco de dados deste computador, %1, não é o do servidor de aplicação "
                               "em %2: o servidor numera os RPS em outro banco, e nada pode ser "
                               "emitido nem impresso daqui. O grupo [database] do kpv.ini desta "
                               "estação deve indicar o mesmo banco que o servidor usa.")
                    .arg(named, server));
        }
    });
}

}  // namespace kpv::host
