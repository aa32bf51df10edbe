// The package as the host meets it, its five entries and nothing else, and its unit table; the single
// emission screen created under the hourglass, the screen's command table and creation states, window
// properties and catalogue, and its connection settings.
#include "dynamic_symbols.h"
#include "emission/cli_kpv41000.h"
#include "expected_table.h"
#include "framework/core/context.h"
#include "framework/core/errors.h"
#include "framework/data/client_data_set.h"
#include "framework/net/connection.h"
#include "framework/ui/application.h"
#include "host/package_loader.h"
#include "screen_fixture.h"
#include "tests/emission/invoice_packet.h"

#include <QApplication>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

using namespace kpv;
using namespace Cli_kpv41000;

namespace {

QString packagePath() {
    return qEnvironmentVariable("KPV_BIN_DIR") + "/libPKG_KPV41000.so";
}

void closeScreen() {
    frmEmissaoRPS->Close();
    // The base close handling releases the screen once control is back in the event loop.
    QTRY_VERIFY(frmEmissaoRPS.isNull());
}

QString reportFolder() {
    return qEnvironmentVariable("KPV_SOURCE_DIR") + "/reports";
}

// One command of the emission screen: a menu item (parent is its menu's caption, or "mnuMenu" for the
// two top items) or a toolbar button (parent "panBotoes").
struct Command {
    QString parent;
    int position = -1;  // among the parent's items, separators included; buttons: -1
    QString text;       // caption of a menu item, hint of a button, "-" for a separator
    QKeySequence shortcut;
    bool enabled = true;  // at creation; not checked for separators
    int groupIndex = 0;
    int left = -1;  // buttons only
    int tag = 0;
};

}  // namespace

Q_DECLARE_METATYPE(Command)

class PackageEntry : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void exportsTheHostEntriesAndNothingElse();
    void unitTableInInitializationOrder();
    void unitInitializationRunsOnce();
    void twoCreationsGiveOneScreen();
    void closedScreenIsReleasedAndRecreatedFresh();
    void screenDestroyedWithoutClosingIsCreatedAgain();
    void creationStates_data();
    void creationStates();
    void commandTable_data();
    void commandTable();
    void hourglassWhileTheScreenIsCreated();
    void windowProperties();
    void layoutTopToBottom();
    void catalogue_data();
    void catalogue();
    void connectionReadsHostAndPortAtEachCreation();
    void failedCreationLetsTheNextIniProcTryAgain();

  private:
    ScreenFixture screens_;
};

void PackageEntry::initTestCase() {
    Cli_kpv41000::Initialization();
    screens_.showMdi({1400, 800});
    Context().webUrl = "127.0.0.1";
    Context().webPort = 8410;
    Context().reportFolder = reportFolder();
}

void PackageEntry::cleanup() {
    if (frmEmissaoRPS) closeScreen();
    Context().webUrl = "127.0.0.1";
    Context().webPort = 8410;
    Context().reportFolder = reportFolder();
}

void PackageEntry::exportsTheHostEntriesAndNothingElse() {
    QStringList exported = DynamicSymbols(packagePath(), SymbolSide::Defined);
    exported.sort();
    QCOMPARE(exported,
             QStringList({"CriaEmissaoRPS", "Finalize", "GetPackageInfoTable", "IniProc", "Initialize"}));
}

void PackageEntry::unitTableInInitializationOrder() {
    QString error;
    const auto package = host::LoadedPackage::Load(packagePath(), &error);
    QVERIFY2(package, qPrintable(error));
    const TPackageInfoTable* table = package->InfoTable();
    QVERIFY(table);
    QStringList names;
    for (int i = 0; i < table->UnitCount; ++i) names << QString::fromLatin1(table->Units[i].Name);
    QCOMPARE(names, QStringList({"kpvframework", "Cli_kpv41100", "Cli_kpv41000"}));
}

void PackageEntry::unitInitializationRunsOnce() {
    boCriado = true;
    Cli_kpv41000::Initialization();
    QVERIFY2(boCriado, "a second initialization reset the created flag");
    boCriado = false;
}

void PackageEntry::twoCreationsGiveOneScreen() {
    CriaEmissaoRPS();
    QPointer<TfrmEmissaoRPS> first = frmEmissaoRPS;
    QVERIFY(first);
    QVERIFY(boCriado);
    CriaEmissaoRPS();
    QCOMPARE(frmEmissaoRPS.data(), first.data());
    QCOMPARE(screens_.mdi()->subWindowList().size(), 1);
    QCOMPARE(ui::Application().Cursor(), ui::crDefault);
    QVERIFY(first->isVisible());
}

