#include "nfse/rps/dps_export.h"

#include "db/audit_trail.h"
#include "db/connection.h"
#include "db/write_transaction.h"
#include "nfse/dps_document.h"
#include "nfse/nfse_error.h"
#include "nfse/rps/dps_signer.h"
#include "nfse/rps/file_replace.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace kpv::nfse {

namespace {

// Records are committed in batches: one commit per file would wait for the disk ten thousand times.
constexpr qsizetype kRecordBatch = 200;
constexpr std::chrono::seconds kRecordDeadline{60};

const QString kUpdateRecord = QStringLiteral(
    "UPDATE DPSEXPORTADA SET CDEMPRESA = ?, CDINSCMUNI = ?, CDSERIERPS = ?, NRRPS = ?, CDFILIAL = ?,"
    " NRLANCTONF = ?, DTEXPDPS = ?, DSSHA256DPS = ? WHERE CDDPS = ?");
const QString kInsertRecord = QStringLiteral(
    "INSERT INTO DPSEXPORTADA (CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRRPS, CDFILIAL, NRLANCTONF, DTEXPDPS,"
    " DSSHA256DPS, CDDPS) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");

struct Written {
    QString id;
    IssuedRps rps;
    QString sha256;
};

// The document of one RPS, made on a signing thread: the signed bytes, or why there are none.
struct Job {
    const RpsDps* rps = nullptr;
    QByteArray document;
    QString refusal;
    bool done = false;
};

// Signs the jobs on every core, in any order; the caller takes them in order as they are done.
class SigningThreads {
  public:
    SigningThreads(std::vector<Job>& jobs, const DpsSigner& signer) : jobs_(jobs), signer_(signer) {
        const unsigned count = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned t = 0; t < count; ++t) threads_.emplace_back([this] { sign(); });
    }
    ~SigningThreads() {
        next_ = jobs_.size();  // a caller that stopped early leaves the rest unsigned
        for (std::thread& t : threads_) t.join();
    }
    SigningThreads(const SigningThreads&) = delete;
    SigningThreads& operator=(const SigningThreads&) = delete;

    Job& take(size_t index) {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return jobs_[index].done; });
        return jobs_[index];
    }

  private:
    void sign() {
        for (size_t i = next_++; i < jobs_.size(); i = next_++) {
            Job& job = jobs_[i];
            QByteArray document;
            QString refusal = job.refusal;
            if (refusal.isEmpty()) {
                try {
                    document = signer_.sign(*job.rps->dps, job.rps->rps.branch);
                } catch (const NfseError& e) {
                    refusal = e.message();
                }
            }
            const std::lock_guard lock(mutex_);
            job.document = std::move(document);
            job.refusal = std::move(refusal);
            job.done = true;
            done_.notify_all();
        }
    }

    std::vector<Job>& jobs_;
    const DpsSigner& signer_;
    std::atomic<size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<std::thread> threads_;
};

// Stored times keep whole seconds.
QDateTime nowToTheSecond() {
    const QDateTime now = QDateTime::currentDateTime();
    return now.addMSecs(-now.time().msec());
}

void record(db::Connection& connection, const std::vector<Written>& batch) {
    const QDateTime now = nowToTheSecond();
    const QString who = db::LocalOperator();
    db::RunWriteTransaction(
        connection,
        [&] {
            for (const Written& w : batch) {
                db::RecordAudit(connection,
                                {QString(), who, QStringLiteral("ExportaDPS"), w.rps.branch, w.rps.entry,
                                 w.rps.series, QString::number(w.rps.number), QStringLiteral("ok: ") + w.id});
                const std::vector<db::Value> values{w.rps.company, w.rps.municipalRegistration,
                                                    w.rps.series,  w.rps.number,
                                                    w.rps.branch,  w.rps.entry,
                                                    now,           w.sha256,
                                                    w.id};
                db::Statement& update = connection.prepare(kUpdateRecord);
                update.execute(values);
                if (update.rowsAffected() == 0) connection.prepare(kInsertRecord).execute(values);
            }
            return true;
        },
        QDeadlineTimer(kRecordDeadline));
}

std::vector<Job> jobsOf(const std::vector<RpsDps>& found) {
    std::vector<Job> jobs(found.size());
    for (size_t i = 0; i < found.size(); ++i) {
        jobs[i].rps = &found[i];
        jobs[i].refusal = found[i].refusal;
    }
    return jobs;
}

}  // namespace

ExportSummary ExportDps(db::Connection& connection, const DpsSigner& signer, const RpsSelection& selection,
                        const QString& folder, const ExportEvents& events) {
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable())
        throw NfseError(QStringLiteral("A pasta %1 não pode ser criada ou gravada.").arg(folder));
    RemoveUnfinishedFiles(folder);
    const QDir dir(folder);

    const std::vector<RpsDps> found = ReadRpsToExport(connection, selection, signer.origin());
    std::vector<Job> jobs = jobsOf(found);
    ExportSummary summary;
    std::vector<Written> unrecorded;
    const auto recordWritten = [&] {
        if (unrecorded.empty()) return;
        SyncFolder(folder);
        record(connection, unrecorded);
        unrecorded.clear();
    };

    SigningThreads signing(jobs, signer);
    for (size_t i = 0; i < jobs.size(); ++i) {
        Job& job = signing.take(i);
        const IssuedRps& rps = job.rps->rps;
        if (job.refusal.isEmpty()) {
            const QString id = DpsId(*job.rps->dps);
            const QString file = dir.filePath(id + QStringLiteral(".xml"));
            try {
                ReplaceFile(file, job.document);
                unrecorded.push_back(
                    {id, rps,
                     QString::fromLatin1(
                         QCryptographicHash::hash(job.document, QCryptographicHash::Sha256).toHex())});
                ++summary.written;
                if (events.written) events.written(file, rps);
            } catch (const NfseError& e) {
                job.refusal = e.message();
            }
            job.document.clear();
        }
        if (!job.refusal.isEmpty()) {
            ++summary.failed;
            if (events.failed) events.failed(rps, job.refusal);
        }
        if (qsizetype(unrecorded.size()) >= kRecordBatch) recordWritten();
        if (events.progress) events.progress(qsizetype(i) + 1, qsizetype(jobs.size()));
    }
    recordWritten();
    return summary;
}

}  // namespace kpv::nfse
