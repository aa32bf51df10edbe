#pragma once

#include "framework/framework_export.h"

#include <QObject>
#include <QSqlDatabase>

namespace kpv::db {
class Dialect;
}

namespace kpv::data {

// The host's shared database module: the one application database connection every query uses.
// The host opens the QSqlDatabase connection itself and hands its name over.
class KPV_FRAMEWORK_EXPORT TdtmDBGeral : public QObject {
    Q_OBJECT
  public:
    static TdtmDBGeral& Instance();

    // Takes over an open connection; raises kpv::Error when there is none by that name, it is not open,
    // or its driver has no dialect (db::DialectForDriver).
    void Open(const QString& connectionName);
    void Close();
    bool Connected() const { return !connectionName_.isEmpty(); }
    // The dialect of the connection's engine; raises kpv::Error when no connection has been opened.
    const db::Dialect& Dialect() const;
    // Raises kpv::Error when no connection has been opened.
    QSqlDatabase Database() const;

  private:
    TdtmDBGeral();

    QString connectionName_;
    const db::Dialect* dialect_ = nullptr;
};

inline TdtmDBGeral* dtmDBGeral() {
    return &TdtmDBGeral::Instance();
}

}  // namespace kpv::data
