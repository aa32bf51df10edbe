// A DPS built, validated against the shipped schema and signed with an A1 certificate, as the export and
// GeraDPS will make thousands of them: the median per document on one core (rsa-sha1 and rsa-sha256), its
// parts (building and validating alone), and documents per second on every core. Prints "name value" lines
// for scripts/bench.sh; --sample FILE also writes one signed document.
#include "measure.h"
#include "nfse/dps_document.h"
#include "nfse/nfse_error.h"
#include "sample_dps.h"
#include "test_certificate.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <thread>
#include <vector>

using namespace bench;
using namespace kpv::nfse;

namespace {

constexpr int kDocuments = 2000;

// Each document its own number, as an export's are.
Dps Numbered(qint64 n) {
    Dps dps = SampleDps();
    dps.nDPS = n;
    return dps;
}

double DocumentsPerSecond(const Certificate& certificate, unsigned threads) {
    std::atomic<qint64> next{1};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (qint64 n = next++; n <= kDocuments * 2; n = next++) SignedDps(Numbered(n), certificate);
        });
    }
    for (std::thread& worker : workers) worker.join();
    return kDocuments * 2 / (static_cast<double>(timer.nsecsElapsed()) / 1e9);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    ReadCommandLine(
        options, "A DPS built, validated against the shipped schema and signed, per document and per second.",
        {{QStringLiteral("sample"), QStringLiteral("Writes one signed DPS to FILE."),
          QStringLiteral("FILE")}});

    QTemporaryDir dir;
    TestCertificate made;
    QString error;
    if (!MakeTestCertificate(
            dir.path(), QStringLiteral("provider"),
            {QStringLiteral("EMPRESA TESTE LTDA:") + QString::fromLatin1(kSampleProviderCnpj), {}}, &made,
            &error))
        Fail(error);
    try {
        const Certificate certificate = Certificate::FromPkcs12(made.pkcs12, made.password);
        SignedDps(SampleDps(), certificate);  // parses the schemas, once per process
        qint64 n = 0;
        Report("dps_build_validate_ms", MedianMs(kDocuments, [&] { UnsignedDps(Numbered(++n)); }));
        Report("dps_sha1_ms", MedianMs(kDocuments, [&] { SignedDps(Numbered(++n), certificate); }));
        Report("dps_sha256_ms", MedianMs(kDocuments, [&] {
                   SignedDps(Numbered(++n), certificate, SignatureAlgorithm::RsaSha256);
               }));
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        Report("dps_cores", cores);
        Report("dps_per_s_all_cores", DocumentsPerSecond(certificate, cores));
        if (options.isSet(QStringLiteral("sample"))) {
            QFile sample(options.value(QStringLiteral("sample")));
            if (!sample.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail(sample.errorString());
            sample.write(SignedDps(SampleDps(), certificate));
        }
    } catch (const NfseError& e) {
        Fail(e.message());
    }
    return 0;
}
