#include "framework/ui/form.h"

#include "framework/core/dispatch.h"
#include "framework/ui/application.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace kpv::ui {

TForm::TForm(QWidget* owner) : QDialog(owner) {
    setProperty("kpvForm", true);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setSizeGripEnabled(false);
}

void TForm::FormCreate(QObject*) {}
void TForm::FormShow(QObject*) {}
void TForm::FormActivate(QObject*) {}
void TForm::FormClose(QObject*, TCloseAction&) {}

void TForm::SetBounds(int left, int top, int width, int height) {
    if (QMdiSubWindow* sub = SubWindow()) {
        sub->setGeometry(left, top, width, height);
        return;
    }
    resize(width, height);
    move(left, top);
}

QMdiSubWindow* TForm::SubWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TForm::Show() {
    if (style_ == TFormStyle::fsMDIChild && Application().MdiArea()) {
        QMdiSubWindow* sub = SubWindow();
        if (!sub) {
            // The bounds set so far are the window's, frame and title bar included; the screen gets the
            // inside.
            const QRect bounds = geometry();
            sub = Application().MdiArea()->addSubWindow(this);
            sub->setGeometry(bounds);
            // The window's system menu binds the platform's close key, Ctrl+F4, which screens give to their
            // own close command; of two actions sharing a key Qt runs neither, so the screen's menu owns
            // them.
            for (QAction* action : sub->systemMenu()->actions()) action->setShortcuts({});
        }
        sub->show();
        QWidget::show();
        Application().MdiArea()->setActiveSubWindow(sub);
        sub->raise();
        return;
    }
    show();
    raise();
    activateWindow();
}

namespace {

// The user works in a modal dialog, so it shows the normal cursor whatever its caller set; the caller's
// cursor comes back when the dialog closes, also when the show ends in an error.
class NormalCursorWhileModal {
  public:
    NormalCursorWhileModal() : callers_(Application().Cursor()) { Application().SetCursor(crDefault); }
    ~NormalCursorWhileModal() { Application().SetCursor(callers_); }
    NormalCursorWhileModal(const NormalCursorWhileModal&) = delete;
    NormalCursorWhileModal& operator=(const NormalCursorWhileModal&) = delete;

  private:
    int callers_;
};

}  // namespace

void TForm::ShowModal() {
    const NormalCursorWhileModal cursor;
    Interaction::Current().ShowModal(this);
}

void TForm::Close() {
    if (QMdiSubWindow* sub = SubWindow()) {
        sub->close();
        return;
    }
    close();
}

void TForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    activated_ = false;
    Dispatch([this] { FormShow(this); });
}

void TForm::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) activated_ = false;
}

bool TForm::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    // Coming back from a box or list the screen opened is not a new activation.
    if (e->type() == QEvent::WindowActivate && !activated_ && isVisible()) {
        activated_ = true;
        Dispatch([this] { FormActivate(this); });
    }
    return handled;
}

void TForm::closeEvent(QCloseEvent* event) {
    TCloseAction action = style_ == TFormStyle::fsMDIChild ? TCloseAction::caMinimize : TCloseAction::caHide;
    if (!Dispatch([&] { FormClose(this, action); })) {
        event->ignore();
        return;
    }
    switch (action) {
        case TCloseAction::caNone:
            event->ignore();
            return;
        case TCloseAction::caMinimize:
            event->ignore();
            if (QMdiSubWindow* sub = SubWindow()) sub->showMinimized();
            return;
        case TCloseAction::caHide:
            event->ignore();
            if (QMdiSubWindow* sub = SubWindow()) sub->hide();
            hide();  // also ends a modal show
            return;
        case TCloseAction::caFree:
            event->accept();
            if (QMdiSubWindow* sub = SubWindow()) {
                sub->deleteLater();
            } else {
                hide();
                deleteLater();
            }
            return;
    }
}

void TForm::keyPressEvent(QKeyEvent* event) {
    // Escape must not close a screen behind the user's back.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace kpv::ui