void PackageEntry::closedScreenIsReleasedAndRecreatedFresh() {
    CriaEmissaoRPS();
    frmEmissaoRPS->ListaTipoOper = "S01";
    frmEmissaoRPS->SituacaoRPS = "_1";
    frmEmissaoRPS->cdsNotaFiscal->LoadFromPacket(InvoicePacket({InvoiceRow{}, InvoiceRow{.lancto = "2"}}));
    QCOMPARE(frmEmissaoRPS->cdsNotaFiscal->RecordCount(), 2);
    frmEmissaoRPS->mnuFiltro->SetEnabled(true);
    QPointer<TfrmEmissaoRPS> old = frmEmissaoRPS;
    closeScreen();
    QVERIFY(!boCriado);
    QVERIFY(old.isNull());
    QCOMPARE(screens_.mdi()->subWindowList().size(), 0);

    CriaEmissaoRPS();
    QVERIFY(frmEmissaoRPS);
    QVERIFY(!frmEmissaoRPS->cdsNotaFiscal->Active());
    QCOMPARE(frmEmissaoRPS->cdsNotaFiscal->RecordCount(), 0);
    QVERIFY(frmEmissaoRPS->ListaTipoOper.isEmpty());
    QVERIFY(frmEmissaoRPS->SituacaoRPS.isEmpty());
    QVERIFY(!frmEmissaoRPS->mnuFiltro->Enabled());
}

void PackageEntry::screenDestroyedWithoutClosingIsCreatedAgain() {
    CriaEmissaoRPS();
    // The application object destroys its screens without their close handling: the flag stays set.
    ui::Application().DestroyForms();
    QVERIFY(frmEmissaoRPS.isNull());
    QVERIFY(boCriado);

    CriaEmissaoRPS();
    QVERIFY(frmEmissaoRPS);
    QVERIFY(boCriado);
    QVERIFY(frmEmissaoRPS->isVisible());
    QCOMPARE(screens_.mdi()->subWindowList().size(), 1);
}

void PackageEntry::creationStates_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("enabled");
    const QList<std::pair<const char*, bool>> table = {
        {"mnuImprimir", false},      {"mnuVisualizar", false}, {"mnuSalvarComo", false},
        {"mnuConfigImpress", true},  {"mnuFechar", true},      {"mnuProcurar", false},
        {"mnuVerificar", false},     {"mnuFiltro", false},     {"mnuCancelaEmissao", true},
        {"sbtProcurar", false},      {"sbtVerificar", false},  {"sbtFiltro", true},
        {"sbtCancelaEmissao", true},
    };
    for (const auto& [name, enabled] : table) QTest::newRow(name) << QString(name) << enabled;
}

void PackageEntry::creationStates() {
    QFETCH(QString, command);
    QFETCH(bool, enabled);
    CriaEmissaoRPS();
    if (auto* item = frmEmissaoRPS->findChild<ui::TMenuItem*>(command)) {
        QCOMPARE(item->Enabled(), enabled);
    } else {
        auto* button = frmEmissaoRPS->findChild<ui::TButtonFlat*>(command);
        QVERIFY2(button, qPrintable(command));
        QCOMPARE(button->isEnabled(), enabled);
    }
}

void PackageEntry::commandTable_data() {
    QTest::addColumn<Command>("command");
    const QString operation = "&Operação";
    const QString maintenance = "&Manutenção";
    const auto item = [](const char* name, const QString& menu, int position, const char* caption,
                         const char* shortcut, bool enabled) {
        QTest::newRow(name) << Command{menu, position, QString::fromUtf8(caption), QKeySequence(shortcut),
                                       enabled};
    };
    const auto button = [](const char* name, const char* hint, bool enabled, int left, int tag) {
        QTest::newRow(name) << Command{"panBotoes", -1, QString::fromUtf8(hint), {}, enabled, 0, left, tag};
    };
    QTest::newRow("mnuOperac") << Command{"mnuMenu", 0, operation, {}, true, 8};
    item("mnuImprimir", operation, 0, "&Imprimir", "Ctrl+I", false);
    item("mnuVisualizar", operation, 1, "&Visualizar Impressão", "Ctrl+P", false);
    item("mnuSalvarComo", operation, 2, "&Salvar Como", "Ctrl+S", false);
    item("mnuConfigImpress", operation, 3, "&Configurar Impressora", "Ctrl+F", true);
    item("N2", operation, 4, "-", "", true);
    item("mnuFechar", operation, 5, "Fecha&r", "Ctrl+F4", true);
    QTest::newRow("mnuManutencao") << Command{"mnuMenu", 1, maintenance, {}, true, 8};
    item("mnuProcurar", maintenance, 0, "&Procurar", "F7", false);
    item("mnuVerificar", maintenance, 1, "A&tualizar", "F5", false);
    item("N3", maintenance, 2, "-", "", true);
    item("mnuFiltro", maintenance, 3, "Filtrar Lançamentos", "Ctrl+L", false);
    item("N1", maintenance, 4, "-", "", true);
    item("mnuCancelaEmissao", maintenance, 5, "Cancelar Emissão de Recibo", "Ctrl+C", true);
    button("sbtProcurar", "Procurar", false, 139, 1);
    button("sbtVerificar", "Atualizar", false, 160, 1);
    button("sbtFiltro", "Filtrar Lançamentos", true, 195, 0);
    button("sbtCancelaEmissao", "Cancelar Emissão de Recibo", true, 231, 0);
}

