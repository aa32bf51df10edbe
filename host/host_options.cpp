#include "host/host_options.h"

#include "settings/settings_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace kpv::host {

bool ParseHostOptions(const QCoreApplication& app, HostOptions& options, QString* error) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Host application of the RPS emission module"));
    parser.addHelpOption();
    const QCommandLineOption config({QStringLiteral("c"), QStringLiteral("config")},
                                    QStringLiteral("Configuration file (default: kpv.ini)."),
                                    QStringLiteral("file"), QStringLiteral("kpv.ini"));
    const QCommandLineOption package({QStringLiteral("p"), QStringLiteral("package")},
                                     QStringLiteral("Package to load, by name or path."),
                                     QStringLiteral("name"));
    const QCommandLineOption open(QStringLiteral("open"),
                                  QStringLiteral("Open the package's screen at start."));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Render the window to a PNG file and quit."),
                                        QStringLiteral("file"));
    const QCommandLineOption script(
        QStringLiteral("script"), QStringLiteral("Play a session script (docs/session-scripts.md) and quit."),
        QStringLiteral("file"));
    parser.addOptions({config, package, open, screenshot, script});
    if (!parser.parse(app.arguments())) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) parser.showHelp(0);

    options.configFile = parser.value(config);
    if (parser.isSet(package)) options.package = parser.value(package);
    options.openScreen = parser.isSet(open);
    options.screenshot = parser.value(screenshot);
    options.script = parser.value(script);
    if (!options.screenshot.isEmpty() && !options.script.isEmpty()) {
        *error =
            QStringLiteral("--screenshot and --script do not go together; a script takes its own shots.");
        return false;
    }
    return true;
}

void ReadHostSettings(const settings::SettingsFile& file, HostOptions& options) {
    const QString group = QStringLiteral("host");
    if (options.package.isEmpty()) {
        options.package = file.text(group, QStringLiteral("package"), QStringLiteral("PKG_KPV41000"));
        if (options.package.isEmpty())
            file.invalid(group, QStringLiteral("package"), QStringLiteral("esperado o nome do pacote"));
    }
    if (file.boolean(group, QStringLiteral("open"), false)) options.openScreen = true;
}

}  // namespace kpv::host
