// The host: package loading and its refusals, the merging of a screen's menus into the host's menu
// bar, the keys of the merged commands, and the unattended screenshot of the real kpv-host process.
#include "framework/ui/application.h"
#include "framework/ui/form.h"
#include "framework/ui/menu.h"
#include "framework/ui/scripted_interaction.h"
#include "host/main_window.h"
#include "host/package_loader.h"
#include "test_database.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>

using namespace kpv;

namespace {

QString bin(const QString& file) {
    return qEnvironmentVariable("KPV_BIN_DIR") + "/" + file;
}

// A configuration without a database: the host starts and tells the database's absence on its own.
QString writeConfig(const QTemporaryDir& dir) {
    const QString file = dir.filePath("kpv.ini");
    QFile ini(file);
    if (ini.open(QIODevice::WriteOnly)) ini.write("[context]\nbranch=0001\n");
    return file;
}

QStringList menuBarNames(QMainWindow& window) {
    QStringList names;
    for (QAction* a : window.menuBar()->actions()) names << a->objectName();
    return names;
}

}  // namespace

class Host : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void refusesWhatIsNotAPackage_data();
    void refusesWhatIsNotAPackage();
    void mergesTheActiveScreensMenusByGroup();
    void commandKeysOfTheEmissionScreen_data();
    void commandKeysOfTheEmissionScreen();
    void screenshotOfTheRealHost();
    void theRealHostTellsWhatIsMissing_data();
    void aScriptStepThatCannotBeTakenFailsTheSession_data();
    void aScriptStepThatCannotBeTakenFailsTheSession();
    void theRealHostTellsWhatIsMissing();
};

void Host::refusesWhatIsNotAPackage_data() {
    QTest::addColumn<QString>("package");
    QTest::addColumn<bool>("isLibrary");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no such library") << "PKG_DOES_NOT_EXIST" << false
                                     << "Não foi possível carregar o pacote 'PKG_DOES_NOT_EXIST'";
    const QList<std::pair<const char*, const char*>> lacking = {
        {"kpv_package_without_iniproc", "IniProc"},
        {"kpv_package_without_initialize", "Initialize"},
        {"kpv_package_without_finalize", "Finalize"},
        {"kpv_package_without_getpackageinfotable", "GetPackageInfoTable"},
    };
    for (const auto& [library, entry] : lacking) {
        QTest::addRow("%s missing", entry)
            << bin(QStringLiteral("lib%1.so").arg(library)) << true
            << QStringLiteral("O pacote '%1' não exporta a entrada '%2'.").arg(library, entry);
    }
}

void Host::refusesWhatIsNotAPackage() {
    QFETCH(QString, package);
    QFETCH(bool, isLibrary);
    QFETCH(QString, expected);
    // A screen already open must outlive the refusal.
    QMdiArea mdi;
    mdi.resize(800, 600);
    mdi.show();
    ui::Application().SetMdiArea(&mdi);
    QPointer<ui::TForm> screen;
    ui::Application().CreateForm(screen);
    screen->SetFormStyle(ui::TFormStyle::fsMDIChild);
    screen->Show();
    // Keeps the library mapped once the host lets it go (QLibrary unloads it for every holder), so that its
    // call counts can be read after.
    void* probe = dlopen(QFile::encodeName(package).constData(), RTLD_NOW | RTLD_LOCAL);
    QCOMPARE(probe != nullptr, isLibrary);

    QString error;
    auto loaded = host::LoadedPackage::Load(package, &error);
    QVERIFY(!loaded);
    QCOMPARE(error.left(expected.size()), expected);
    QVERIFY(screen);
    QVERIFY(screen->isVisible());
    QCOMPARE(mdi.subWindowList().size(), 1);
    if (probe) {
        for (const char* counter : {"InitializeCalls", "FinalizeCalls"}) {
            auto calls = reinterpret_cast<int (*)()>(dlsym(probe, counter));
            QVERIFY2(calls, counter);
            QVERIFY2(calls() == 0, counter);
        }
        dlclose(probe);
    }
    ui::Application().DestroyForms();
    ui::Application().SetMdiArea(nullptr);
}

