#include "framework/report/report_params.h"

#include "framework/core/errors.h"

namespace kpv::report {

TReportParams::TReportParams(const QStringList& names) {
    for (const QString& name : names) {
        if (!Contains(name)) items_.push_back({name, {}});
    }
}

TReportParam* TReportParams::Find(const QString& name) {
    for (TReportParam& p : items_) {
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0) return &p;
    }
    return nullptr;
}

const TReportParam* TReportParams::Find(const QString& name) const {
    return const_cast<TReportParams*>(this)->Find(name);
}

TReportParam& TReportParams::ParamByName(const QString& name) {
    if (TReportParam* p = Find(name)) return *p;
    throw Error(QStringLiteral("Parâmetro '%1' não encontrado na consulta do relatório.").arg(name));
}

bool ExistParam(const TReportParams& params, const QString& name) {
    return params.Contains(name);
}

}  // namespace kpv::report
