// kpv-host: the host application. Loads a run-time package, opens its screen inside an MDI main window,
// merges the screen's menus into its own and shows the errors nobody else handled.
#include "framework/core/context.h"
#include "framework/core/dispatch.h"
#include "framework/core/interaction.h"
#include "framework/data/db_module.h"
#include "db/database.h"
#include "framework/ui/application.h"
#include "host/host_options.h"
#include "host/main_window.h"
#include "host/package_loader.h"
#include "host/unattended_interaction.h"

#include <QApplication>
#include <QSettings>
#include <QTimer>

#include <cstdio>

using namespace kpv;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kpv-host"));

    host::HostOptions options;
    QString error;
    if (!host::ParseHostOptions(app, options, &error)) {
        std::fprintf(stderr, "kpv-host: %s\n", qPrintable(error));
        return 2;
    }
    QSettings settings(options.configFile, QSettings::IniFormat);
    Context() = ReadContextValues(settings);

    // The shared database module the screens' queries run on. Without a database the host still
    // starts; the screens report the failure when they query.
    try {
        db::OpenDatabase(db::ReadDatabaseSettings(settings), QStringLiteral("dtmDBGeral"));
        data::dtmDBGeral()->Open(QStringLiteral("dtmDBGeral"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kpv-host: %s\n", e.what());
    }

    host::MainWindow window;
    window.resize(1280, 680);
    ui::Application().SetMdiArea(window.MdiArea());
    // Nobody is there to close a box while a picture is taken: messages go to the terminal.
    const bool unattended = !options.screenshot.isEmpty();
    if (unattended) Interaction::Install(host::MakeUnattendedInteraction());
    SetErrorDisplay([&window](const QString& message) {
        Interaction::Current().MessageBox(&window, message, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
    });
    window.show();

    std::unique_ptr<host::LoadedPackage> package = host::LoadedPackage::Load(options.package, &error);
    if (!package) {
        // The host keeps running without the package; the user is told why.
        ShowUnhandledError(error);
        if (unattended) return 1;
    } else {
        window.SetOpenScreen([&package] { package->IniProc(); });
        if (options.openScreen) Dispatch([&package] { package->IniProc(); });
    }

    if (unattended) {
        QApplication::processEvents();
        const bool saved = window.grab().save(options.screenshot, "PNG");
        std::printf("%s %s\n",
                    saved ? "screenshot:" : "could not write screenshot:", qPrintable(options.screenshot));
        package.reset();
        return saved ? 0 : 1;
    }
    const int code = QApplication::exec();
    package.reset();
    return code;
}