void Host::mergesTheActiveScreensMenusByGroup() {
    kpv::ScriptedInteraction user;
    host::MainWindow window;
    window.resize(1300, 700);
    ui::Application().SetMdiArea(window.MdiArea());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QStringList own = {"mnuArquivo", "mnuJanela"};
    QCOMPARE(menuBarNames(window), own);

    QString error;
    auto package = host::LoadedPackage::Load(bin("libPKG_KPV41000.so"), &error);
    QVERIFY2(package, qPrintable(error));
    package->IniProc();
    // Group 8 sits between the host's group 0 and group 9.
    QTRY_COMPARE(menuBarNames(window),
                 QStringList({"mnuArquivo", "mnuOperac", "mnuManutencao", "mnuJanela"}));
    QAction* operation = window.menuBar()->actions().at(1);
    QStringList items;
    for (QAction* a : operation->menu()->actions()) items << (a->isSeparator() ? "-" : a->text());
    QCOMPARE(items, QStringList({"&Imprimir", "&Visualizar Impressão", "&Salvar Como",
                                 "&Configurar Impressora", "-", "Fecha&r"}));

    window.MdiArea()->subWindowList().first()->close();
    QTRY_COMPARE(menuBarNames(window), own);
    package.reset();
    ui::Application().SetMdiArea(nullptr);
}

void Host::commandKeysOfTheEmissionScreen_data() {
    QTest::addColumn<QKeySequence>("key");
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("enabled");
    const QList<std::tuple<const char*, const char*, bool>> table = {
        {"Ctrl+I", "mnuImprimir", false},      {"Ctrl+P", "mnuVisualizar", false},
        {"Ctrl+S", "mnuSalvarComo", false},    {"Ctrl+F", "mnuConfigImpress", true},
        {"Ctrl+F4", "mnuFechar", true},        {"F7", "mnuProcurar", false},
        {"F5", "mnuVerificar", false},         {"Ctrl+L", "mnuFiltro", false},
        {"Ctrl+C", "mnuCancelaEmissao", true},
    };
    for (const auto& [key, command, enabledAtCreation] : table) {
        QTest::addRow("%s at creation", key) << QKeySequence(key) << QString(command) << enabledAtCreation;
        if (!enabledAtCreation)
            QTest::addRow("%s enabled", key) << QKeySequence(key) << QString(command) << true;
    }
}

void Host::commandKeysOfTheEmissionScreen() {
    QFETCH(QKeySequence, key);
    QFETCH(QString, command);
    QFETCH(bool, enabled);
    kpv::ScriptedInteraction user;
    host::MainWindow window;
    window.resize(1300, 700);
    ui::Application().SetMdiArea(window.MdiArea());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QString error;
    auto package = host::LoadedPackage::Load(bin("libPKG_KPV41000.so"), &error);
    QVERIFY2(package, qPrintable(error));
    package->IniProc();
    QTRY_VERIFY(window.MdiArea()->activeSubWindow());
    auto* screen = qobject_cast<ui::TForm*>(window.MdiArea()->activeSubWindow()->widget());
    QVERIFY(screen);
    QCOMPARE(screen->objectName(), QString("frmEmissaoRPS"));
    QTRY_COMPARE(menuBarNames(window),
                 QStringList({"mnuArquivo", "mnuOperac", "mnuManutencao", "mnuJanela"}));

    // Every command records its click instead of running its handler: the key must reach exactly its own.
    QStringList clicked;
    for (ui::TMenuItem* item : screen->findChildren<ui::TMenuItem*>())
        item->OnClick = [&clicked, item](QObject* sender) {
            if (sender == item) clicked << item->objectName();
        };
    auto* item = screen->findChild<ui::TMenuItem*>(command);
    QVERIFY(item);
    QCOMPARE(item->ShortCut(), key);
    if (enabled) item->SetEnabled(true);
    QCOMPARE(item->Enabled(), enabled);

    // With the focus where the screen puts it, then in the company field: the edit must not take the key
    // for itself.
    const QStringList focusOn = {QString(), "medCdEmpresa"};
    for (const QString& name : focusOn) {
        if (!name.isEmpty()) {
            auto* widget = screen->findChild<QWidget*>(name);
            QVERIFY2(widget, qPrintable(name));
            widget->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), widget);
        }
        clicked.clear();
        QTest::keySequence(QApplication::activeWindow(), key);
        QVERIFY2(clicked == (enabled ? QStringList{command} : QStringList{}),
                 qPrintable(QStringLiteral("focus on %1: %2")
                                .arg(QApplication::focusWidget()->objectName(), clicked.join(u','))));
    }
    package.reset();
    ui::Application().SetMdiArea(nullptr);
}

void Host::screenshotOfTheRealHost() {
    QTemporaryDir dir;
    const QString png = dir.filePath("host.png");
    QProcess host;
    host.start(bin("kpv-host"), {"--config", writeConfig(dir), "--open", "--screenshot", png});
    QVERIFY(host.waitForFinished(60000));
    QCOMPARE(host.exitCode(), 0);
    QVERIFY2(host.readAllStandardOutput().contains(png.toUtf8()),
             "the host did not say where the picture is");
    QImage picture(png);
    QVERIFY(!picture.isNull());
    QVERIFY(picture.width() >= 1078);
}

