// kpv-host: the host application. Loads a run-time package, opens its screen inside an MDI main window,
// merges the screen's menus into its own and shows the errors nobody else handled.
#include "framework/core/context.h"
#include "framework/core/dispatch.h"
#include "framework/core/interaction.h"
#include "framework/ui/application.h"
#include "framework/ui/scripted_interaction.h"
#include "host/host_database.h"
#include "host/host_options.h"
#include "host/main_window.h"
#include "host/package_loader.h"
#include "host/session_runner.h"
#include "host/session_script.h"
#include "settings/settings_file.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using namespace kpv;

namespace {

void printLine(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

std::optional<std::vector<host::SessionStep>> readScript(const QString& file, QString* error) {
    QFile script(file);
    if (!script.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = QStringLiteral("the start: cannot read the script '%1': %2").arg(file, script.errorString());
        return std::nullopt;
    }
    return host::ReadSessionScript(QString::fromUtf8(script.readAll()), error);
}

// The command line and the script it names. Nothing when the host may go on, else its exit code.
std::optional<int> readCommandLine(const QApplication& app, host::HostOptions& options,
                                   std::optional<std::vector<host::SessionStep>>& script) {
    QString error;
    if (!host::ParseHostOptions(app, options, &error)) {
        std::fprintf(stderr, "kpv-host: %s\n", qPrintable(error));
        return 2;
    }
    if (options.script.isEmpty()) return std::nullopt;
    script = readScript(options.script, &error);
    // A step the script cannot take fails the session as a step that fails when it runs does.
    if (!script) {
        printLine(QStringLiteral("session: FAILED at %1").arg(error));
        return 1;
    }
    return std::nullopt;
}

// The shared database module the screens' queries run on. Without a database the host still starts: the
// screens report the failure when they query, and nothing reaches the server. A branch of the configuration
// that the database does not hold is a bad configuration, which stops the host.
void openDatabase(const settings::SettingsFile& settings, const db::DatabaseSettings& database) {
    try {
        host::OpenHostDatabase(database);
        host::CheckContextBranches(settings, database);
    } catch (const settings::ConfigurationError&) {
        throw;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kpv-host: %s\n", e.what());
    }
}

// The configuration is checked whole before anything starts; a bad value stops the host, naming it.
bool readConfiguration(host::HostOptions& options) {
    db::DatabaseSettings database;
    try {
        const settings::SettingsFile settings(options.configFile);
        host::ReadHostSettings(settings, options);
        Context() = ReadContextValues(settings);
        database = db::ReadDatabaseSettings(settings);
        openDatabase(settings, database);
    } catch (const settings::ConfigurationError& e) {
        std::fprintf(stderr, "kpv-host: %s\n", qPrintable(e.message()));
        return false;
    }
    host::InstallDatabaseCheck(database);
    return true;
}

// Nobody is there to close a box while a picture is taken or a script plays: messages are printed, and a
// server that asks who calls is answered with the password in KPV_PASSWORD.
void prepareUnattendedUser(ScriptedInteraction& user) {
    user.report = [](const QString& line) { std::fprintf(stderr, "kpv-host: %s\n", qPrintable(line)); };
    user.signInPassword = qEnvironmentVariable("KPV_PASSWORD");
    user.signInPasswordSource = QStringLiteral("KPV_PASSWORD");
}

int takeScreenshot(QWidget& window, const QString& file) {
    QApplication::processEvents();
    const bool saved = window.grab().save(file, "PNG");
    printLine(QStringLiteral("%1 %2").arg(
        saved ? QStringLiteral("screenshot:") : QStringLiteral("could not write screenshot:"), file));
    return saved ? 0 : 1;
}

// Plays the script while the host runs; the session's end ends the host.
std::unique_ptr<host::SessionRunner> startSession(std::vector<host::SessionStep> script,
                                                  ScriptedInteraction& user, QWidget& window,
                                                  const std::function<void()>& openScreen) {
    auto session =
        std::make_unique<host::SessionRunner>(std::move(script), user, &window, openScreen, printLine);
    session->Finished = [](const QString& failure) {
        printLine(failure.isEmpty() ? QStringLiteral("session: passed")
                                    : QStringLiteral("session: FAILED at %1").arg(failure));
        QCoreApplication::exit(failure.isEmpty() ? 0 : 1);
    };
    session->Start();
    return session;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kpv-host"));

    host::HostOptions options;
    std::optional<std::vector<host::SessionStep>> script;
    if (const std::optional<int> stop = readCommandLine(app, options, script)) return *stop;
    if (!readConfiguration(options)) return 1;

    // The unattended user outlives the window, whose screens may still speak as they go.
    const bool unattended = !options.screenshot.isEmpty() || script;
    std::optional<ScriptedInteraction> user;
    if (unattended) prepareUnattendedUser(user.emplace());
    host::MainWindow window;
    window.resize(1280, 680);
    ui::Application().SetMdiArea(window.MdiArea());
    SetErrorDisplay([&window](const QString& message) {
        Interaction::Current().MessageBox(&window, message, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
    });
    window.show();
    window.activateWindow();

    QString error;
    std::unique_ptr<host::LoadedPackage> package = host::LoadedPackage::Load(options.package, &error);
    const auto openScreen = [&package] {
        if (package) Dispatch([&package] { package->IniProc(); });
    };
    if (!package) {
        // The host keeps running without the package; the user is told why.
        ShowUnhandledError(error);
        if (unattended) return 1;
    } else {
        window.SetOpenScreen([&package] { package->IniProc(); });
        if (options.openScreen) openScreen();
    }

    if (!options.screenshot.isEmpty()) {
        const int code = takeScreenshot(window, options.screenshot);
        package.reset();
        return code;
    }
    std::unique_ptr<host::SessionRunner> session =
        script ? startSession(std::move(*script), *user, window, openScreen) : nullptr;
    const int code = QApplication::exec();
    session.reset();
    package.reset();
    return code;
}
