#pragma once

#include "framework/framework_export.h"
#include "framework/ui/form.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <QMdiArea>

namespace kpv::ui {

// Cursor values of the screen, as the screens set them.
inline constexpr int crDefault = 0;
inline constexpr int crHourGlass = -11;

// The host's application object: it owns the screens, knows the MDI area of the main window, and keeps
// the screen cursor.
class KPV_FRAMEWORK_EXPORT TApplication : public QObject {
    Q_OBJECT
  public:
    TApplication();
    ~TApplication() override;

    // Creates a screen owned by the application: the reference is set before the screen's creation
    // handler runs; if that handler fails, the screen is destroyed, the reference is null again and the
    // error travels on.
    template <class TScreen>
    TScreen* CreateForm(QPointer<TScreen>& reference) {
        auto* screen = new TScreen(nullptr);
        reference = screen;
        adopt(screen);
        try {
            screen->FormCreate(screen);
        } catch (...) {
            reference = nullptr;
            delete screen;
            throw;
        }
        return screen;
    }

    void SetMdiArea(QMdiArea* area) { mdiArea_ = area; }
    QMdiArea* MdiArea() const { return mdiArea_; }

    // Screen.Cursor: crHourGlass shows the busy cursor, crDefault puts the normal one back.
    void SetCursor(int cursor);
    int Cursor() const { return cursor_; }

    QList<TForm*> Forms() const;
    // Destroys every screen, with the MDI window around it; run before the code of a package goes.
    void DestroyForms();

  private:
    void adopt(TForm* form);

    QPointer<QMdiArea> mdiArea_;
    QList<QPointer<TForm>> forms_;
    int cursor_ = crDefault;
};

// The application object in force (created on first use).
KPV_FRAMEWORK_EXPORT TApplication& Application();

// The hourglass for the lifetime of the object: the default cursor comes back on success and on error.
class THourGlass {
  public:
    THourGlass() { Application().SetCursor(crHourGlass); }
    ~THourGlass() { Application().SetCursor(crDefault); }
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;
};

}  // namespace kpv::ui
