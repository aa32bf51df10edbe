#include "host/session_runner.h"

#include "framework/ui/form.h"
#include "framework/ui/menu.h"
#include "framework/ui/scripted_interaction.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <map>

namespace kpv::host {

namespace {

constexpr int kRowsShownByDump = 40;
constexpr int kModalSettleMs = 10;
constexpr int kActivationWaitMs = 10;
constexpr int kActivationTimeoutMs = 10000;
// The pace of the user: enough for the window system's activation and focus events to arrive between
// two steps, as they do between two things a person does.
constexpr int kStepIntervalMs = 25;

// Ends the step and the session with the reason.
struct StepFailed {
    QString reason;
};

[[noreturn]] void fail(const QString& reason) {
    throw StepFailed{reason};
}

QString shownText(QObject* object) {
    if (auto* edit = qobject_cast<QLineEdit*>(object)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(object)) return label->text();
    if (auto* combo = qobject_cast<QComboBox*>(object)) return combo->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(object)) return button->text();
    if (auto* group = qobject_cast<QGroupBox*>(object)) return group->title();
    if (auto* widget = qobject_cast<QWidget*>(object)) return widget->windowTitle();
    fail(QStringLiteral("'%1' shows no text").arg(object->objectName()));
}

bool enabled(QObject* object) {
    if (auto* item = qobject_cast<ui::TMenuItem*>(object)) return item->Enabled();
    if (auto* action = qobject_cast<QAction*>(object)) return action->isEnabled();
    if (auto* widget = qobject_cast<QWidget*>(object)) return widget->isEnabled();
    return false;
}

void sendMouse(QWidget* target, QEvent::Type type, const QPoint& at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Press and release, the release going where the focus is after the press (a Tab moves it).
void sendKey(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString& text) {
    const auto code =
        key == Qt::Key_unknown && text.size() == 1 ? Qt::Key(text.at(0).toUpper().unicode()) : key;
    QKeyEvent press(QEvent::KeyPress, code, modifiers, text);
    QApplication::sendEvent(target, &press);
    QWidget* now = QApplication::focusWidget() ? QApplication::focusWidget() : target;
    QKeyEvent release(QEvent::KeyRelease, code, modifiers, text);
    QApplication::sendEvent(now, &release);
}

// One key by the name Qt's key sequences give it ("Tab", "Ctrl+A", "PgUp"), or nothing. A name Qt reads
// otherwise than it is written ("PageUp" gives no such key) is not one.
std::optional<QKeySequence> keyNamed(const QString& name) {
    QKeySequence sequence(name, QKeySequence::PortableText);
    if (sequence.count() != 1 || sequence[0].key() == Qt::Key_unknown) return std::nullopt;
    if (sequence.toString(QKeySequence::PortableText).compare(name, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return sequence;
}

std::optional<QString> checkKey(const QStringList& args) {
    if (keyNamed(args.value(0))) return std::nullopt;
    return QStringLiteral("unknown key '%1' (key names in docs/session-scripts.md)").arg(args.value(0));
}

// A key by its name ("Tab", "Ctrl+A") where the focus is.
void pressKey(const QString& name) {
    const std::optional<QKeySequence> named = keyNamed(name);
    if (!named) fail(QStringLiteral("unknown key '%1'").arg(name));
    const QKeySequence& sequence = *named;
    QWidget* target = QApplication::focusWidget();
    if (!target) fail(QStringLiteral("no control has the focus"));
    const QKeyCombination key = sequence[0];
    sendKey(target, key.key(), key.keyboardModifiers(),
            key.key() == Qt::Key_Space ? QStringLiteral(" ") : QString());
}

}  // namespace

SessionRunner::SessionRunner(std::vector<SessionStep> steps, ScriptedInteraction& user, QWidget* mainWindow,
                             std::function<void()> openScreen, std::function<void(const QString&)> print)
    : steps_(std::move(steps)),
      user_(user),
      mainWindow_(mainWindow),
      openScreen_(std::move(openScreen)),
      print_(std::move(print)) {
    user_.report = print_;
    user_.modalShown = [this](QDialog* dialog) { modals_.emplace_back(dialog); };
    user_.modalHidden = [this](QDialog*) { modals_.pop_back(); };
}

void SessionRunner::Start() {
    QTimer::singleShot(0, this, &SessionRunner::tick);
}

void SessionRunner::tick() {
    if (done_) return;
    const auto later = [this](int ms) { QTimer::singleShot(ms, this, &SessionRunner::tick); };
    // A step still at work (a server call waiting for its answer, a busy animation) has the event loop
    // turning under it; the user waits for it. Only a step held by a modal dialog lets the next one run.
    if (executing_ > modals_.size()) return later(kActivationWaitMs);
    // A dialog that has just been hidden returns from its modal run only when control goes back to it;
    // the next step waits for that, so it sees the screen as the user would once the dialog is gone.
    if (!modals_.empty() && modals_.back() && !modals_.back()->isVisible()) return later(kModalSettleMs);
    // The user acts on an active window. After a dialog closed, a window manager hands the activation
    // (and with it the focus) back to the window below; offscreen nothing does, so the session does.
    if (QApplication::activeWindow() == nullptr) {
        QWidget* below = !modals_.empty() && modals_.back() ? modals_.back().data() : mainWindow_;
        below->activateWindow();
        if (!waiting_.isValid()) waiting_.start();
        if (waiting_.elapsed() > kActivationTimeoutMs)
            return finish(QStringLiteral("no window of the host became active"));
        return later(kActivationWaitMs);
    }
    waiting_.invalidate();
    if (next_ == 0 && !settled_) {
        settled_ = true;
        return later(kStepIntervalMs * 4);
    }
    if (next_ == steps_.size()) {
        if (!modals_.empty() && modals_.back())
            return finish(QStringLiteral("the script ended while '%1' is still open")
                              .arg(modals_.back()->objectName()));
        return finish(QString());
    }
    const SessionStep& step = steps_[next_++];
    print_(
        QStringLiteral("line %1: %2 %3").arg(step.line).arg(step.command, step.args.join(QLatin1Char(' '))));
    // The next step is due before this one runs: a step that opens a modal dialog returns only when the
    // dialog closes, and the steps in between are the ones that drive it.
    QTimer::singleShot(kStepIntervalMs, this, &SessionRunner::tick);
    ++executing_;
    try {
        run(step);
        --executing_;
    } catch (const StepFailed& failed) {
        --executing_;
        finish(QStringLiteral("line %1: %2").arg(step.line).arg(failed.reason));
    }
}

void SessionRunner::finish(const QString& failure) {
    if (done_) return;
    done_ = true;
    if (Finished) Finished(failure);
}

QObject* SessionRunner::find(const QString& name) const {
    // The active modal dialog's controls win over a hidden screen's of the same name.
    QList<QWidget*> windows;
    if (!modals_.empty() && modals_.back()) windows.push_back(modals_.back());
    windows.push_back(mainWindow_);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!windows.contains(top)) windows.push_back(top);
    }
    QObject* hidden = nullptr;
    for (QWidget* top : windows) {
        QList<QObject*> found = top->findChildren<QObject*>(name);
        if (top->objectName() == name) found.prepend(top);
        for (QObject* object : found) {
            auto* w = qobject_cast<QWidget*>(object);
            if (!w || w->isVisible()) return object;
            if (!hidden) hidden = object;
        }
    }
    if (!hidden) fail(QStringLiteral("no control named '%1'").arg(name));
    return hidden;
}

QWidget* SessionRunner::widget(const QString& name) const {
    auto* w = qobject_cast<QWidget*>(find(name));
    if (!w) fail(QStringLiteral("'%1' is not a control").arg(name));
    return w;
}

QAbstractItemView* SessionRunner::grid(const QString& name) const {
    auto* view = qobject_cast<QAbstractItemView*>(find(name));
    if (!view || !view->model()) fail(QStringLiteral("'%1' is not a grid").arg(name));
    return view;
}

int SessionRunner::column(QAbstractItemView* view, const QString& title) const {
    const QAbstractItemModel* model = view->model();
    for (int c = 0; c < model->columnCount(); ++c) {
        if (model->headerData(c, Qt::Horizontal).toString() == title) return c;
    }
    fail(QStringLiteral("'%1' has no column titled '%2'").arg(view->objectName(), title));
}

int SessionRunner::row(QAbstractItemView* view, const QString& number) const {
    bool isNumber = false;
    const int r = number.toInt(&isNumber);
    if (!isNumber || r < 0 || r >= view->model()->rowCount())
        fail(QStringLiteral("'%1' has no row %2").arg(view->objectName(), number));
    return r;
}

QString SessionRunner::cell(QAbstractItemView* view, int row, int column) const {
    return view->model()->index(row, column).data().toString();
}

void SessionRunner::expectEqual(const QString& what, const QString& expected, const QString& shown) const {
    if (expected != shown) fail(QStringLiteral("%1: expected '%2', shown '%3'").arg(what, expected, shown));
}

// Every step a script may take: its number of arguments and what it does. A step's arguments have been
// counted when the script was read.
const std::map<QString, SessionRunner::Step>& SessionRunner::steps() {
    using R = SessionRunner;
    static const std::map<QString, Step> table = {
        {QStringLiteral("open"), {{0, 0}, &R::openStep}},
        {QStringLiteral("focus"), {{1, 1}, &R::focusStep}},
        {QStringLiteral("type"), {{2, 2}, &R::typeStep}},
        {QStringLiteral("key"), {{1, 1}, &R::keyStep, checkKey}},
        {QStringLiteral("click"), {{1, 1}, &R::clickStep}},
        {QStringLiteral("close"), {{1, 1}, &R::closeStep}},
        {QStringLiteral("row"), {{2, 2}, &R::rowStep}},
        {QStringLiteral("find-row"), {{3, 3}, &R::findRowStep}},
        {QStringLiteral("remember"), {{2, 12}, &R::rememberStep}},
        {QStringLiteral("find-remembered"), {{3, 3}, &R::findRememberedStep}},
        {QStringLiteral("dblclick"), {{1, 1}, &R::dblclickStep}},
        {QStringLiteral("title"), {{2, 2}, &R::titleStep}},
        {QStringLiteral("answer"), {{1, 1}, &R::answerStep}},
        {QStringLiteral("pick"), {{1, 1}, &R::pickStep}},
        {QStringLiteral("mark"), {{1, 1}, &R::markStep}},
        {QStringLiteral("save-as"), {{1, 1}, &R::saveAsStep}},
        {QStringLiteral("expect-text"), {{2, 2}, &R::expectTextStep}},
        {QStringLiteral("expect-focus"), {{1, 1}, &R::expectFocusStep}},
        {QStringLiteral("expect-enabled"), {{2, 2}, &R::expectEnabledStep}},
        {QStringLiteral("expect-message"), {{1, 1}, &R::expectMessageStep}},
        {QStringLiteral("expect-no-message"), {{0, 0}, &R::expectNoMessageStep}},
        {QStringLiteral("expect-no-error"), {{0, 0}, &R::expectNoErrorStep}},
        {QStringLiteral("expect-rows"), {{2, 2}, &R::expectRowsStep}},
        {QStringLiteral("expect-cell"), {{4, 4}, &R::expectCellStep}},
        {QStringLiteral("expect-file"), {{1, 1}, &R::expectFileStep}},
        {QStringLiteral("dump"), {{1, 1}, &R::dumpStep}},
        {QStringLiteral("shot"), {{1, 2}, &R::shotStep}},
        {QStringLiteral("echo"), {{1, 1}, &R::echoStep}},
    };
    return table;
}

std::optional<SessionRunner::Arity> SessionRunner::StepArity(const QString& command) {
    const auto step = steps().find(command);
    if (step == steps().end()) return std::nullopt;
    return step->second.arity;
}

std::optional<QString> SessionRunner::CheckStep(const QString& command, const QStringList& args) {
    const auto step = steps().find(command);
    if (step == steps().end() || !step->second.check) return std::nullopt;
    return step->second.check(args);
}

void SessionRunner::run(const SessionStep& step) {
    (this->*steps().at(step.command).run)(step.args);
}

void SessionRunner::makeCurrent(QAbstractItemView* view, int row) {
    view->setFocus(Qt::MouseFocusReason);
    const int c = view->currentIndex().isValid() ? view->currentIndex().column() : 0;
    view->setCurrentIndex(view->model()->index(row, c));
    view->scrollTo(view->currentIndex());
    print_(QStringLiteral("row %1 of %2").arg(row).arg(view->objectName()));
}

// The window and its controls.

void SessionRunner::openStep(const QStringList&) {
    openScreen_();
}

void SessionRunner::focusStep(const QStringList& a) {
    widget(a[0])->setFocus(Qt::MouseFocusReason);
}

void SessionRunner::typeStep(const QStringList& a) {
    const QString& name = a[0];
    auto* edit = qobject_cast<QLineEdit*>(widget(name));
    if (!edit) fail(QStringLiteral("'%1' is not an edit").arg(name));
    if (!edit->isEnabled()) fail(QStringLiteral("'%1' is disabled").arg(name));
    edit->setFocus(Qt::MouseFocusReason);
    // Types over the selected contents key by key, so the edit's mask and change rules see what a
    // keyboard sends.
    edit->selectAll();
    if (a[1].isEmpty()) sendKey(edit, Qt::Key_Delete, Qt::NoModifier, QString());
    for (const QChar c : a[1]) sendKey(edit, Qt::Key_unknown, Qt::NoModifier, QString(c));
}

void SessionRunner::keyStep(const QStringList& a) {
    pressKey(a[0]);
}

void SessionRunner::clickStep(const QStringList& a) {
    const QString& name = a[0];
    QObject* target = find(name);
    if (!enabled(target)) fail(QStringLiteral("'%1' is disabled").arg(name));
    if (auto* item = qobject_cast<ui::TMenuItem*>(target)) {
        item->Click();
    } else if (auto* action = qobject_cast<QAction*>(target)) {
        action->trigger();
    } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->click();
    } else {
        fail(QStringLiteral("'%1' cannot be clicked").arg(name));
    }
}

