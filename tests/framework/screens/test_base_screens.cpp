// The base screens: show and activation events once per show, the close actions, the dialog's cancel,
// the report screen's strips, containers laid out by alignment, the busy overlay and SetChildEnabled.
#include "framework/core/dispatch.h"
#include "framework/core/routines.h"
#include "framework/ui/application.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/frm_dados_ger_rel.h"
#include "framework/ui/frm_roti_geral.h"
#include "scripted_interaction.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QtTest>

using namespace kpv;
using namespace kpv::ui;

namespace {

class CountingDialog : public TfrmRotiGeral {
  public:
    explicit CountingDialog(QWidget* owner) : TfrmRotiGeral(owner) { resize(300, 200); }
    void FormShow(QObject*) override { ++shows; }
    void FormActivate(QObject*) override { ++activations; }
    void FormClose(QObject*, TCloseAction& action) override { action = closeAction; }
    int shows = 0;
    int activations = 0;
    TCloseAction closeAction = TCloseAction::caHide;
};

class ReportScreen : public TfrmDadosGerRel {
  public:
    using TfrmDadosGerRel::TfrmDadosGerRel;
};

}  // namespace

class BaseScreens : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void activationOncePerModalShow();
    void cancelButtonHidesTheDialogAndKeepsIt();
    void modalShowTakesTheNormalCursor_data();
    void modalShowTakesTheNormalCursor();
    void closeActions_data();
    void closeActions();
    void reportScreenIsReleasedOnClose();
    void boundsOfChildWindowAndOfTopLevelScreen_data();
    void boundsOfChildWindowAndOfTopLevelScreen();
    void alignmentStacksStripsAndFillsTheRest();
    void busyBoxSitsOverTheMiddleOfTheScreenWithItsText();
    void setChildEnabledReachesNestedControls();
};

void BaseScreens::activationOncePerModalShow() {
    ScriptedInteraction user;
    QPointer<CountingDialog> dialog;
    Application().CreateForm(dialog);
    // While up, the dialog opens a window of its own: coming back from it is no new activation.
    user.modalScripts.push_back([](QDialog* d) {
        QWidget list;
        list.show();
        list.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&list));
        list.close();
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
    });
    dialog->ShowModal();
    QCOMPARE(dialog->shows, 1);
    QTRY_COMPARE(dialog->activations, 1);
    QVERIFY(!dialog->isVisible());

    dialog->ShowModal();
    QCOMPARE(dialog->shows, 2);
    QTRY_COMPARE(dialog->activations, 2);
    delete dialog;
}

void BaseScreens::cancelButtonHidesTheDialogAndKeepsIt() {
    ScriptedInteraction user;
    QPointer<CountingDialog> dialog;
    Application().CreateForm(dialog);
    bool visibleWhileUp = false;
    user.modalScripts.push_back([&](QDialog* d) {
        visibleWhileUp = d->isVisible();
        static_cast<CountingDialog*>(d)->sbtCancel->click();
        QVERIFY(!d->isVisible());
    });
    dialog->ShowModal();
    QVERIFY(visibleWhileUp);
    QApplication::processEvents();
    QVERIFY(dialog);
    delete dialog;
}

void BaseScreens::modalShowTakesTheNormalCursor_data() {
    QTest::addColumn<int>("before");
    QTest::newRow("shown under the hourglass") << crHourGlass;
    QTest::newRow("shown under the normal cursor") << crDefault;
}

// The user works in a modal dialog, so it shows the normal cursor whatever its caller set; the caller's
// cursor is back once it closes.
void BaseScreens::modalShowTakesTheNormalCursor() {
    QFETCH(int, before);
    ScriptedInteraction user;
    QPointer<CountingDialog> dialog;
    Application().CreateForm(dialog);
    int whileUp = before;
    bool overriddenWhileUp = true;
    user.modalScripts.push_back([&](QDialog*) {
        whileUp = Application().Cursor();
        overriddenWhileUp = QApplication::overrideCursor() != nullptr;
    });
    Application().SetCursor(before);
    dialog->ShowModal();
    const int after = Application().Cursor();
    const bool overriddenAfter = QApplication::overrideCursor() != nullptr;
    Application().SetCursor(crDefault);
    delete dialog;

    QCOMPARE(whileUp, crDefault);
    QVERIFY(!overriddenWhileUp);
    QCOMPARE(after, before);
    QCOMPARE(overriddenAfter, before == crHourGlass);
}

void BaseScreens::closeActions_data() {
    QTest::addColumn<TCloseAction>("action");
    QTest::addColumn<bool>("visibleAfter");
    QTest::addColumn<bool>("aliveAfter");
    QTest::newRow("caNone keeps it open") << TCloseAction::caNone << true << true;
    QTest::newRow("caHide hides it") << TCloseAction::caHide << false << true;
    QTest::newRow("caFree releases it") << TCloseAction::caFree << false << false;
}

void BaseScreens::closeActions() {
    QFETCH(TCloseAction, action);
    QFETCH(bool, visibleAfter);
    QFETCH(bool, aliveAfter);
    QPointer<CountingDialog> dialog;
    Application().CreateForm(dialog);
    dialog->closeAction = action;
    dialog->Show();
    QVERIFY(dialog->isVisible());
    dialog->Close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(!dialog.isNull(), aliveAfter);
    if (dialog) {
        QCOMPARE(dialog->isVisible(), visibleAfter);
        delete dialog;
    }
}

