#include "host/session_runner.h"

#include "framework/ui/form.h"
#include "framework/ui/menu.h"
#include "host/unattended_interaction.h"

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
#include <QTimer>

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

}  // namespace

SessionRunner::SessionRunner(std::vector<SessionStep> steps, UnattendedInteraction& user, QWidget* mainWindow,
                             std::function<void()> openScreen, std::function<void(const QString&)> print)
    : steps_(std::move(steps)),
      user_(user),
      mainWindow_(mainWindow),
      openScreen_(std::move(openScreen)),
      print_(std::move(print)) {
    user_.Report = print_;
    user_.ModalShown = [this](QDialog* dialog) { modals_.emplace_back(dialog); };
    user_.ModalHidden = [this](QDialog*) { modals_.pop_back(); };
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

QString SessionRunner::cell(QAbstractItemView* view, int row, int column) const {
    return view->model()->index(row, column).data().toString();
}

void SessionRunner::expectEqual(const QString& what, const QString& expected, const QString& shown) const {
    if (expected != shown) fail(QStringLiteral("%1: expected '%2', shown '%3'").arg(what, expected, shown));
}

void SessionRunner::run(const SessionStep& step) {
    const QString& command = step.command;
    const QStringList& a = step.args;
    if (command == u"open") {
        openScreen_();
    } else if (command == u"focus") {
        widget(a[0])->setFocus(Qt::MouseFocusReason);
    } else if (command == u"type") {
        auto* edit = qobject_cast<QLineEdit*>(widget(a[0]));
        if (!edit) fail(QStringLiteral("'%1' is not an edit").arg(a[0]));
        if (!edit->isEnabled()) fail(QStringLiteral("'%1' is disabled").arg(a[0]));
        edit->setFocus(Qt::MouseFocusReason);
        // Types over the selected contents key by key, so the edit's mask and change rules see what a
        // keyboard sends.
        edit->selectAll();
        if (a[1].isEmpty()) sendKey(edit, Qt::Key_Delete, Qt::NoModifier, QString());
        for (const QChar c : a[1]) sendKey(edit, Qt::Key_unknown, Qt::NoModifier, QString(c));
    } else if (command == u"key") {
        const QKeySequence sequence(a[0]);
        if (sequence.isEmpty()) fail(QStringLiteral("unknown key '%1'").arg(a[0]));
        QWidget* target = QApplication::focusWidget();
        if (!target) fail(QStringLiteral("no control has the focus"));
        const QKeyCombination key = sequence[0];
        sendKey(target, key.key(), key.keyboardModifiers(),
                key.key() == Qt::Key_Space ? QStringLiteral(" ") : QString());
    } else if (command == u"click") {
        QObject* target = find(a[0]);
        if (!enabled(target)) fail(QStringLiteral("'%1' is disabled").arg(a[0]));
        if (auto* item = qobject_cast<ui::TMenuItem*>(target)) {
            item->Click();
        } else if (auto* action = qobject_cast<QAction*>(target)) {
            action->trigger();
        } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
            button->click();
        } else {
            fail(QStringLiteral("'%1' cannot be clicked").arg(a[0]));
        }
    } else if (command == u"close") {
        QWidget* target = widget(a[0]);
        if (auto* form = qobject_cast<ui::TForm*>(target)) {
            form->Close();
        } else {
            target->close();
        }
    } else if (command == u"row" || command == u"find-row") {
        QAbstractItemView* view = grid(a[0]);
        int row = -1;
        if (command == u"row") {
            bool number = false;
            row = a[1].toInt(&number);
            if (!number || row < 0 || row >= view->model()->rowCount())
                fail(QStringLiteral("'%1' has no row %2").arg(a[0], a[1]));
        } else {
            const int c = column(view, a[1]);
            for (int r = 0; r < view->model()->rowCount() && row < 0; ++r) {
                if (cell(view, r, c) == a[2]) row = r;
            }
            if (row < 0)
                fail(QStringLiteral("'%1' has no row showing '%2' under '%3'").arg(a[0], a[2], a[1]));
        }
        view->setFocus(Qt::MouseFocusReason);
        const int c = view->currentIndex().isValid() ? view->currentIndex().column() : 0;
        view->setCurrentIndex(view->model()->index(row, c));
        view->scrollTo(view->currentIndex());
        print_(QStringLiteral("row %1 of %2").arg(row).arg(a[0]));
    } else if (command == u"dblclick") {
        QAbstractItemView* view = grid(a[0]);
        if (!view->currentIndex().isValid()) fail(QStringLiteral("'%1' has no current row").arg(a[0]));
        const QPoint at = view->visualRect(view->currentIndex()).center();
        sendMouse(view->viewport(), QEvent::MouseButtonPress, at);
        sendMouse(view->viewport(), QEvent::MouseButtonRelease, at);
        sendMouse(view->viewport(), QEvent::MouseButtonDblClick, at);
        sendMouse(view->viewport(), QEvent::MouseButtonRelease, at);
    } else if (command == u"title") {
        auto* view = qobject_cast<QAbstractItemView*>(grid(a[0]));
        auto* table = view->findChild<QHeaderView*>();
        if (!table) fail(QStringLiteral("'%1' has no titles").arg(a[0]));
        const int c = column(view, a[1]);
        const QPoint at(table->sectionViewportPosition(c) + table->sectionSize(c) / 2, table->height() / 2);
        sendMouse(table->viewport(), QEvent::MouseButtonPress, at);
        sendMouse(table->viewport(), QEvent::MouseButtonRelease, at);
    } else if (command == u"answer") {
        static const QHash<QString, TModalResult> answers{{QStringLiteral("OK"), TModalResult::mrOk},
                                                          {QStringLiteral("Cancel"), TModalResult::mrCancel},
                                                          {QStringLiteral("Close"), TModalResult::mrNone}};
        if (!answers.contains(a[0])) fail(QStringLiteral("answer OK, Cancel or Close, not '%1'").arg(a[0]));
        user_.QueueAnswer(answers.value(a[0]));
    } else if (command == u"pick") {
        bool number = false;
        const int row = a[0].toInt(&number);
        if (a[0] != u"none" && (!number || row < 0)) fail(QStringLiteral("pick a row number or none"));
        user_.QueuePick(number ? std::optional<int>(row) : std::nullopt);
    } else if (command == u"mark") {
        user_.QueueMarks(a[0].isEmpty() ? QStringList() : a[0].split(QLatin1Char(',')));
    } else if (command == u"save-as") {
        user_.QueueFileName(QFileInfo(a[0]).absoluteFilePath());
    } else if (command == u"expect-text") {
        expectEqual(a[0], a[1], shownText(find(a[0])));
    } else if (command == u"expect-focus") {
        QWidget* focus = QApplication::focusWidget();
        expectEqual(QStringLiteral("focus"), a[0], focus ? focus->objectName() : QString());
    } else if (command == u"expect-enabled") {
        expectEqual(a[0], a[1], enabled(find(a[0])) ? QStringLiteral("yes") : QStringLiteral("no"));
    } else if (command == u"expect-message") {
        const QStringList& shown = user_.Messages();
        if (messagesRead_ == shown.size())
            fail(QStringLiteral("expected the message '%1', none shown").arg(a[0]));
        expectEqual(QStringLiteral("message"), a[0], shown[messagesRead_++]);
    } else if (command == u"expect-no-message") {
        const QStringList& shown = user_.Messages();
        if (messagesRead_ < shown.size())
            fail(QStringLiteral("unexpected message '%1'").arg(shown[messagesRead_]));
    } else if (command == u"expect-rows") {
        expectEqual(QStringLiteral("rows of %1").arg(a[0]), a[1],
                    QString::number(grid(a[0])->model()->rowCount()));
    } else if (command == u"expect-cell") {
        QAbstractItemView* view = grid(a[0]);
        bool number = false;
        const int row = a[1].toInt(&number);
        if (!number || row < 0 || row >= view->model()->rowCount())
            fail(QStringLiteral("'%1' has no row %2").arg(a[0], a[1]));
        expectEqual(QStringLiteral("%1 row %2 '%3'").arg(a[0], a[1], a[2]), a[3],
                    cell(view, row, column(view, a[2])));
    } else if (command == u"expect-file") {
        const QFileInfo file(a[0]);
        if (!file.isFile() || file.size() == 0) fail(QStringLiteral("no file '%1' was written").arg(a[0]));
    } else if (command == u"dump") {
        QAbstractItemView* view = grid(a[0]);
        const QAbstractItemModel* model = view->model();
        QStringList titles;
        for (int c = 0; c < model->columnCount(); ++c)
            titles << model->headerData(c, Qt::Horizontal).toString();
        print_(QStringLiteral("%1 titles: %2").arg(a[0], titles.join(QStringLiteral(" | "))));
        const int rows = model->rowCount();
        for (int r = 0; r < std::min(rows, kRowsShownByDump); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c) cells << cell(view, r, c);
            print_(QStringLiteral("%1 row %2: %3").arg(a[0]).arg(r).arg(cells.join(QStringLiteral(" | "))));
        }
        print_(QStringLiteral("%1 rows: %2").arg(a[0]).arg(rows));
    } else if (command == u"shot") {
        QWidget* target = a.size() > 1 ? widget(a[1]) : mainWindow_;
        const QString file = QFileInfo(a[0]).absoluteFilePath();
        if (!target->grab().save(file, "PNG")) fail(QStringLiteral("could not write '%1'").arg(file));
        print_(QStringLiteral("screenshot: %1").arg(file));
    } else if (command == u"echo") {
        print_(a[0]);
    }
}

}  // namespace kpv::host
