// An accounting department's export: 10,000 issued RPS made signed, validated DPS files by the real kpv-nfse
// process, over a SQLite demo database, with a certificate for every branch. Prints the median wall time of
// three runs (the first writes and records them, the other two write them again with --again) and how many
// cores the process kept busy, as "name value" lines for scripts/bench.sh.
#include "demo_database.h"
#include "measure.h"
#include "program_run.h"
#include "test_certificate.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/resource.h>

using namespace bench;

namespace {

constexpr int kRuns = 3;
// Issued and standing RPS are about an eighth of the demo's invoices.
constexpr int kInvoicesPerIssuedRps = 9;

double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The demo database of the benchmark, kept between runs, and a copy of it in `work` where exactly `rps` of
// its issued RPS wait for their export: the others count as transmitted.
QString Prepare(const QString& data, const QString& work, int rps) {
    QDir().mkpath(data);
    const QString kept = QDir(data).filePath(QStringLiteral("nfse-export-%1.db").arg(rps));
    if (!QFile::exists(kept)) {
        TestDatabase d;
        d.engine = QStringLiteral("sqlite");
        d.path = kept + QStringLiteral(".part");
        QFile::remove(d.path);
        FillDemoData(d, rps * kInvoicesPerIssuedRps);
        QFile::rename(d.path, kept);
    }
    const QString copy = QDir(work).filePath(QStringLiteral("kpv.db"));
    if (!QFile::copy(kept, copy)) Fail(QStringLiteral("cannot copy %1").arg(kept));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prepare"));
        db.setDatabaseName(copy);
        if (!db.open()) Fail(db.lastError().text());
        QSqlQuery q(db);
        for (const QString& sql :
             {QStringLiteral("UPDATE NOTAFISCAL SET IDTRANSMISRPS = '2' WHERE IDEMISSAORPS = '2'"),
              QStringLiteral(
                  "UPDATE NOTAFISCAL SET IDTRANSMISRPS = '1' WHERE rowid IN (SELECT rowid FROM NOTAFISCAL"
                  " WHERE IDEMISSAORPS = '2' ORDER BY CDFILIAL, NRLANCTONF LIMIT %1)")
                  .arg(rps)}) {
            if (!q.exec(sql)) Fail(q.lastError().text());
        }
        if (!q.exec(QStringLiteral(
                "SELECT COUNT(*) FROM NOTAFISCAL WHERE IDEMISSAORPS = '2' AND IDTRANSMISRPS = '1'")) ||
            !q.next() || q.value(0).toInt() != rps)
            Fail(QStringLiteral("the demo database has fewer than %1 issued RPS").arg(rps));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("prepare"));
    return copy;
}

// kpv.ini over the copy, with a test certificate for every branch its listing names.
QString Configure(const QString& work, const QString& database) {
    const QString ini = QDir(work).filePath(QStringLiteral("kpv.ini"));
    const auto write = [&](const QString& text) {
        QFile file(ini);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
            Fail(QStringLiteral("cannot write %1").arg(ini));
    };
    const QString group = QStringLiteral("[database]\nengine=sqlite\npath=%1\n").arg(database);
    write(group);
    const ProgramRun listing =
        RunProgram(BuildProgram(QStringLiteral("kpv-nfse")), {"certificates", "--config", ini});
    if (listing.exitCode != 0) Fail(listing.output);
    QString nfse = QStringLiteral("[nfse]\n");
    for (const QString& line : listing.output.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(u'\t');
        TestCertificate made;
        QString error;
        if (f.size() < 4 || !MakeTestCertificate(work, QStringLiteral("filial-") + f[0],
                                                 {f[3] + u':' + f[1], {}}, &made, &error))
            Fail(QStringLiteral("no certificate for %1: %2").arg(line, error));
        nfse += QStringLiteral("certificate.%1=%2\ncertificatePassword.%1=%3\n")
                    .arg(f[0], made.pkcs12, made.password);
    }
    write(group + nfse);
    return ini;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Times kpv-nfse exporting issued RPS as signed DPS files."));
    options.addHelpOption();
    options.addOption({QStringLiteral("data"), QStringLiteral("Folder of the kept demo databases."),
                       QStringLiteral("folder"), QStringLiteral("bench-data")});
    options.addOption({QStringLiteral("rps"), QStringLiteral("Issued RPS to export (default 10000)."),
                       QStringLiteral("count"), QStringLiteral("10000")});
    options.process(app);
    const int rps = options.value(QStringLiteral("rps")).toInt();
    if (rps <= 0) Fail(QStringLiteral("--rps must be a positive number"));

    QTemporaryDir work;
    const QString ini =
        Configure(work.path(), Prepare(options.value(QStringLiteral("data")), work.path(), rps));
    std::vector<double> seconds;
    std::vector<double> cores;
    for (int run = 0; run < kRuns; ++run) {
        const QString out = QDir(work.path()).filePath(QStringLiteral("dps%1").arg(run));
        QStringList arguments{"export", "--config", ini, "--out", out};
        if (run > 0) arguments << QStringLiteral("--again");
        const double cpuBefore = ChildrenCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QProcess exporting;
        exporting.setStandardOutputFile(QDir(work.path()).filePath(QStringLiteral("export.out")));
        exporting.setStandardErrorFile(QDir(work.path()).filePath(QStringLiteral("export.err")));
        exporting.start(BuildProgram(QStringLiteral("kpv-nfse")), arguments);
        if (!exporting.waitForFinished(600000) || exporting.exitCode() != 0)
            Fail(QStringLiteral("kpv-nfse export failed (%1)").arg(QDir(work.path()).filePath("export.err")));
        const double wall = double(clock.nsecsElapsed()) / 1e9;
        const qsizetype files = QDir(out).entryList({QStringLiteral("*.xml")}, QDir::Files).size();
        if (files != rps) Fail(QStringLiteral("kpv-nfse wrote %1 files for %2 RPS").arg(files).arg(rps));
        seconds.push_back(wall);
        cores.push_back((ChildrenCpuSeconds() - cpuBefore) / wall);
    }
    Report("nfse_export_rps", rps);
    Report("nfse_export_s", Median(seconds));
    Report("nfse_export_ms_per_rps", 1000 * Median(seconds) / rps);
    Report("nfse_export_cores_busy", Median(cores));
    return 0;
}
