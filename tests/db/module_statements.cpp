// Prints, as JSON, the module's statements as Oracle and MSSQL would receive them: for each of the
// module's queries, the text the query takes in each of the two dialects (its own, or the generic one
// where it has none), keyed by sqlglot's names for them. parse_dialect_statements.py reads it.
#include "db/dialect.h"
#include "emission/statements.h"
#include "filter/statements.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    using Cli_kpv41000::TQueryStatements;
    namespace emission = Cli_kpv41000::statements;
    namespace filter = Cli_kpv41100::statements;
    const std::pair<const char*, const TQueryStatements*> queries[] = {
        {"qryEmpresa", &emission::qryEmpresa},       {"qryFilial", &filter::qryFilial},
        {"qryEmprCntrFil", &filter::qryEmprCntrFil}, {"qryInscrEstad", &filter::qryInscrEstad},
        {"qrySerieNF", &filter::qrySerieNF},         {"qryCliente", &filter::qryCliente},
    };
    QJsonObject texts;
    for (const auto& [name, statements] : queries) {
        kpv::data::TADOIBQuery query(nullptr, QString::fromLatin1(name));
        statements->AssignTo(query);
        texts[QLatin1String(name)] = QJsonObject{
            {QStringLiteral("oracle"),
             query.StatementFor(kpv::db::DialectForDriver(QStringLiteral("QOCI"))).join(u'\n')},
            {QStringLiteral("tsql"),
             query.StatementFor(kpv::db::DialectForDriver(QStringLiteral("QODBC"))).join(u'\n')},
        };
    }
    std::fputs(QJsonDocument(texts).toJson().constData(), stdout);
    return 0;
}
