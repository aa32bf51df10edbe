// The host: package loading and its refusals, the merging of a screen's menus into the host's menu
// bar, and the unattended screenshot of the real kpv-host process.
#include "framework/ui/application.h"
#include "framework/ui/form.h"
#include "host/main_window.h"
#include "host/package_loader.h"
#include "scripted_interaction.h"

#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace kpv;

namespace {

QString bin(const QString& file) {
    return qEnvironmentVariable("KPV_BIN_DIR") + "/" + file;
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
    void screenshotOfTheRealHost();
    void missingPackageIsReportedAndTheHostEndsCleanly();
};

void Host::refusesWhatIsNotAPackage_data() {
    QTest::addColumn<QString>("package");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no such library") << "PKG_DOES_NOT_EXIST"
                                     << "Não foi possível carregar o pacote 'PKG_DOES_NOT_EXIST'";
    QTest::newRow("entry missing")
        << bin("libkpv_package_without_finalize.so")
        << "O pacote 'kpv_package_without_finalize' não exporta a entrada 'Finalize'.";
}

void Host::refusesWhatIsNotAPackage() {
    QFETCH(QString, package);
    QFETCH(QString, expected);
    QString error;
    auto loaded = host::LoadedPackage::Load(package, &error);
    QVERIFY(!loaded);
    QVERIFY2(error.startsWith(expected), qPrintable(error));
}

void Host::mergesTheActiveScreensMenusByGroup() {
    ScriptedInteraction user;
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

void Host::screenshotOfTheRealHost() {
    QTemporaryDir dir;
    const QString png = dir.filePath("host.png");
    QProcess host;
    host.start(bin("kpv-host"), {"--config", dir.filePath("kpv.ini"), "--open", "--screenshot", png});
    QVERIFY(host.waitForFinished(60000));
    QCOMPARE(host.exitCode(), 0);
    QVERIFY2(host.readAllStandardOutput().contains(png.toUtf8()),
             "the host did not say where the picture is");
    QImage picture(png);
    QVERIFY(!picture.isNull());
    QVERIFY(picture.width() >= 1078);
}

void Host::missingPackageIsReportedAndTheHostEndsCleanly() {
    QTemporaryDir dir;
    QProcess host;
    host.start(bin("kpv-host"), {"--config", dir.filePath("kpv.ini"), "--package", "PKG_AUSENTE",
                                 "--screenshot", dir.filePath("x.png")});
    QVERIFY(host.waitForFinished(60000));
    QCOMPARE(host.exitStatus(), QProcess::NormalExit);
    QCOMPARE(host.exitCode(), 1);
    QVERIFY(QString::fromUtf8(host.readAllStandardError()).contains("PKG_AUSENTE"));
}

QTEST_MAIN(Host)
#include "test_host.moc"