void BaseScreens::reportScreenIsReleasedOnClose() {
    ScriptedInteraction user;  // no report folder: the screen says so
    QMdiArea mdi;
    mdi.resize(1200, 700);
    mdi.show();
    Application().SetMdiArea(&mdi);
    QPointer<ReportScreen> screen;
    Application().CreateForm(screen);
    screen->Show();
    QCOMPARE(mdi.subWindowList().size(), 1);
    screen->sbtCancel->click();
    QTRY_VERIFY(screen.isNull());
    QTRY_COMPARE(mdi.subWindowList().size(), 0);
    Application().SetMdiArea(nullptr);
}

void BaseScreens::boundsOfChildWindowAndOfTopLevelScreen_data() {
    QTest::addColumn<bool>("mdiChild");
    QTest::addColumn<bool>("boundsAfterShow");
    QTest::newRow("MDI child, bounds before the show") << true << false;
    QTest::newRow("MDI child, bounds after the show") << true << true;
    QTest::newRow("top-level screen") << false << false;
}

void BaseScreens::boundsOfChildWindowAndOfTopLevelScreen() {
    QFETCH(bool, mdiChild);
    QFETCH(bool, boundsAfterShow);
    QMdiArea mdi;
    mdi.resize(900, 700);
    mdi.show();
    Application().SetMdiArea(&mdi);
    QPointer<CountingDialog> screen;
    Application().CreateForm(screen);
    if (mdiChild) screen->SetFormStyle(TFormStyle::fsMDIChild);
    const QRect bounds(40, 30, 500, 260);
    if (!boundsAfterShow) screen->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());
    screen->Show();
    if (boundsAfterShow) screen->SetBounds(bounds.x(), bounds.y(), bounds.width(), bounds.height());

    if (mdiChild) {
        // The window takes the bounds, frame and title bar included; the screen gets the inside.
        QMdiSubWindow* sub = screen->SubWindow();
        QVERIFY(sub);
        QCOMPARE(sub->geometry(), bounds);
        QTRY_COMPARE(screen->geometry(), sub->contentsRect());
        QVERIFY(screen->height() < bounds.height());
    } else {
        QVERIFY(!screen->SubWindow());
        QCOMPARE(screen->size(), bounds.size());
    }
    Application().DestroyForms();
    Application().SetMdiArea(nullptr);
}

void BaseScreens::alignmentStacksStripsAndFillsTheRest() {
    QWidget container;
    container.resize(500, 300);
    auto* top1 = new TPanel(&container, "top1");
    top1->resize(0, 30);
    SetAlign(top1, TAlign::alTop);
    auto* top2 = new TPanel(&container, "top2");
    top2->resize(0, 7);
    SetAlign(top2, TAlign::alTop);
    auto* bottom = new TPanel(&container, "bottom");
    bottom->resize(0, 21);
    SetAlign(bottom, TAlign::alBottom);
    auto* client = new TPanel(&container, "client");
    SetAlign(client, TAlign::alClient);
    auto* free = new TPanel(&container, "free");
    free->setGeometry(10, 10, 20, 20);
    container.show();
    container.resize(600, 400);
    QApplication::processEvents();
    QCOMPARE(top1->geometry(), QRect(0, 0, 600, 30));
    QCOMPARE(top2->geometry(), QRect(0, 30, 600, 7));
    QCOMPARE(bottom->geometry(), QRect(0, 379, 600, 21));
    QCOMPARE(client->geometry(), QRect(0, 37, 600, 342));
    QCOMPARE(free->geometry(), QRect(10, 10, 20, 20));
}

void BaseScreens::busyBoxSitsOverTheMiddleOfTheScreenWithItsText() {
    QWidget form;
    form.resize(400, 300);
    form.show();
    {
        const TShowAvi avi(&form, akAppServer, "Gerando...");
        QVERIFY(ShowAviActive());
        QCOMPARE(ShowAviText(), QString("Gerando..."));
        auto* overlay = form.findChild<QWidget*>("ShowAvi");
        QVERIFY(overlay);
        QVERIFY(overlay->isVisible());
        // Over the middle of the screen, above its controls, and opaque so that it paints alone.
        QVERIFY(form.rect().contains(overlay->geometry()));
        QVERIFY((overlay->geometry().center() - form.rect().center()).manhattanLength() <= 2);
        QCOMPARE(form.children().last(), overlay);
        QVERIFY(overlay->testAttribute(Qt::WA_OpaquePaintEvent));
        // A bar under the text, which stays as it was.
        SetShowAviProgress(2, 3);
        QCOMPARE(ShowAviProgress(), std::pair(2, 3));
        QCOMPARE(ShowAviText(), QString("Gerando..."));
    }
    QVERIFY(!ShowAviActive());
    DeactiveShowAvi();  // harmless without an animation
}

void BaseScreens::setChildEnabledReachesNestedControls() {
    QWidget container;
    auto* group = new TGroupBox(&container, "grb");
    auto* edit = new QLineEdit(group);
    auto* direct = new QLineEdit(&container);
    auto* displayOnly = new QLineEdit(group);
    displayOnly->setEnabled(false);
    SetChildEnabled(&container, false);
    QVERIFY(!edit->isEnabled());
    QVERIFY(!direct->isEnabled());
    SetChildEnabled(&container, true);
    QVERIFY(edit->isEnabled());
    QVERIFY(group->isEnabled());
    QVERIFY(direct->isEnabled());
    // What was disabled before stays disabled, even after enabling twice.
    QVERIFY(!displayOnly->isEnabled());
    SetChildEnabled(&container, true);
    QVERIFY(!displayOnly->isEnabled());
}

QTEST_MAIN(BaseScreens)
#include "test_base_screens.moc"
