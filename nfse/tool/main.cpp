// kpv-nfse: every issued RPS as a signed DPS file, the NFS-e that come back read in, and where the RPS of a
// company stand between the two; over the same kpv.ini as the application server.
#include "db/connection.h"
#include "db/database.h"
#include "db/database_error.h"
#include "db/database_settings.h"
#include "nfse/dps_document.h"
#include "nfse/nfse_error.h"
#include "nfse/rps/branch_registrations.h"
#include "nfse/rps/dps_export.h"
#include "nfse/rps/dps_signer.h"
#include "nfse/rps/nfse_import.h"
#include "nfse/rps/nfse_settings.h"
#include "nfse/rps/nfse_status.h"
#include "settings/settings_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#include <unistd.h>

namespace {

using namespace kpv;

const char* const kUsage =
    "uso: kpv-nfse export --config ARQUIVO --out PASTA [--company C] [--from AAAA-MM-DD] [--to AAAA-MM-DD] "
    "[--again]\n"
    "     kpv-nfse status --config ARQUIVO [--company C]\n"
    "     kpv-nfse import --config ARQUIVO NFSE.xml...\n"
    "     kpv-nfse certificates --config ARQUIVO";

void say(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n", text.toUtf8().constData());
}

int fail(const QString& message) {
    say(stderr, QStringLiteral("kpv-nfse: ") + message);
    return 1;
}

// The database of the configuration as it is, given the tables and columns an earlier version lacked, and
// one connection of the engine's own library to it.
std::unique_ptr<db::Connection> Open(const settings::SettingsFile& ini) {
    db::DatabaseSettings database = db::ReadDatabaseSettings(ini);
    if (database.path.isEmpty() && database.engine == db::Engine::SQLite)
        database.path = settings::ResolvePath(ini.folder(), QStringLiteral("kpv.db"));
    const QString schema = QStringLiteral("kpv-nfse-schema");
    {
        QSqlDatabase qt = db::OpenExistingDatabase(database, schema);
        db::InstallSchema(qt);
    }
    db::CloseDatabase(schema);
    return db::Connect(database);
}

// A progress line under the lines of the files, redrawn after each: only on a terminal.
class Progress {
  public:
    Progress() : shown_(::isatty(STDOUT_FILENO) == 1) {}
    void line(const QString& text) {
        if (shown_) std::fputs("\r\033[K", stdout);
        say(stdout, text);
        redraw();
    }
    void update(qsizetype done, qsizetype total) {
        done_ = done;
        total_ = total;
        redraw();
    }
    void clear() {
        if (shown_) std::fputs("\r\033[K", stdout);
        std::fflush(stdout);
    }

  private:
    void redraw() {
        if (!shown_ || total_ == 0) return;
        std::printf("\r\033[Kexportando: %lld de %lld RPS (%lld%%)", static_cast<long long>(done_),
                    static_cast<long long>(total_), static_cast<long long>(100 * done_ / total_));
        std::fflush(stdout);
    }
    bool shown_;
    qsizetype done_ = 0;
    qsizetype total_ = 0;
};

QDate dayOption(const QCommandLineParser& options, const QString& name) {
    const QString text = options.value(name);
    if (text.isEmpty()) return {};
    const QDate day = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid())
        throw settings::ConfigurationError(
            QStringLiteral("data inválida em --%1: %2 (esperado AAAA-MM-DD)").arg(name, text));
    return day;
}

int exportDps(const settings::SettingsFile& ini, const QCommandLineParser& options) {
    const QString folder = options.value(QStringLiteral("out"));
    if (folder.isEmpty()) return fail(QStringLiteral("informe a pasta das DPS com --out PASTA.\n") + kUsage);
    nfse::RpsSelection selection;
    selection.company = options.value(QStringLiteral("company"));
    selection.from = dayOption(options, QStringLiteral("from"));
    selection.to = dayOption(options, QStringLiteral("to"));
    selection.exportedToo = options.isSet(QStringLiteral("again"));
    const nfse::DpsSigner signer(nfse::ReadNfseSettings(ini));
    const std::unique_ptr<db::Connection> connection = Open(ini);

    Progress progress;
    nfse::ExportEvents events;
    events.written = [&](const QString& file, const nfse::IssuedRps& rps) {
        progress.line(file + QStringLiteral("  ") + rps.describe());
    };
    events.failed = [&](const nfse::IssuedRps& rps, const QString& why) {
        progress.clear();
        say(stderr, QStringLiteral("kpv-nfse: %1: %2").arg(rps.describe(), why));
    };
    events.progress = [&](qsizetype done, qsizetype total) { progress.update(done, total); };
    const nfse::ExportSummary summary = ExportDps(*connection, signer, selection, folder, events);
    progress.clear();
    if (summary.written + summary.failed == 0)
        say(stderr, QStringLiteral("kpv-nfse: nenhum RPS a exportar."));
    else
        say(stderr, QStringLiteral("kpv-nfse: %1 DPS gravadas em %2; %3 RPS com falha.")
                        .arg(summary.written)
                        .arg(folder)
                        .arg(summary.failed));
    return summary.failed > 0 ? 1 : 0;
}