void SessionRunner::closeStep(const QStringList& a) {
    QWidget* target = widget(a[0]);
    if (auto* form = qobject_cast<ui::TForm*>(target))
        form->Close();
    else
        target->close();
}

// The grids.

void SessionRunner::rowStep(const QStringList& a) {
    QAbstractItemView* view = grid(a[0]);
    makeCurrent(view, row(view, a[1]));
}

void SessionRunner::findRowStep(const QStringList& a) {
    QAbstractItemView* view = grid(a[0]);
    const int c = column(view, a[1]);
    int r = 0;
    while (r < view->model()->rowCount() && cell(view, r, c) != a[2]) ++r;
    if (r == view->model()->rowCount())
        fail(QStringLiteral("'%1' has no row showing '%2' under '%3'").arg(a[0], a[2], a[1]));
    makeCurrent(view, r);
}

void SessionRunner::rememberStep(const QStringList& a) {
    QAbstractItemView* view = grid(a[0]);
    if (!view->currentIndex().isValid()) fail(QStringLiteral("'%1' has no current row").arg(a[0]));
    remembered_.clear();
    for (const QString& title : a.mid(1))
        remembered_.insert(title, cell(view, view->currentIndex().row(), column(view, title)));
}

void SessionRunner::findRememberedStep(const QStringList& a) {
    if (remembered_.isEmpty()) fail(QStringLiteral("no row was remembered"));
    QAbstractItemView* view = grid(a[0]);
    const int shown = column(view, a[1]);
    for (int r = 0; r < view->model()->rowCount(); ++r) {
        bool same = true;
        for (auto it = remembered_.cbegin(); same && it != remembered_.cend(); ++it)
            same = cell(view, r, column(view, it.key())) == it.value();
        if (same && cell(view, r, shown) == a[2]) return makeCurrent(view, r);
    }
    fail(QStringLiteral("'%1' has no longer the remembered row showing '%2' under '%3'")
             .arg(a[0], a[2], a[1]));
}

