#pragma once

#include "framework/framework_export.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace kpv::report {

// One parameter of a report's query, filled by the screen before the query runs.
struct TReportParam {
    QString Name;
    QVariant Value;  // invalid = null

    void SetAsString(const QString& text) { Value = text; }
    QString AsString() const { return Value.toString(); }
};

// The parameter list of a report's query, in the order the query names them.
class KPV_FRAMEWORK_EXPORT TReportParams {
  public:
    TReportParams() = default;
    explicit TReportParams(const QStringList& names);

    bool Contains(const QString& name) const { return Find(name) != nullptr; }
    TReportParam* Find(const QString& name);
    const TReportParam* Find(const QString& name) const;
    // The parameter of that name; raises an error naming it when the query has none.
    TReportParam& ParamByName(const QString& name);
    const QList<TReportParam>& Items() const { return items_; }

  private:
    QList<TReportParam> items_;
};

// True when the report's query has a parameter of that name (letter case ignored).
KPV_FRAMEWORK_EXPORT bool ExistParam(const TReportParams& params, const QString& name);

}  // namespace kpv::report
