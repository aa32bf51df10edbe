#pragma once

#include "framework/report/report_query.h"

#include <QString>

namespace kpv::report {

// The PDF file a print of `opened` goes to in `folder`, on a machine without a printer: the report's own
// file name (its "file" text, filled from the first record) or else the report code and the parameter
// values. Never the name of a file already there, so that no print replaces another one's: "-2", "-3"...
// go before the suffix. Empty without a folder.
QString ReportOutputFile(const QString& folder, const QString& reportCode, const TReportDefinition& report,
                         const TOpenedReport& opened);

}  // namespace kpv::report