void SessionRunner::dblclickStep(const QStringList& a) {
    QAbstractItemView* view = grid(a[0]);
    if (!view->currentIndex().isValid()) fail(QStringLiteral("'%1' has no current row").arg(a[0]));
    const QPoint at = view->visualRect(view->currentIndex()).center();
    sendMouse(view->viewport(), QEvent::MouseButtonPress, at);
    sendMouse(view->viewport(), QEvent::MouseButtonRelease, at);
    sendMouse(view->viewport(), QEvent::MouseButtonDblClick, at);
    sendMouse(view->viewport(), QEvent::MouseButtonRelease, at);
}

// A mouse click on the column's title as the grid shows it; a title that cannot be clicked, or a click
// that reaches no title, stops the session.
void SessionRunner::titleStep(const QStringList& a) {
    const QString& name = a[0];
    const QString& title = a[1];
    auto* table = qobject_cast<QTableView*>(grid(name));
    QHeaderView* titles = table ? table->horizontalHeader() : nullptr;
    if (!titles || !titles->isVisible()) fail(QStringLiteral("'%1' shows no titles").arg(name));
    const int c = column(table, title);
    if (titles->isSectionHidden(c)) fail(QStringLiteral("the title '%1' is hidden").arg(title));
    if (table->model()->rowCount() > 0) table->scrollTo(table->model()->index(0, c));
    const int left = titles->sectionViewportPosition(c);
    const QPoint at(left + titles->sectionSize(c) / 2, titles->height() / 2);
    if (titles->logicalIndexAt(at) != c) fail(QStringLiteral("the title '%1' is out of sight").arg(title));
    int clicked = -1;
    const QMetaObject::Connection watch =
        connect(titles, &QHeaderView::sectionClicked, this, [&clicked](int section) { clicked = section; });
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    disconnect(watch);
    if (clicked != c) fail(QStringLiteral("the click on the title '%1' reached no title").arg(title));
    print_(QStringLiteral("title '%1' of %2 clicked").arg(title, name));
}

