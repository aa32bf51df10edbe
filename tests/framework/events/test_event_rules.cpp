// The framework's event rules: the border between Qt and handlers, the silent abort, the change rule
// and its chains, enter/exit along containers, radio buttons and menu items driven from code.
#include "framework/core/dispatch.h"
#include "framework/core/errors.h"
#include "framework/core/routines.h"
#include "framework/ui/application.h"
#include "framework/ui/busy_animation.h"
#include "framework/ui/containers.h"
#include "framework/ui/controls.h"
#include "framework/ui/edit.h"
#include "framework/ui/menu.h"
#include "scripted_interaction.h"

#include <QApplication>
#include <QtTest>

using namespace kpv;
using namespace kpv::ui;

namespace {

// A window with two panels: p1 holds e1 and e2, p2 holds e3. Every event is written to `log`.
struct TwoPanels {
    QWidget window;
    TPanel* p1;
    TPanel* p2;
    TEdit* e1;
    TEdit* e2;
    TEdit* e3;
    QStringList log;

    TwoPanels() {
        window.setProperty("kpvForm", true);
        window.resize(400, 200);
        p1 = new TPanel(&window, "p1");
        p1->setGeometry(0, 0, 400, 90);
        p2 = new TPanel(&window, "p2");
        p2->setGeometry(0, 100, 400, 90);
        e1 = new TEdit(p1, "e1");
        e1->move(5, 5);
        e2 = new TEdit(p1, "e2");
        e2->move(5, 40);
        e3 = new TEdit(p2, "e3");
        e3->move(5, 5);
        for (QObject* o : std::initializer_list<QObject*>{p1, p2, e1, e2, e3}) {
            auto* events = dynamic_cast<TControlEvents*>(o);
            const QString name = o->objectName();
            events->OnEnter = [this, name](QObject*) { log << "enter " + name; };
            events->OnExit = [this, name](QObject*) { log << "exit " + name; };
        }
    }

    bool show() {
        window.show();
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }
};

}  // namespace

class EventRules : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void changeRule_data();
    void changeRule();
    void changeChainRunsDependentsInOrder();
    void typingRunsChangeThroughTheBorder();
    void abortEndsTheEventSilently();
    void abortInsideAChangeHandlerEndsTheOuterEvent();
    void otherErrorsReachTheErrorDisplay();
    void enterExit_data();
    void enterExit();
    void reactivationRaisesNothing();
    void exitHandlerThatMovesFocusStopsTheChain_data();
    void exitHandlerThatMovesFocusStopsTheChain();
    void containerExitThatMovesFocusIsNotRunTwice();
    void tabPassesAPageControlWithoutTabs();
    void radioButtonFromCodeRunsItsClick();
    void disabledMenuItemRunsNothing();
    void failedCreationLeavesNoScreen();
    void screenCursor();
};

void EventRules::changeRule_data() {
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("action");  // "set:<text>" or "clear"
    QTest::addColumn<bool>("upper");
    QTest::addColumn<int>("changes");
    QTest::addColumn<QString>("finalText");

    QTest::newRow("different text") << "01"
                                    << "set:02" << false << 1 << "02";
    QTest::newRow("same text") << "01"
                               << "set:01" << false << 0 << "01";
    QTest::newRow("clear a filled field") << "01"
                                          << "clear" << false << 1 << "";
    QTest::newRow("clear an empty field") << ""
                                          << "clear" << false << 1 << "";
    QTest::newRow("write empty into empty") << ""
                                            << "set:" << false << 0 << "";
    QTest::newRow("upper case field takes upper text") << ""
                                                       << "set:abc" << true << 1 << "ABC";
    QTest::newRow("upper case field, same text in lower case") << "ABC"
                                                               << "set:abc" << true << 0 << "ABC";
}

