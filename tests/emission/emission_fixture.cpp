#include "emission_fixture.h"

#include "emission_screen.h"
#include "framework/core/context.h"
#include "framework/data/client_data_set.h"
#include "framework/ui/application.h"
#include "framework/ui/busy_animation.h"
#include "protocol/codes.h"

#include <QSqlQuery>
#include <QTest>
#include <QThread>

using namespace Cli_kpv41000;

namespace {

constexpr int kDemoInvoices = 400;
constexpr quint64 kDemoSeed = 11;

bool Fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}

}  // namespace

bool EmissionFixture::start(QString* error) {
    if (!dir().isValid()) return Fail(error, QStringLiteral("no temporary folder"));
    database_ = TestDatabase::Sqlite(dir().path());
    if (!RunDemoData(database_, kDemoInvoices, kDemoSeed, QDate(2026, 12, 8), error)) return false;
    server_ = std::make_unique<AppServerProcess>(database_);
    if (!server_->start(error)) return false;

    if (!OpenScreensDatabase(database_, dir().path(), error)) return false;

    kpv::ContextValues& context = kpv::Context();
    context.webUrl = server_->host();
    context.webPort = server_->port();
    context.outputFolder = outputFolder();
    showMdi();

    demo_ = LargestSelection(QSqlDatabase::database(QStringLiteral("dtmDBGeral")));
    if (demo_.rows == 0) return Fail(error, QStringLiteral("the demo data has no outgoing invoices"));

    // The refresh reads the filter screen's remembered filter: the filter screen is created once, closed
    // unconfirmed (no script answers it), and then remembers the selection.
    if (!openScreen()) return Fail(error, QStringLiteral("the emission screen was not created"));
    RememberSelection(demo_);
    return closeScreen() || Fail(error, QStringLiteral("the emission screen was not released"));
}

void EmissionFixture::stop() {
    kpv::ui::Application().DestroyForms();
    kpv::ui::Application().SetMdiArea(nullptr);
    server_.reset();
}

TfrmEmissaoRPS* EmissionFixture::openScreen() {
    TfrmEmissaoRPS* opened = OpenEmissionScreen(demo_.company);
    if (opened) opened->SituacaoRPS = kpv::protocol::SituationList(true, true, true);
    return opened;
}

bool EmissionFixture::closeScreen() {
    return CloseEmissionScreen();
}

void EmissionFixture::fetch() {
    screen()->sbtVerificarClick(screen()->sbtVerificar);
}

int EmissionFixture::findRow(const QString& emissao, const QString& transmis, int from) const {
    auto* ds = screen()->cdsNotaFiscal;
    for (int i = from + 1; i < ds->RecordCount(); ++i) {
        const kpv::data::TClientDataSet::PaintRecord row(ds, i);
        if (screen()->cdsNotaFiscalIDEMISSAORPS->AsString() == emissao &&
            screen()->cdsNotaFiscalIDTRANSMISRPS->AsString() == transmis)
            return i;
    }
    return -1;
}

void EmissionFixture::tick(int recNo) const {
    auto* ds = screen()->cdsNotaFiscal;
    ds->SetRecNo(recNo);
    ds->Edit();
    screen()->cdsNotaFiscalIDCHECK->SetAsString(QStringLiteral("S"));
    ds->Post();
}

std::pair<QString, QString> EmissionFixture::keyOf(int recNo) const {
    const kpv::data::TClientDataSet::PaintRecord row(screen()->cdsNotaFiscal, recNo);
    return {screen()->cdsNotaFiscalCDFILIAL->AsString(), screen()->cdsNotaFiscalNRLANCTONF->AsString()};
}

QString BusyShown() {
    const auto [done, total] = kpv::ShowAviProgress();
    return total > 0 ? QStringLiteral("%1 [%2/%3]").arg(kpv::ShowAviText()).arg(done).arg(total)
                     : kpv::ShowAviText();
}

void EmissionFixture::recordReportRuns(QList<ReportRun>& runs) const {
    auto& event = screen()->rpddPadrao->BeforeGetQueryParams;
    event = [screensOwn = event, &runs](kpv::report::TReportParams& params, bool& flag) {
        screensOwn(params, flag);
        const auto value = [&params](const char* name) {
            const kpv::report::TReportParam* p = params.Find(QString::fromLatin1(name));
            return p ? p->AsString() : QString();
        };
        runs.push_back({value("P_CDFILIAL"), value("P_NRLANCTONF"), BusyShown()});
    };
}

// The server writes a call's line once the answer is out, a moment after the screen has it: the count is
// read once the log has stopped growing.
int EmissionFixture::serverCalls() const {
    int lines = -1;
    for (int settled = 0; settled < 2;) {
        const int now = static_cast<int>(server_->log().count(QLatin1Char('\n')));
        settled = now == lines ? settled + 1 : 0;
        lines = now;
        QThread::msleep(30);
    }
    return lines;
}

QVariant EmissionFixture::scalar(const QString& sql, const QVariantList& args) {
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("dtmDBGeral")));
    q.prepare(sql);
    for (const QVariant& a : args) q.addBindValue(a);
    if (!q.exec() || !q.next()) return {};
    return q.value(0);
}

QString EmissionFixture::invoiceField(const QString& column, const QString& branch,
                                      const QString& entry) const {
    // The column name comes from the test itself, never from data.
    return scalar(
               QStringLiteral("SELECT %1 FROM NOTAFISCAL WHERE CDFILIAL = ? AND NRLANCTONF = ?").arg(column),
               {branch, entry})
        .toString();
}

int EmissionFixture::emittedInvoices() const {
    return scalar(
               QStringLiteral("SELECT COUNT(*) FROM NOTAFISCAL WHERE CDEMPRESA = ? AND IDEMISSAORPS = '2'"),
               {demo_.company})
        .toInt();
}

QString EmissionFixture::outputFolder() const {
    return dir().filePath(QStringLiteral("rps"));
}

void EmissionTestCase::initTestCase() {
    QString error;
    QVERIFY2(fixture_.start(&error), qPrintable(error));
    QVERIFY(fixture_.demo().rows > 10);
}

void EmissionTestCase::init() {
    QVERIFY(fixture_.openScreen());
    fixture_.resetUser();
}

void EmissionTestCase::cleanup() {
    QVERIFY(fixture_.closeScreen());
}

void EmissionTestCase::cleanupTestCase() {
    fixture_.stop();
}