// The answers the user will give, queued before the step that asks.

void SessionRunner::answerStep(const QStringList& a) {
    static const QHash<QString, TModalResult> answers{{QStringLiteral("OK"), TModalResult::mrOk},
                                                      {QStringLiteral("Cancel"), TModalResult::mrCancel},
                                                      {QStringLiteral("Close"), TModalResult::mrNone}};
    if (!answers.contains(a[0])) fail(QStringLiteral("answer OK, Cancel or Close, not '%1'").arg(a[0]));
    user_.boxAnswers.push_back(answers.value(a[0]));
}

void SessionRunner::pickStep(const QStringList& a) {
    bool number = false;
    const int r = a[0].toInt(&number);
    if (a[0] != u"none" && (!number || r < 0)) fail(QStringLiteral("pick a row number or none"));
    user_.rowPicks.emplace_back(number ? std::optional<int>(r) : std::nullopt);
}

void SessionRunner::markStep(const QStringList& a) {
    user_.rowsPicks.emplace_back(a[0].isEmpty() ? QStringList() : a[0].split(QLatin1Char(',')));
}

void SessionRunner::saveAsStep(const QStringList& a) {
    user_.saveFileAnswers.push_back(QFileInfo(a[0]).absoluteFilePath());
}

// What the user expects to see.

