// kpv-appserver: publishes "Kpv41000.rdmEmissaoRPS" over HTTP + JSON (docs/protocol.md).
#include "appserver/endpoint.h"
#include "appserver/http_server.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/remote_dispatcher.h"
#include "appserver/server_settings.h"
#include "appserver/termination.h"
#include "db/database.h"
#include "db/database_error.h"
#include "protocol/methods.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSettings>

#include <cstdio>

namespace {

const QString kConnectionName = QStringLiteral("kpv-appserver");

int fail(const QString& message) {
    std::fprintf(stderr, "kpv-appserver: %s\n", message.toUtf8().constData());
    return 1;
}

// Serves until `termination` reports SIGTERM or SIGINT; throws DatabaseError or std::runtime_error when it
// cannot start.
int serve(const kpv::server::ServerSettings& settings, const kpv::db::DatabaseSettings& database,
          kpv::server::TerminationWatcher& termination) {
    kpv::server::TrdmEmissaoRPS module(kpv::db::OpenDatabase(database, kConnectionName));
    kpv::server::RemoteDispatcher dispatcher(module);
    kpv::server::CallLog log(stderr);
    kpv::server::Endpoint endpoint(settings.token, dispatcher, log);
    kpv::server::HttpServer server(
        settings,
        [&](const auto& head, const QByteArray& body, const QString& peer) {
            return endpoint.handle(head, body, peer);
        },
        [&](const QString& peer, int status, const QString& code, const QString& message) {
            endpoint.rejected(peer, status, code, message);
        });
    server.listen();

    QObject::connect(&termination, &kpv::server::TerminationWatcher::terminationRequested, [&](int number) {
        log.note(QStringLiteral("signal %1: stopping").arg(number));
        server.shutdown([] { QCoreApplication::quit(); });
    });

    std::printf("listening on %s:%u\n", server.address().toUtf8().constData(), unsigned(server.port()));
    std::fflush(stdout);
    log.note(QStringLiteral("serving %1 on %2:%3 (%4)")
                 .arg(QString(kpv::protocol::kServerName), server.address())
                 .arg(server.port())
                 .arg(kpv::db::EngineName(database.engine)));
    const int code = QCoreApplication::exec();
    log.note(QStringLiteral("stopped"));
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    // While TZ is unset, glibc re-reads /etc/localtime at every local-time conversion; naming the same zone
    // once keeps answers of 100,000 dated rows from spending their time in stat().
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    // Before the database engine starts its threads, so none of them takes the signal.
    kpv::server::TerminationWatcher termination;
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

    const QString configFile = options.value(configOption);
    if (options.isSet(configOption) && !QFileInfo::exists(configFile)) {
        return fail(QStringLiteral("arquivo de configuração não encontrado: %1").arg(configFile));
    }
    QSettings ini(configFile, QSettings::IniFormat);
    kpv::server::ServerSettings settings = kpv::server::ReadServerSettings(ini);
    if (options.isSet(portOption)) {
        bool ok = false;
        settings.port = options.value(portOption).toInt(&ok);
        if (!ok) return fail(QStringLiteral("porta inválida: %1").arg(options.value(portOption)));
    }

    try {
        kpv::db::DatabaseSettings database = kpv::db::ReadDatabaseSettings(ini);
        if (database.path.isEmpty() && database.engine == kpv::db::Engine::SQLite)
            database.path = QStringLiteral("kpv.db");
        // Detached here, while the application and the database engine are still whole.
        const auto detach = qScopeGuard([] { kpv::db::CloseDatabase(kConnectionName); });
        return serve(settings, database, termination);
    } catch (const kpv::db::DatabaseError& e) {
        return fail(e.message());
    } catch (const std::exception& e) {
        return fail(QString::fromUtf8(e.what()));
    }
}
