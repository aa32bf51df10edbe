#pragma once

#include "framework/data/client_data_set.h"
#include "framework/data/db_module.h"
#include "framework/framework_export.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>
#include <memory>

namespace kpv::db {
class Dialect;
}

namespace kpv::data {

class TADOIBQuery;

// A named statement parameter; its value stays across Close and Open.
class TParam {
  public:
    explicit TParam(const QString& name) : name_(name) {}

    const QString& Name() const { return name_; }
    void SetAsString(const QString& value) { value_ = value; }
    void SetValue(const QVariant& value) { value_ = value; }
    // Null, as a database null.
    void Clear() { value_ = QVariant(); }
    QString AsString() const { return value_.toString(); }
    const QVariant& Value() const { return value_; }
    bool IsNull() const { return !value_.isValid() || value_.isNull(); }

  private:
    QString name_;
    QVariant value_;
};

using TADOIBQueryEvent = std::function<void(TADOIBQuery* DataSet)>;

// A read-only query on the application database of dtmDBGeral. It runs the statement of the dialect
// in use (SQL_SQLITE, SQL_IB, SQL_ORACLE or SQL_MSSQL) or, where that one is blank, the generic SQL.
// A parameter name gives its one value to every place it occurs in the statement. The rows land in
// the inner data set Query(); text results lose their trailing blanks (fixed-length CHAR columns come
// back padded) and date columns become date-time fields.
class KPV_FRAMEWORK_EXPORT TADOIBQuery : public QObject {
    Q_OBJECT
  public:
    TADOIBQuery(QObject* parent, const QString& name);
    ~TADOIBQuery() override;

    QStringList SQL;
    QStringList SQL_ORACLE;
    QStringList SQL_MSSQL;
    QStringList SQL_IB;
    // The embedded default's text, for a statement whose generic text does not run on SQLite.
    QStringList SQL_SQLITE;

    TADOIBQueryEvent BeforeOpen;

    // Raises kpv::Error when no statement of the query uses the name.
    TParam* ParamByName(const QString& name);

    // A field the screen declares before the first Open: its label, visibility and size hold for
    // every result; result columns not declared are added after the declared ones.
    TField* AddField(const QString& name, TFieldType type, int size, const QString& label = {},
                     bool visible = true, bool required = false);

    // Raises BeforeOpen, then runs the statement; a database error raises kpv::Error with the
    // driver's text and leaves the query closed.
    void Open();
    void Close();
    bool Active() const { return query_->Active(); }
    bool IsEmpty() const { return query_->IsEmpty(); }
    // One field, the whole value, letter case ignored.
    bool Locate(const QString& fieldName, const QString& text);
    TField* FieldByName(const QString& name) const { return query_->FieldByName(name); }
    TField* FindField(const QString& name) const { return query_->FindField(name); }
    TClientDataSet* Query() const { return query_; }

    // The statement Open runs on an engine of that dialect.
    const QStringList& StatementFor(const db::Dialect& dialect) const;

  private:
    bool usesParameter(const QString& upperName) const;
    protocol::DataPacket execute(const QString& statement);

    TClientDataSet* query_;
    int declaredFields_ = 0;
    std::map<QString, std::unique_ptr<TParam>> params_;
};

}  // namespace kpv::data