int status(const settings::SettingsFile& ini, const QCommandLineParser& options) {
    const QString company = options.value(QStringLiteral("company"));
    const std::unique_ptr<db::Connection> connection = Open(ini);
    const nfse::NfseStatus s = nfse::ReadNfseStatus(*connection, company);
    say(stdout,
        company.isEmpty() ? QStringLiteral("Todas as empresas") : QStringLiteral("Empresa %1").arg(company));
    const auto row = [](const char* label, qsizetype n) {
        say(stdout, QStringLiteral("  %1%2").arg(QString::fromUtf8(label), -38).arg(n, 7));
    };
    row("RPS emitidos, a exportar:", s.toExport);
    row("DPS exportadas, aguardando NFS-e:", s.awaitingNfse);
    row("NFS-e recebidas:", s.nfseReceived);
    row("RPS cancelados depois de exportados:", s.cancelledAfterExport.size());
    for (const nfse::NfseStatus::Cancelled& c : s.cancelledAfterExport)
        say(stdout,
            QStringLiteral("    %1.xml  %2: cancelado, não envie esta DPS").arg(c.id, c.rps.describe()));
    return 0;
}

int import(const settings::SettingsFile& ini, const QStringList& files) {
    if (files.isEmpty()) return fail(QStringLiteral("informe os arquivos das NFS-e.\n") + kUsage);
    const nfse::DpsOrigin origin{nfse::ReadNfseSettings(ini).environment};
    const std::unique_ptr<db::Connection> connection = Open(ini);
    int refused = 0;
    for (const QString& name : files) {
        QFile file(name);
        try {
            if (!file.open(QIODevice::ReadOnly))
                throw nfse::NfseError(QStringLiteral("não pôde ser lido: %1.").arg(file.errorString()));
            const nfse::ImportedNfse imported = nfse::ImportNfse(*connection, file.readAll(), origin);
            say(stdout, imported.already ? QStringLiteral("%1: NFS-e nº %2 do %3 já registrada; nada mudou.")
                                               .arg(name, imported.nNFSe, imported.rps.describe())
                                         : QStringLiteral("%1: NFS-e nº %2 registrada para o %3.")
                                               .arg(name, imported.nNFSe, imported.rps.describe()));
        } catch (const nfse::NfseError& e) {
            ++refused;
            say(stderr, QStringLiteral("kpv-nfse: %1: %2").arg(name, e.message()));
        }
    }
    return refused > 0 ? 1 : 0;
}

// Each branch, its CNPJ, the certificate the configuration names for it and whether it signs for it now.
int certificates(const settings::SettingsFile& ini) {
    const nfse::NfseSettings settings = nfse::ReadNfseSettings(ini);
    const std::unique_ptr<db::Connection> connection = Open(ini);
    const nfse::BranchCertificates loaded(settings);
    for (const nfse::BranchRegistration& b : nfse::ReadBranchRegistrations(*connection)) {
        QString state;
        const nfse::Certificate* certificate = loaded.forBranch(b.branch, &state);
        if (certificate) {
            try {
                nfse::CheckSigner(*certificate, nfse::Cnpj{b.cnpj}, QDateTime::currentDateTimeUtc());
                state = QStringLiteral("assina até %1")
                            .arg(certificate->notAfter().toString(QStringLiteral("dd/MM/yyyy")));
            } catch (const nfse::NfseError& e) {
                state = e.message();
            }
        }
        const QString file = settings.certificates.value(b.branch).path;
        say(stdout, QStringLiteral("%1\t%2\t%3\t%4\t%5")
                        .arg(b.branch, b.cnpj, file.isEmpty() ? QStringLiteral("-") : file, b.name, state));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kpv-nfse"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Exports every issued RPS as a signed DPS of the national NFS-e layout, reads the NFS-e that come "
        "back, and tells where the RPS stand."));
    options.addHelpOption();
    options.addPositionalArgument(QStringLiteral("command"),
                                  QStringLiteral("export, status, import or certificates"));
    options.addOptions({
        {QStringLiteral("config"), QStringLiteral("Configuration file (kpv.ini)."), QStringLiteral("file"),
         QStringLiteral("kpv.ini")},
        {QStringLiteral("out"), QStringLiteral("export: folder of the DPS files."), QStringLiteral("folder")},
        {QStringLiteral("company"), QStringLiteral("export, status: only this company."),
         QStringLiteral("code")},
        {QStringLiteral("from"), QStringLiteral("export: RPS issued from this day on."),
         QStringLiteral("YYYY-MM-DD")},
        {QStringLiteral("to"), QStringLiteral("export: RPS issued up to this day."),
         QStringLiteral("YYYY-MM-DD")},
        {QStringLiteral("again"), QStringLiteral("export: also the RPS exported before, the same bytes.")},
    });
    options.process(app);
    const QStringList arguments = options.positionalArguments();
    const QString command = arguments.value(0);

    try {
        if (command != u"export" && command != u"status" && command != u"import" &&
            command != u"certificates")
            return fail(QStringLiteral("comando desconhecido: \"%1\".\n").arg(command) + kUsage);
        // Without its file the tool would work on some database of the folder it was started in.
        const settings::SettingsFile ini(options.value(QStringLiteral("config")));
        if (command == u"export") return exportDps(ini, options);
        if (command == u"status") return status(ini, options);
        if (command == u"import") return import(ini, arguments.mid(1));
        return certificates(ini);
    } catch (const settings::ConfigurationError& e) {
        return fail(e.message());
    } catch (const db::DatabaseError& e) {
        return fail(e.message());
    } catch (const nfse::NfseError& e) {
        return fail(e.message());
    }
}