void SessionRunner::expectTextStep(const QStringList& a) {
    expectEqual(a[0], a[1], shownText(find(a[0])));
}

void SessionRunner::expectFocusStep(const QStringList& a) {
    QWidget* focus = QApplication::focusWidget();
    expectEqual(QStringLiteral("focus"), a[0], focus ? focus->objectName() : QString());
}

void SessionRunner::expectEnabledStep(const QStringList& a) {
    expectEqual(a[0], a[1], enabled(find(a[0])) ? QStringLiteral("yes") : QStringLiteral("no"));
}

void SessionRunner::expectMessageStep(const QStringList& a) {
    const auto& shown = user_.messages;
    if (messagesRead_ == shown.size())
        fail(QStringLiteral("expected the message '%1', none shown").arg(a[0]));
    expectEqual(QStringLiteral("message"), a[0], shown[messagesRead_++].text);
}

void SessionRunner::expectNoMessageStep(const QStringList&) {
    const auto& shown = user_.messages;
    if (messagesRead_ < shown.size())
        fail(QStringLiteral("unexpected message '%1'").arg(shown[messagesRead_].text));
}

void SessionRunner::expectNoErrorStep(const QStringList&) {
    const auto& shown = user_.messages;
    for (qsizetype i = messagesRead_; i < shown.size(); ++i) {
        if (shown[i].type == TMsgDlgType::mtError)
            fail(QStringLiteral("unexpected error message '%1'").arg(shown[i].text));
    }
}

