#include "framework/ui/application.h"

#include <QApplication>
#include <QCursor>
#include <QMdiSubWindow>

namespace kpv::ui {

TApplication::TApplication() {
    setObjectName(QStringLiteral("Application"));
}

TApplication::~TApplication() {
    DestroyForms();
}

void TApplication::DestroyForms() {
    for (TForm* form : Forms()) {
        if (QMdiSubWindow* sub = form->SubWindow())
            delete sub;
        else
            delete form;
    }
    forms_.clear();
}

void TApplication::adopt(TForm* form) {
    forms_.removeAll(nullptr);
    forms_.push_back(form);
}

QList<TForm*> TApplication::Forms() const {
    QList<TForm*> alive;
    for (const QPointer<TForm>& f : forms_) {
        if (f) alive.push_back(f.data());
    }
    return alive;
}

void TApplication::SetCursor(int cursor) {
    if (cursor == cursor_) return;
    if (cursor_ == crHourGlass) QApplication::restoreOverrideCursor();
    if (cursor == crHourGlass) QApplication::setOverrideCursor(Qt::WaitCursor);
    cursor_ = cursor;
}

TApplication& Application() {
    static QPointer<TApplication> application;
    if (!application) {
        application = new TApplication;
        // The screens go with the application object, while QApplication still stands.
        TApplication* app = application;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, app, [app] { delete app; });
    }
    return *application;
}

}  // namespace kpv::ui