void PackageEntry::commandTable() {
    QFETCH(Command, command);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    CriaEmissaoRPS();
    TfrmEmissaoRPS* f = frmEmissaoRPS;
    if (command.parent == "panBotoes") {
        auto* button = f->panBotoes->findChild<ui::TButtonFlat*>(name, Qt::FindDirectChildrenOnly);
        QVERIFY2(button, qPrintable(name));
        QCOMPARE(button->toolTip(), command.text);
        QCOMPARE(button->isEnabled(), command.enabled);
        QCOMPARE(button->geometry(), QRect(command.left, 2, 21, 21));
        QCOMPARE(button->Tag, command.tag);
        QVERIFY(button->autoRaise());
        QVERIFY(!button->icon().isNull());
        return;
    }
    const QList<ui::TMenuItem*>& siblings =
        command.parent == "mnuMenu"
            ? f->mnuMenu->Items()
            : (command.parent == "&Operação" ? f->mnuOperac : f->mnuManutencao)->Items();
    QVERIFY(command.position < siblings.size());
    ui::TMenuItem* item = siblings.at(command.position);
    QCOMPARE(item->objectName(), name);
    if (command.parent != "mnuMenu")
        QCOMPARE(static_cast<ui::TMenuItem*>(item->parent())->Caption(), command.parent);
    QCOMPARE(item->IsSeparator(), command.text == "-");
    QCOMPARE(item->ShortCut(), command.shortcut);
    if (!item->IsSeparator()) {
        QCOMPARE(item->Caption(), command.text);
        QCOMPARE(item->Enabled(), command.enabled);
    }
    QCOMPARE(item->GroupIndex, command.groupIndex);
}

void PackageEntry::hourglassWhileTheScreenIsCreated() {
    // Without its report definitions the base screen's creation says so in a box, which lets the cursor
    // be read in the middle of FormCreate.
    QTemporaryDir noReports;
    Context().reportFolder = noReports.path();
    // The screen cursor each time a box comes up.
    QList<int> cursors;
    QList<bool> hourglassShown;
    kpv::ScriptedInteraction user;
    user.boxShown = [&](const kpv::ScriptedInteraction::Message&) {
        cursors << ui::Application().Cursor();
        const QCursor* shown = QApplication::overrideCursor();
        hourglassShown << (shown && shown->shape() == Qt::WaitCursor);
    };
    CriaEmissaoRPS();
    QVERIFY(frmEmissaoRPS);
    QCOMPARE(user.messages.size(), 1);
    QVERIFY2(user.messages[0].text.startsWith("O arquivo contendo a definição do relatório"),
             qPrintable(user.messages[0].text));
    QCOMPARE(cursors, QList<int>{ui::crHourGlass});
    QCOMPARE(hourglassShown, QList<bool>{true});
    QCOMPARE(ui::Application().Cursor(), ui::crDefault);
    QVERIFY(!QApplication::overrideCursor());
}

void PackageEntry::windowProperties() {
    CriaEmissaoRPS();
    TfrmEmissaoRPS* f = frmEmissaoRPS;
    QCOMPARE(f->Caption(), QString("Emissão de Recibo Provisório de Serviço (RPS)"));
    QCOMPARE(f->FormStyle(), ui::TFormStyle::fsMDIChild);
    QVERIFY(f->SubWindow());
    QCOMPARE(f->SubWindow()->pos(), QPoint(175, 178));
    // The bounds are the child window's, frame and title bar included; the screen fills its inside.
    QCOMPARE(f->SubWindow()->geometry(), QRect(175, 178, 1078, 410));
    QTRY_COMPARE(f->geometry(), f->SubWindow()->contentsRect());
    QVERIFY(f->width() < 1078);
    QVERIFY(f->height() < 410);
    QCOMPARE(f->lblCodTela->text(), QString("KPV41000"));
    QCOMPARE(f->lblCodRel->text(), QString("KPV410"));
    QCOMPARE(f->panBotoes->width(), 329);
    QCOMPARE(f->sbtCancel->x(), 304);
    QCOMPARE(f->cbbReportNames->width(), 400);
    const QList<std::pair<ui::TMenuItem*, QString>> menus = {{f->mnuOperac, "&Operação"},
                                                             {f->mnuManutencao, "&Manutenção"}};
    QCOMPARE(f->mnuMenu->Items().size(), 2);
    for (const auto& [menu, caption] : menus) {
        QCOMPARE(menu->Caption(), caption);
        QCOMPARE(menu->GroupIndex, 8);
    }
    QCOMPARE(f->mnuCancelaEmissao->ShortCut(), QKeySequence("Ctrl+C"));
    QCOMPARE(f->mnuVerificar->ShortCut(), QKeySequence("F5"));
    for (ui::TButtonFlat* b : {f->sbtProcurar, f->sbtVerificar, f->sbtFiltro, f->sbtCancelaEmissao}) {
        QCOMPARE(b->size(), QSize(21, 21));
        QCOMPARE(b->y(), 2);
        QVERIFY(!b->toolTip().isEmpty());
        QVERIFY(!b->icon().isNull());
    }
    QCOMPARE(f->sbtProcurar->x(), 139);
    QCOMPARE(f->sbtVerificar->x(), 160);
    QCOMPARE(f->sbtFiltro->x(), 195);
    QCOMPARE(f->sbtCancelaEmissao->x(), 231);
    QCOMPARE(f->sbtProcurar->Tag, 1);
}

