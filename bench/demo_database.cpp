#include "demo_database.h"

#include "invoice_select.h"
#include "measure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>

#include <cmath>

namespace bench {

namespace {
constexpr int kPilotInvoices = 4000;
constexpr quint64 kSeed = 1;
const QDate kUntil(2026, 12, 8);
}  // namespace

void FillDemoData(const TestDatabase& d, int invoices) {
    QString error;
    if (!RunDemoData(d, invoices, kSeed, kUntil, &error)) Fail(error);
}

int InvoicesFor(const QString& folder, int rows) {
    // The share of the invoices the selection takes, measured once on a pilot database.
    const QString pilot = QDir(folder).filePath(QStringLiteral("pilot.db"));
    if (!QFileInfo::exists(pilot)) {
        TestDatabase d;
        d.engine = QStringLiteral("sqlite");
        d.path = pilot + QStringLiteral(".part");
        QFile::remove(d.path);
        FillDemoData(d, kPilotInvoices);
        QFile::rename(d.path, pilot);
    }
    int selected = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("pilot"));
        db.setDatabaseName(pilot);
        if (!db.open()) Fail(QStringLiteral("cannot open %1").arg(pilot));
        selected = LargestSelection(db).rows;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pilot"));
    if (selected <= 0) Fail(QStringLiteral("the pilot database selects no invoice"));
    return static_cast<int>(std::lround(double(rows) * kPilotInvoices / selected));
}

QString SqliteDemoFile(const QString& folder, int rows) {
    QDir().mkpath(folder);
    const QString file = QDir(folder).filePath(QStringLiteral("sqlite-%1.db").arg(rows));
    if (QFileInfo::exists(file)) return file;
    TestDatabase d;
    d.engine = QStringLiteral("sqlite");
    d.path = file + QStringLiteral(".part");
    QFile::remove(d.path);
    FillDemoData(d, InvoicesFor(folder, rows));
    QFile::rename(d.path, file);
    return file;
}

}  // namespace bench