// What the host cannot start without, or cannot use, is named, and the host ends cleanly. Its settings
// are checked as strictly as the server's, and a relative path is the configuration file's neighbour
// wherever the host was started.
void Host::theRealHostTellsWhatIsMissing_data() {
    QTest::addColumn<QString>(
        "ini");  // the configuration, "@db" for a demo database beside it; none: no file
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("told");
    const QString db = "[database]\nengine=sqlite\npath=data/kpv.db\n";
    const QString invalid = "kpv-host: configuração inválida: ";
    QTest::newRow("package") << "[context]\nbranch=0001\n"
                             << QStringList{"--package", "PKG_AUSENTE"} << 1 << "PKG_AUSENTE";
    QTest::newRow("configuration file")
        << QString() << QStringList{} << 1 << "kpv-host: arquivo de configuração não encontrado: @ini";
    QTest::newRow("impossible date") << "[context]\nprocessingDate=2026-13-45\n"
                                     << QStringList{} << 1
                                     << invalid + "[context] processingDate=2026-13-45 (esperada uma data";
    QTest::newRow("date as typed") << "[context]\nprocessingDate=08/12/2026\n"
                                   << QStringList{} << 1
                                   << invalid + "[context] processingDate=08/12/2026 (esperada uma data";
    QTest::newRow("boolean") << "[host]\nopen=maybe\n"
                             << QStringList{} << 1 << invalid + "[host] open=maybe (esperado true ou false)";
    QTest::newRow("branch format") << "[context]\nbranch=12345\n"
                                   << QStringList{} << 1
                                   << invalid + "[context] branch=12345 (esperado o código da filial";
    QTest::newRow("branch of another database") << "[context]\nbranch=9999\n" + db << QStringList{} << 1
                                                << invalid + "[context] branch=9999 (filial não cadastrada";
    QTest::newRow("unknown key") << "[context]\nprocesingDate=2026-12-08\n"
                                 << QStringList{} << 1
                                 << invalid + "[context] procesingDate=2026-12-08 (chave desconhecida)";
    QTest::newRow("relative database, started elsewhere")
        << "[context]\nbranch=0001\n" + db << QStringList{} << 0 << QString();
}

void Host::theRealHostTellsWhatIsMissing() {
    QFETCH(QString, ini);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, told);
    QTemporaryDir dir, elsewhere;
    const QString config = dir.filePath("kpv.ini");
    if (!ini.isNull()) {
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini.toUtf8());
    }
    if (ini.contains("[database]")) {
        QString error;
        const TestDatabase demo = TestDatabase::Sqlite(dir.filePath("data"));
        QVERIFY2(RunDemoData(demo, 20, 1, QDate(2026, 12, 8), &error), qPrintable(error));
    }
    QProcess host;
    host.setWorkingDirectory(elsewhere.path());
    host.start(bin("kpv-host"),
               QStringList{"--config", config, "--screenshot", dir.filePath("x.png")} + args);
    QVERIFY(host.waitForFinished(60000));
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    const QString error = QString::fromUtf8(host.readAllStandardError());
    QVERIFY2(host.exitCode() == exitCode, qPrintable(error));
    if (told.isEmpty())
        QVERIFY2(!error.contains("kpv-host:"), qPrintable(error));
    else
        QVERIFY2(error.contains(told.replace("@ini", config)), qPrintable(error));
    QVERIFY2(QDir(elsewhere.path()).isEmpty(), "the host made a file where it was started");
}

// A session whose step cannot do what it says never passes: the host says where it stopped and exits 1.
void Host::aScriptStepThatCannotBeTakenFailsTheSession_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("told");
    QTest::newRow("unknown key") << "open\nkey PageUp\n"
                                 << "session: FAILED at line 2: unknown key 'PageUp'";
    QTest::newRow("unknown step") << "open\nclik sbtFiltro\n"
                                  << "session: FAILED at line 2: unknown command 'clik'";
    QTest::newRow("unknown control") << "open\nclick sbtNenhum\n"
                                     << "session: FAILED at line 2: no control named 'sbtNenhum'";
}

void Host::aScriptStepThatCannotBeTakenFailsTheSession() {
    QFETCH(QString, script);
    QFETCH(QString, told);
    QTemporaryDir dir;
    QFile file(dir.filePath("s.script"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(script.toUtf8());
    file.close();
    QProcess host;
    host.start(bin("kpv-host"), {"--config", writeConfig(dir), "--script", file.fileName()});
    QVERIFY(host.waitForFinished(60000));
    const QString output = QString::fromUtf8(host.readAllStandardOutput());
    QCOMPARE(host.exitCode(), 1);
    QVERIFY2(output.contains(told), qPrintable(output));
    QVERIFY2(!output.contains("session: passed"), qPrintable(output));
}

QTEST_MAIN(Host)
#include "test_host.moc"