void PackageEntry::layoutTopToBottom() {
    CriaEmissaoRPS();
    TfrmEmissaoRPS* f = frmEmissaoRPS;
    QTRY_VERIFY(f->pgcPadrao->height() > 0);
    const QList<QWidget*> order = {f->panRelat, f->panFiltro, f->Bevel1, f->pgcPadrao, f->panNavigator};
    for (int i = 1; i < order.size(); ++i) {
        QVERIFY2(order[i - 1]->geometry().bottom() < order[i]->geometry().top() + 1,
                 qPrintable(order[i]->objectName()));
        QCOMPARE(order[i]->parentWidget(), static_cast<QWidget*>(f->grbDadosRel));
    }
    QCOMPARE(f->panFiltro->height(), 30);
    QCOMPARE(f->Bevel1->height(), 7);
    QCOMPARE(f->panNavigator->height(), 21);
    QCOMPARE(f->panMenu->width(), f->width());
    QVERIFY(f->panMenu->geometry().bottom() < f->grbDadosRel->geometry().top() + 1);
}

void PackageEntry::catalogue_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    int position = 0;
    for (const QStringList& entry : ReadExpectedTable(KPV_TEST_DIR "/expected/emission_catalogue.txt", 1)) {
        const QString key = entry[0].section(u'|', 0, 0);
        QTest::newRow(qPrintable(key)) << position++ << key << entry[0].section(u'|', 1);
    }
}

void PackageEntry::catalogue() {
    QFETCH(int, position);
    QFETCH(QString, key);
    QFETCH(QString, text);
    CriaEmissaoRPS();
    QCOMPARE(frmEmissaoRPS->msgPadrao->Messages.size(), 15);
    QCOMPARE(frmEmissaoRPS->msgPadrao->Msg(key), text);
    QCOMPARE(frmEmissaoRPS->msgPadrao->Messages.at(position), key + "|" + text);
}

void PackageEntry::connectionReadsHostAndPortAtEachCreation() {
    Context().webUrl = "127.0.0.1";
    Context().webPort = 18410;
    CriaEmissaoRPS();
    QCOMPARE(frmEmissaoRPS->netEmissaoRPS->ServerName, QString("Kpv41000.rdmEmissaoRPS"));
    QVERIFY(!frmEmissaoRPS->netEmissaoRPS->ThrowException);
    QVERIFY(frmEmissaoRPS->netEmissaoRPS->Connected());
    QCOMPARE(frmEmissaoRPS->netEmissaoRPS->Host(), QString("127.0.0.1"));
    QCOMPARE(frmEmissaoRPS->netEmissaoRPS->Port(), 18410);
    closeScreen();

    Context().webUrl = "localhost";
    Context().webPort = 18411;
    CriaEmissaoRPS();
    QCOMPARE(frmEmissaoRPS->netEmissaoRPS->Host(), QString("localhost"));
    QCOMPARE(frmEmissaoRPS->netEmissaoRPS->Port(), 18411);
}

void PackageEntry::failedCreationLetsTheNextIniProcTryAgain() {
    Context().webPort = 70000;  // no such port: connecting the screen fails
    QVERIFY_THROWS_EXCEPTION(Error, CriaEmissaoRPS());
    QVERIFY(!boCriado);
    QVERIFY(frmEmissaoRPS.isNull());
    QCOMPARE(ui::Application().Cursor(), ui::crDefault);
    QCOMPARE(screens_.mdi()->subWindowList().size(), 0);

    Context().webPort = 8410;
    CriaEmissaoRPS();
    QVERIFY(boCriado);
    QVERIFY(frmEmissaoRPS);
}

QTEST_MAIN(PackageEntry)
#include "test_package.moc"
