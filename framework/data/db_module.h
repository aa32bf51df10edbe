#pragma once

#include <QObject>
#include <QSqlDatabase>

namespace kpv::data {

// The SQL dialects whose statements a query may carry.
enum class TDialect { dlSQLite, dlInterBase, dlOracle, dlMSSQL };

// The dialect of a Qt SQL driver: QSQLITE, QIBASE (InterBase and Firebird), QOCI, QODBC or QTDS
// (Microsoft SQL Server). Raises kpv::Error for any other driver.
TDialect DialectOfDriver(const QString& driverName);

// The host's shared database module: the one application database connection every query uses.
// The host opens the QSqlDatabase connection itself and hands its name over.
class TdtmDBGeral : public QObject {
    Q_OBJECT
  public:
    static TdtmDBGeral& Instance();

    // Takes over an open connection; raises kpv::Error when there is none by that name, it is not open,
    // or its driver has no dialect.
    void Open(const QString& connectionName);
    void Close();
    bool Connected() const { return !connectionName_.isEmpty(); }
    const QString& ConnectionName() const { return connectionName_; }
    TDialect Dialect() const { return dialect_; }
    // Raises kpv::Error when no connection has been opened.
    QSqlDatabase Database() const;

  private:
    TdtmDBGeral();

    QString connectionName_;
    TDialect dialect_ = TDialect::dlSQLite;
};

inline TdtmDBGeral* dtmDBGeral() {
    return &TdtmDBGeral::Instance();
}

}  // namespace kpv::data