void EventRules::changeRule() {
    QFETCH(QString, initial);
    QFETCH(QString, action);
    QFETCH(bool, upper);
    QFETCH(int, changes);
    QFETCH(QString, finalText);

    TEdit edit(nullptr, "edt");
    edit.SetUpperCase(upper);
    edit.SetText(initial);
    int count = 0;
    edit.OnChange = [&](QObject* sender) {
        QCOMPARE(sender, &edit);
        ++count;
    };
    if (action == "clear")
        edit.Clear();
    else
        edit.SetText(action.mid(4));
    QCOMPARE(count, changes);
    QCOMPARE(edit.Text(), finalText);
}

void EventRules::changeChainRunsDependentsInOrder() {
    // branch -> registration -> series: each change clears what depends on it.
    TEdit branch(nullptr, "branch"), registration(nullptr, "registration"), series(nullptr, "series");
    registration.SetText("123");
    series.SetText("1");
    QStringList log;
    branch.OnChange = [&](QObject*) {
        log << "branch";
        registration.Clear();
    };
    registration.OnChange = [&](QObject*) {
        log << "registration";
        series.Clear();
    };
    series.OnChange = [&](QObject*) { log << "series"; };

    branch.SetText("0001");
    QCOMPARE(log, QStringList({"branch", "registration", "series"}));
    QVERIFY(registration.Text().isEmpty());
    QVERIFY(series.Text().isEmpty());

    log.clear();
    branch.SetText("0001");  // same text: nothing runs, nothing is cleared
    QVERIFY(log.isEmpty());
}

void EventRules::typingRunsChangeThroughTheBorder() {
    ScriptedInteraction user;
    QWidget window;
    auto* edit = new TEdit(&window, "edt");
    edit->SetUpperCase(true);
    QStringList seen;
    edit->OnChange = [&](QObject*) {
        seen << edit->Text();
        if (edit->Text() == "AB") MensErro("parou", true);
    };
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QTest::keyClicks(edit, "abc");
    // The abort in the second keystroke ends that event only; typing goes on.
    QCOMPARE(seen, QStringList({"A", "AB", "ABC"}));
    QCOMPARE(user.messageTexts(), QStringList{"parou"});
}

void EventRules::abortEndsTheEventSilently() {
    ScriptedInteraction user;
    QWidget form;
    form.resize(300, 200);
    bool after = false;
    bool overlayWhileWorking = false;
    const bool completed = Dispatch([&] {
        const TShowAvi avi(&form, akAppServer, "Trabalhando");
        overlayWhileWorking = ShowAviActive();
        MensErro("Empresa não cadastrada.", true);
        after = true;
    });
    QVERIFY(!completed);
    QVERIFY(!after);
    QVERIFY(overlayWhileWorking);
    QVERIFY(!ShowAviActive());
    QCOMPARE(user.messages.size(), 1);
    QCOMPARE(user.messages[0].text, QString("Empresa não cadastrada."));
    QCOMPARE(user.messages[0].type, TMsgDlgType::mtError);
}

void EventRules::abortInsideAChangeHandlerEndsTheOuterEvent() {
    ScriptedInteraction user;
    TEdit code(nullptr, "code");
    code.OnChange = [&](QObject*) { MensErro("inválido", true); };
    QStringList steps;
    Dispatch([&] {
        steps << "before";
        code.SetText("9");
        steps << "after";
    });
    QCOMPARE(steps, QStringList{"before"});
    QCOMPARE(user.messageTexts(), QStringList{"inválido"});
}

void EventRules::otherErrorsReachTheErrorDisplay() {
    QStringList shown;
    SetErrorDisplay([&](const QString& m) { shown << m; });
    Dispatch([] { throw Error("Falha de conexão com o banco de dados."); });
    Dispatch([] { throw std::runtime_error("boom"); });
    Dispatch([] { Abort(); });
    SetErrorDisplay({});
    QCOMPARE(shown, QStringList({"Falha de conexão com o banco de dados.", "boom"}));
}