void SessionRunner::expectRowsStep(const QStringList& a) {
    expectEqual(QStringLiteral("rows of %1").arg(a[0]), a[1],
                QString::number(grid(a[0])->model()->rowCount()));
}

void SessionRunner::expectCellStep(const QStringList& a) {
    QAbstractItemView* view = grid(a[0]);
    const int r = row(view, a[1]);
    expectEqual(QStringLiteral("%1 row %2 '%3'").arg(a[0], a[1], a[2]), a[3],
                cell(view, r, column(view, a[2])));
}

void SessionRunner::expectFileStep(const QStringList& a) {
    const QFileInfo file(a[0]);
    if (!file.isFile() || file.size() == 0) fail(QStringLiteral("no file '%1' was written").arg(a[0]));
}

// What the session writes out.

void SessionRunner::dumpStep(const QStringList& a) {
    const QString& name = a[0];
    QAbstractItemView* view = grid(name);
    const QAbstractItemModel* model = view->model();
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c) titles << model->headerData(c, Qt::Horizontal).toString();
    print_(QStringLiteral("%1 titles: %2").arg(name, titles.join(QStringLiteral(" | "))));
    const int rows = model->rowCount();
    for (int r = 0; r < std::min(rows, kRowsShownByDump); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c) cells << cell(view, r, c);
        print_(QStringLiteral("%1 row %2: %3").arg(name).arg(r).arg(cells.join(QStringLiteral(" | "))));
    }
    print_(QStringLiteral("%1 rows: %2").arg(name).arg(rows));
}

void SessionRunner::shotStep(const QStringList& a) {
    QWidget* target = a.size() > 1 ? widget(a[1]) : mainWindow_;
    const QString file = QFileInfo(a[0]).absoluteFilePath();
    if (!target->grab().save(file, "PNG")) fail(QStringLiteral("could not write '%1'").arg(file));
    print_(QStringLiteral("screenshot: %1").arg(file));
}

void SessionRunner::echoStep(const QStringList& a) {
    print_(a[0]);
}

}  // namespace kpv::host
