// kpv-appserver: publishes "Kpv41000.rdmEmissaoRPS" over HTTP + JSON (docs/protocol.md).
#include "appserver/access_control.h"
#include "appserver/call_log.h"
#include "appserver/database_health.h"
#include "appserver/endpoint.h"
#include "appserver/http_server.h"
#include "appserver/server_fault.h"
#include "appserver/server_settings.h"
#include "appserver/sign_in.h"
#include "appserver/termination.h"
#include "appserver/worker_pool.h"
#include "db/connection.h"
#include "db/database.h"
#include "db/database_error.h"
#include "nfse/rps/dps_signer.h"
#include "protocol/methods.h"
#include "settings/settings_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

#include <malloc.h>

namespace {

using namespace kpv;

int fail(const QString& message) {
    std::fprintf(stderr, "kpv-appserver: %s\n", message.toUtf8().constData());
    return 1;
}

// Creates the database and its schema on first use, then makes sure the server's own connections reach
// it: a database that cannot be used stops the server at start rather than at the first call.
void prepareDatabase(const db::DatabaseSettings& database) {
    db::RequireServedEngine(database);
    const QString name = QStringLiteral("kpv-appserver-schema");
    db::OpenDatabase(database, name);
    db::CloseDatabase(name);
    db::Connect(database);
}

// Serves until `termination` reports SIGTERM or SIGINT; throws when it cannot start.
int serve(const server::ServerSettings& settings, const db::DatabaseSettings& database,
          const nfse::NfseSettings& nfse, server::TerminationWatcher& termination) {
    prepareDatabase(database);
    server::CallLog log(stderr);
    // The branches' certificates are read once; one that cannot be read is said now, and GeraDPS says it
    // again for the branch's invoices, while the rest of the server serves.
    const nfse::DpsSigner signer(nfse);
    for (const QString& refusal : signer.certificates().refusals())
        log.note(QStringLiteral("nfse: ") + refusal);
    server::DatabaseHealth health([database] { db::Connect(database); });
    server::WorkerPool workers(
        settings.workers, std::chrono::milliseconds(settings.deadlineMs),
        [database] { return db::Connect(database); }, health, log, signer);
    server::AccessControl access(std::chrono::minutes(settings.sessionIdleMinutes), workers, log);
    const bool accounts = access.refresh(*db::Connect(database));
    server::CheckAccountsBeyondLoopback(settings, accounts);
    server::SignIn signIn(workers, access);
    server::Endpoint endpoint(settings.token, workers, log, access, signIn);
    server::HttpServer http(
        settings,
        [&](const server::HttpRequest& request, const server::Responder& respond) {
            endpoint.handle(request, respond);
        },
        [&](const QString& peer, const server::ServerFault& fault) { endpoint.rejected(peer, fault); });
    http.listen();

    QObject::connect(&termination, &server::TerminationWatcher::terminationRequested, [&](int number) {
        log.note(QStringLiteral("signal %1: stopping").arg(number));
        http.shutdown();
        QCoreApplication::quit();
    });

    std::printf("listening on %s:%u\n", http.address().toUtf8().constData(), unsigned(http.port()));
    std::fflush(stdout);
    log.note(
        QStringLiteral("serving %1 on %2:%3 (%4, %5 workers, %6, %7)")
            .arg(QString(protocol::kServerName), http.address())
            .arg(http.port())
            .arg(db::EngineName(database.engine))
            .arg(settings.workers)
            .arg(settings.tls() ? QStringLiteral("HTTPS") : QStringLiteral("HTTP"),
                 accounts ? QStringLiteral("accounts") : QStringLiteral("no accounts yet: a single desk")));
    const int code = QCoreApplication::exec();
    workers.stop();
    log.note(QStringLiteral("stopped"));
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    // While TZ is unset, glibc re-reads /etc/localtime at every local-time conversion.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    // Reply bodies of tens of megabytes grow by remapping their pages rather than by copying them, and
    // go back to the system when sent, instead of staying in the heap at their peak.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    QCoreApplication app(argc, argv);
    // Before the database engine and the workers start their threads, so none of them takes the signal.
    server::TerminationWatcher termination;
    QCoreApplication::setApplicationName(QStringLiteral("kpv-appserver"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Application server of the RPS emission module."));
    options.addHelpOption();
    const QCommandLineOption configOption(QStringLiteral("config"),
                                          QStringLiteral("Configuration file (kpv.ini)."),
                                          QStringLiteral("file"), QStringLiteral("kpv.ini"));
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Port to listen on; 0 picks a free one and prints it."),
        QStringLiteral("port"));
    options.addOption(configOption);
    options.addOption(portOption);
    options.process(app);

    try {
        // Without its file the server would serve some database of the folder it was started in.
        const settings::SettingsFile ini(options.value(configOption));
        server::ServerSettings settings = server::ReadServerSettings(ini);
        if (options.isSet(portOption)) {
            bool ok = false;
            settings.port = options.value(portOption).toInt(&ok);
            if (!ok || settings.port < 0 || settings.port > 65535) {
                return fail(QStringLiteral("porta inválida: %1 (esperado um número inteiro de 0 a 65535)")
                                .arg(options.value(portOption)));
            }
        }
        const db::DatabaseSettings database = db::ReadServerDatabaseSettings(ini);
        return serve(settings, database, nfse::ReadNfseSettings(ini), termination);
    } catch (const server::ConfigurationError& e) {
        return fail(e.message());
    } catch (const db::DatabaseError& e) {
        return fail(e.message());
    } catch (const std::exception& e) {
        return fail(QString::fromUtf8(e.what()));
    }
}
