#include "framework/data/db_module.h"

#include "db/database_error.h"
#include "db/dialect.h"
#include "framework/core/errors.h"

namespace kpv::data {

TdtmDBGeral::TdtmDBGeral() {
    setObjectName(QStringLiteral("dtmDBGeral"));
}

TdtmDBGeral& TdtmDBGeral::Instance() {
    static TdtmDBGeral module;
    return module;
}

void TdtmDBGeral::Open(const QString& connectionName) {
    if (!QSqlDatabase::contains(connectionName)) {
        throw Error(QStringLiteral("A conexão de banco de dados '%1' não existe.").arg(connectionName));
    }
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    if (!db.isOpen()) {
        throw Error(QStringLiteral("A conexão de banco de dados '%1' não está aberta.").arg(connectionName));
    }
    try {
        dialect_ = &db::DialectForDriver(db.driverName());
    } catch (const db::DatabaseError& e) {
        throw Error(e.message());
    }
    connectionName_ = connectionName;
}

void TdtmDBGeral::Close() {
    connectionName_.clear();
    dialect_ = nullptr;
}

const db::Dialect& TdtmDBGeral::Dialect() const {
    if (!dialect_) throw Error(QStringLiteral("Não há conexão com o banco de dados."));
    return *dialect_;
}

QSqlDatabase TdtmDBGeral::Database() const {
    if (!Connected()) throw Error(QStringLiteral("Não há conexão com o banco de dados."));
    return QSqlDatabase::database(connectionName_, false);
}

}  // namespace kpv::data