void EventRules::enterExit_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("inside one panel") << "e1"
                                      << "e2" << QStringList{"exit e1", "enter e2"};
    QTest::newRow("across panels") << "e2"
                                   << "e3" << QStringList{"exit e2", "exit p1", "enter p2", "enter e3"};
    QTest::newRow("back across panels") << "e3"
                                        << "e1" << QStringList{"exit e3", "exit p2", "enter p1", "enter e1"};
}

void EventRules::enterExit() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QStringList, expected);
    TwoPanels w;
    QVERIFY(w.show());
    w.window.findChild<QWidget*>(from)->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.window.findChild<QWidget*>(from));
    w.log.clear();
    SetFocus(w.window.findChild<QWidget*>(to));
    QCOMPARE(w.log, expected);
}

void EventRules::reactivationRaisesNothing() {
    TwoPanels w;
    QVERIFY(w.show());
    w.e3->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.e3));
    w.log.clear();
    QWidget other;
    auto* otherEdit = new QLineEdit(&other);
    other.show();
    QApplication::setActiveWindow(&other);
    QVERIFY(QTest::qWaitForWindowActive(&other));
    otherEdit->setFocus();
    QApplication::setActiveWindow(&w.window);
    QVERIFY(QTest::qWaitForWindowActive(&w.window));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.e3));
    QVERIFY2(w.log.isEmpty(), qPrintable(w.log.join(", ")));
}

void EventRules::exitHandlerThatMovesFocusStopsTheChain_data() {
    QTest::addColumn<bool>("fromCode");
    QTest::newRow("the user's move") << false;
    QTest::newRow("a move a handler makes") << true;
}

void EventRules::exitHandlerThatMovesFocusStopsTheChain() {
    QFETCH(bool, fromCode);
    ScriptedInteraction user;
    TwoPanels w;
    QVERIFY(w.show());
    w.e2->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.e2));
    // A validation on exit that fails puts the focus back and ends the event.
    w.e2->OnExit = [&](QObject*) {
        w.log << "exit e2";
        w.e2->SetFocus();
        MensErro("inválido", true);
    };
    w.log.clear();
    if (fromCode) {
        // A handler that moves the focus, as a command that puts it on the grid: the failed exit ends the
        // handler too, so that nothing after the move runs and no second message follows the first.
        QStringList steps;
        QVERIFY(!Dispatch([&] {
            steps << "before";
            w.e3->SetFocus();
            steps << "after";
        }));
        QCOMPARE(steps, QStringList{"before"});
    } else {
        w.e3->setFocus();
    }
    QCOMPARE(user.messageTexts(), QStringList{"inválido"});
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.e2));
    // The control that was about to get the focus never had it: nothing of it runs.
    QCOMPARE(w.log, QStringList{"exit e2"});

    // Once the validation passes, the next move runs the whole chain from e2.
    w.e2->OnExit = [&](QObject*) { w.log << "exit e2"; };
    w.log.clear();
    w.e3->SetFocus();
    QCOMPARE(w.log, QStringList({"exit e2", "exit p1", "enter p2", "enter e3"}));
}

void EventRules::containerExitThatMovesFocusIsNotRunTwice() {
    TwoPanels w;
    QVERIFY(w.show());
    w.e2->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.e2));
    // Leaving the panel opens a dialog and then puts the focus somewhere else, as the company strip
    // does with its filter: the focus leaves the window and comes back while the exit still runs.
    QWidget dialog;
    dialog.setProperty("kpvForm", true);
    auto* inside = new TEdit(&dialog, "inside");
    w.p1->OnExit = [&](QObject*) {
        w.log << "exit p1";
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        inside->setFocus();
        dialog.hide();
        QApplication::setActiveWindow(&w.window);
        w.e3->setFocus();
        w.e3->SetFocus();
    };
    w.log.clear();
    QWidget* elsewhere = new TEdit(&w.window, "elsewhere");
    elsewhere->move(200, 5);
    elsewhere->show();
    elsewhere->setFocus();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.e3));
    QCOMPARE(w.log, QStringList({"exit e2", "exit p1", "enter p2", "enter e3"}));
    // The panel was left once; the next move starts from where the focus is now.
    w.log.clear();
    w.e1->setFocus();
    QCOMPARE(w.log, QStringList({"exit e3", "exit p2", "enter p1", "enter e1"}));
}

