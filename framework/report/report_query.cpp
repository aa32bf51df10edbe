#include "framework/report/report_query.h"

#include "framework/core/errors.h"
#include "framework/data/query.h"
#include "framework/data/sql_params.h"
#include "framework/report/report_renderer.h"

namespace kpv::report {

std::unique_ptr<data::TADOIBQuery> MakeReportQuery(const TReportDefinition& report) {
    auto query = std::make_unique<data::TADOIBQuery>(nullptr, QStringLiteral("qryRelatorio"));
    query->SQL = report.SQL;
    query->SQL_IB = report.SQL_IB;
    query->SQL_SQLITE = report.SQL_SQLITE;
    query->SQL_ORACLE = report.SQL_ORACLE;
    query->SQL_MSSQL = report.SQL_MSSQL;
    return query;
}

QStringList ReportQueryParamNames(const data::TADOIBQuery& query) {
    const QString statement = query.StatementFor(data::dtmDBGeral()->Dialect()).join(u'\n');
    QStringList names;
    for (const QString& name : data::ToPositional(statement).names) {
        if (!names.contains(name)) names.push_back(name);
    }
    return names;
}

TOpenedReport OpenReportQuery(const TReportDefinition& report, TReportDesignerDialog& designer) {
    std::unique_ptr<data::TADOIBQuery> query = MakeReportQuery(report);
    TReportParams params(ReportQueryParamNames(*query));
    designer.PrepareQueryParams(params);
    for (const TReportParam& param : params.Items()) {
        data::TParam* target = query->ParamByName(param.Name);
        if (param.Value.isValid())
            target->SetValue(param.Value);
        else
            target->Clear();
    }
    query->Open();
    if (query->IsEmpty())
        throw NoReportData(
            QStringLiteral("O relatório '%1' não encontrou dados para imprimir.").arg(report.title));
    return {std::move(query), std::move(params)};
}

void CheckReportQuery(const TReportDefinition& report) {
    const std::unique_ptr<data::TADOIBQuery> query = MakeReportQuery(report);
    query->Open();
    CheckReportFields(report, *query->Query());
}

}  // namespace kpv::report
