#pragma once

#include "framework/core/errors.h"
#include "framework/data/query.h"
#include "framework/framework_export.h"
#include "framework/report/report_definition.h"
#include "framework/report/report_designer.h"

#include <QStringList>

#include <memory>

namespace kpv::report {

// The query of a report, with the statements of its definition.
std::unique_ptr<data::TADOIBQuery> MakeReportQuery(const TReportDefinition& report);

// The parameters of the statement `query` runs on the database in use, in order of first appearance.
QStringList ReportQueryParamNames(const data::TADOIBQuery& query);

// A report whose query found no rows: there is nothing to print.
class NoReportData : public Error {
  public:
    using Error::Error;
};

// A report's query, open, with the parameter values it ran with.
struct TOpenedReport {
    std::unique_ptr<data::TADOIBQuery> query;
    TReportParams params;
};

// Opens the report's query: its parameter list goes through the designer dialog's BeforeGetQueryParams
// first, and every parameter the screen left without a value is null. A query without rows raises
// NoReportData, since there would be nothing to print.
TOpenedReport OpenReportQuery(const TReportDefinition& report, TReportDesignerDialog& designer);

// Raises kpv::Error naming the first field the report's layout uses that its query does not return, as a
// print would, but before the print: the query runs with every parameter null, which returns its fields
// and no rows, and the screen's BeforeGetQueryParams is not raised.
KPV_FRAMEWORK_EXPORT void CheckReportQuery(const TReportDefinition& report);

}  // namespace kpv::report
