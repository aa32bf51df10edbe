// GetNotaFiscal over Firebird: the answer of kpv-appserver at the wire against the same SELECT stepped
// through Qt's QIBASE driver, row by row and value by value, on the Firebird server scripts/bench.sh
// started (<build>/firebird-test-server). Prints "name value" lines for scripts/bench.sh.
#include "appserver_process.h"
#include "demo_database.h"
#include "invoice_select.h"
#include "measure.h"
#include "wire_call.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace bench;

namespace {
constexpr int kRuns = 5;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    const QCommandLineOption rowsOption("rows", "Rows the list should hold.", "count", "100000");
    const QCommandLineOption dataOption = DataOption();
    ReadCommandLine(options,
                    "GetNotaFiscal over the Firebird server of scripts/bench.sh against the same SELECT "
                    "through Qt's QIBASE driver.",
                    {rowsOption, dataOption});
    const int wanted = options.value(rowsOption).toInt();

    const TestDatabase database = TestDatabase::FirebirdServer(QStringLiteral("bench%1").arg(wanted));
    if (!database.isValid())
        Fail(QStringLiteral("no Firebird server: start scripts/firebird-test-server.sh"));
    FillDemoData(database, InvoicesFor(options.value(dataOption), wanted));

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), QStringLiteral("raw"));
    db.setHostName(database.host);
    db.setPort(database.port);
    db.setDatabaseName(database.path);
    db.setUserName(database.user);
    db.setPassword(database.password);
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (!db.open()) Fail(QStringLiteral("cannot open %1: %2").arg(database.path, db.lastError().text()));
    const InvoiceSelection selection = LargestSelection(db);
    Report("rows", selection.rows);
    const Statement statement = InvoiceStatement(selection, false);
    int stepped = 0;
    Report("raw_select_ms", MedianMs(kRuns, [&] {
               QSqlQuery q(db);
               q.setForwardOnly(true);
               if (!q.prepare(statement.sql)) Fail(q.lastError().text());
               for (const QVariant& b : statement.binds) q.addBindValue(b);
               if (!q.exec()) Fail(q.lastError().text());
               const int columns = q.record().count();
               stepped = 0;
               while (q.next()) {
                   for (int c = 0; c < columns; ++c) (void)q.value(c);
                   ++stepped;
               }
           }));
    if (stepped != selection.rows)
        Fail(QStringLiteral("the SELECT stepped %1 rows of %2").arg(stepped).arg(selection.rows));

    AppServerProcess server(database);
    QString error;
    if (!server.start(&error)) Fail(error);
    WireCall wire(server.host(), server.port());
    const QVariantList args = NotaFiscalArgsFor(selection).toList();
    Report("wire_ms", MedianMs(kRuns, [&] { (void)wire.call(QStringLiteral("GetNotaFiscal"), args); }));
    return 0;
}
