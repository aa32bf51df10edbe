#pragma once

#include "framework/report/report_params.h"

#include <QObject>

#include <functional>

namespace kpv::report {

// The report designer dialog of a report-generating screen: the component through which the report
// machinery asks the screen for the values of the report query's parameters.
class TReportDesignerDialog : public QObject {
    Q_OBJECT
  public:
    TReportDesignerDialog(QObject* owner, const QString& name);

    // Raised while a report's query is prepared, before it runs; the Boolean is the screen's to leave.
    std::function<void(TReportParams& params, bool& flag)> BeforeGetQueryParams;

    // Runs BeforeGetQueryParams over the parameters of a query about to run.
    void PrepareQueryParams(TReportParams& params);
};

}  // namespace kpv::report
