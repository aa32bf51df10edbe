// kpv-demodata: fills the application database with deterministic demo data.
#include "db/database.h"
#include "db/database_error.h"
#include "db/demodata/demo_generator.h"
#include "db/firebird_tools.h"
#include "settings/settings_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "kpv-demodata: %s\n", message.toUtf8().constData());
    return 1;
}

// --check: 0 when the database holds data, 3 when demo data would replace nothing.
int tellContent(const QString& named, kpv::db::DatabaseContent content) {
    const char* text = content == kpv::db::DatabaseContent::Data    ? "já tem o esquema e dados"
                       : content == kpv::db::DatabaseContent::Empty ? "não tem dados"
                                                                    : "não existe";
    std::printf("o banco de dados %s %s.\n", named.toUtf8().constData(), text);
    return content == kpv::db::DatabaseContent::Data ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    // While TZ is unset, glibc re-reads /etc/localtime at every local-time conversion; naming the same zone
    // once keeps a load of 100,000 dated rows from spending its time in stat().
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kpv-demodata"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Fills the application database with demo data. The database comes from the [database] group of "
        "the configuration; the other options override it. A database that already holds data is left "
        "as it is unless --replace is given."));
    options.addHelpOption();
    const QCommandLineOption config("config", "Configuration file with a [database] group.", "file");
    const QCommandLineOption engine("engine", "sqlite or firebird.", "engine");
    const QCommandLineOption database("database", "SQLite file, or Firebird database file or alias.", "path");
    const QCommandLineOption host("host", "Firebird server; none for the embedded engine.", "host");
    const QCommandLineOption port("port", "Firebird server port.", "port");
    const QCommandLineOption user("user", "Database user.", "user");
    const QCommandLineOption password("password", "Database password.", "password");
    const QCommandLineOption invoices("invoices", "Number of invoices (default 5000).", "count", "5000");
    const QCommandLineOption seed("seed", "Seed of the generator (default 1).", "seed", "1");
    const QCommandLineOption until("until", "Last exit date, YYYY-MM-DD (default today).", "date");
    const QCommandLineOption replace("replace", "Replace the data the database already holds.");
    const QCommandLineOption check(
        "check", "Only tell whether the database holds data (exit 0) or not (exit 3); change nothing.");
    options.addOptions(
        {config, engine, database, host, port, user, password, invoices, seed, until, replace, check});
    options.process(app);

    try {
        kpv::db::DatabaseSettings target;
        if (options.isSet(config))
            target = kpv::db::ReadDatabaseSettings(kpv::settings::SettingsFile(options.value(config)));
        if (options.isSet(engine)) target.engine = kpv::db::EngineFromName(options.value(engine));
        if (options.isSet(database)) target.path = options.value(database);
        if (options.isSet(host)) target.host = options.value(host);
        if (options.isSet(port)) target.port = options.value(port).toInt();
        if (options.isSet(user)) target.user = options.value(user);
        if (options.isSet(password)) target.password = options.value(password);
        if (target.path.isEmpty())
            return fail(QStringLiteral("informe o banco de dados (--database ou --config)."));
        const QString named = kpv::db::DescribeDatabase(target);
        if (options.isSet(check)) return tellContent(named, kpv::db::InspectDatabase(target));

        kpv::demo::DemoOptions demo;
        bool ok = false;
        demo.invoices = options.value(invoices).toInt(&ok);
        if (!ok || demo.invoices < 0)
            return fail(QStringLiteral("número de notas inválido: %1").arg(options.value(invoices)));
        demo.seed = options.value(seed).toULongLong(&ok);
        if (!ok) return fail(QStringLiteral("semente inválida: %1").arg(options.value(seed)));
        if (options.isSet(until)) {
            demo.until = QDate::fromString(options.value(until), Qt::ISODate);
            if (!demo.until.isValid())
                return fail(QStringLiteral("data inválida: %1").arg(options.value(until)));
        }

        QElapsedTimer clock;
        clock.start();
        const QString connection = QStringLiteral("kpv-demodata");
        const auto generate = [&] {
            QSqlDatabase db = kpv::db::OpenDatabase(target, connection);
            const kpv::demo::DemoSummary result = kpv::demo::GenerateDemoData(db, demo);
            db = QSqlDatabase();
            kpv::db::CloseDatabase(connection);
            return result;
        };
        // The first open creates a missing database; what it already holds is replaced only when asked.
        bool holdsData = false;
        {
            QSqlDatabase db = kpv::db::OpenDatabase(target, connection);
            holdsData = kpv::db::HoldsData(db);
        }
        kpv::db::CloseDatabase(connection);
        if (holdsData && !options.isSet(replace)) {
            return fail(QStringLiteral("o banco de dados %1 já tem o esquema e dados; nada foi alterado. Use "
                                       "--replace para substituí-los pelos dados de demonstração.")
                            .arg(named));
        }
        kpv::demo::DemoSummary summary;
        if (target.engine == kpv::db::Engine::Firebird) {
            // Firebird waits for the disk on every page it writes; the load runs without that wait, and
            // the database gets it back whatever happens.
            kpv::db::SetFirebirdForcedWrites(target, false);
            try {
                summary = generate();
            } catch (...) {
                kpv::db::SetFirebirdForcedWrites(target, true);
                throw;
            }
            kpv::db::SetFirebirdForcedWrites(target, true);
        } else {
            summary = generate();
        }
        std::printf(
            "%d empresas, %d filiais, %d clientes, %d notas fiscais, %d RPS (%d cancelados) em %s; %.1f s\n",
            summary.companies, summary.branches, summary.clients, summary.invoices, summary.rpsIssued,
            summary.rpsCancelled, named.toUtf8().constData(), clock.elapsed() / 1000.0);
        return 0;
    } catch (const kpv::db::DatabaseError& e) {
        return fail(e.message());
    } catch (const kpv::settings::ConfigurationError& e) {
        return fail(e.message());
    }
}
