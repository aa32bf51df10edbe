#include "framework/report/report_designer.h"

namespace kpv::report {

TReportDesignerDialog::TReportDesignerDialog(QObject* owner, const QString& name) : QObject(owner) {
    setObjectName(name);
}

void TReportDesignerDialog::PrepareQueryParams(TReportParams& params) {
    bool flag = true;
    if (BeforeGetQueryParams) BeforeGetQueryParams(params, flag);
}

}  // namespace kpv::report
