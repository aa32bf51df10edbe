#include "framework/data/db_module.h"

#include "framework/core/errors.h"

namespace kpv::data {

TDialect DialectOfDriver(const QString& driverName) {
    if (driverName == u"QSQLITE") return TDialect::dlSQLite;
    if (driverName == u"QIBASE") return TDialect::dlInterBase;
    if (driverName == u"QOCI") return TDialect::dlOracle;
    if (driverName == u"QODBC" || driverName == u"QTDS") return TDialect::dlMSSQL;
    throw Error(QStringLiteral("O banco de dados do driver '%1' não é suportado.").arg(driverName));
}

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
    dialect_ = DialectOfDriver(db.driverName());
    connectionName_ = connectionName;
}

void TdtmDBGeral::Close() {
    connectionName_.clear();
}

QSqlDatabase TdtmDBGeral::Database() const {
    if (!Connected()) throw Error(QStringLiteral("Não há conexão com o banco de dados."));
    return QSqlDatabase::database(connectionName_, false);
}

}  // namespace kpv::data