void EventRules::tabPassesAPageControlWithoutTabs() {
    QWidget window;
    window.resize(300, 200);
    auto* first = new TEdit(&window, "first");
    auto* pages = new TPageControl(&window, "pages");
    pages->setGeometry(0, 40, 300, 150);
    auto* sheet = new TTabSheet(pages, "sheet");
    auto* box = new TScrollBox(sheet, "box");
    box->setGeometry(0, 0, 300, 120);
    auto* inner = new TEdit(box, "inner");
    box->setWidget(inner);
    pages->SetTabsVisible(false);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(first));
    QTest::keyClick(first, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(inner));
}

void EventRules::radioButtonFromCodeRunsItsClick() {
    QWidget group;
    auto* all = new TRadioButton(&group, "rdgTodos", "Todos");
    auto* list = new TRadioButton(&group, "rdgLista", "Lista");
    all->setChecked(true);
    QStringList clicks;
    all->OnClick = [&](QObject*) { clicks << "todos"; };
    list->OnClick = [&](QObject*) { clicks << "lista"; };

    list->SetChecked(true);
    QCOMPARE(clicks, QStringList{"lista"});
    QVERIFY(!all->Checked());
    list->SetChecked(true);  // already selected: nothing runs
    QCOMPARE(clicks, QStringList{"lista"});
    all->SetChecked(true);
    list->SetChecked(false);
    QCOMPARE(clicks, QStringList({"lista", "todos"}));
    QVERIFY(all->Checked());
    QVERIFY(!list->Checked());

    group.show();
    QTest::mouseClick(list, Qt::LeftButton);  // the user's click
    QCOMPARE(clicks, QStringList({"lista", "todos", "lista"}));
}

void EventRules::disabledMenuItemRunsNothing() {
    TMainMenu menu(nullptr, "mnuMenu");
    auto* operation = menu.Add(new TMenuItem(nullptr, "mnuOperac", "&Operação"));
    auto* print = operation->Add(new TMenuItem(nullptr, "mnuImprimir", "&Imprimir", QKeySequence("Ctrl+I")));
    int runs = 0;
    print->OnClick = [&](QObject*) { ++runs; };
    print->SetEnabled(false);
    print->Action()->trigger();
    print->Click();
    QCOMPARE(runs, 0);
    print->SetEnabled(true);
    print->Action()->trigger();
    QCOMPARE(runs, 1);
    QCOMPARE(print->ShortCut(), QKeySequence("Ctrl+I"));
}

namespace {
class FailingScreen : public TForm {
  public:
    explicit FailingScreen(QWidget* owner) : TForm(owner) { ++alive; }
    ~FailingScreen() override { --alive; }
    void FormCreate(QObject*) override { throw Error("criação falhou"); }
    static inline int alive = 0;
};
}  // namespace

void EventRules::failedCreationLeavesNoScreen() {
    QPointer<FailingScreen> screen;
    QVERIFY_THROWS_EXCEPTION(Error, Application().CreateForm(screen));
    QVERIFY(screen.isNull());
    QCOMPARE(FailingScreen::alive, 0);
}

void EventRules::screenCursor() {
    Application().SetCursor(crHourGlass);
    QCOMPARE(Application().Cursor(), crHourGlass);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Application().SetCursor(crDefault);
    QCOMPARE(Application().Cursor(), crDefault);
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(EventRules)
#include "test_event_rules.moc"
