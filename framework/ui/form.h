#pragma once

#include "framework/core/interaction.h"
#include "framework/framework_export.h"

#include <QDialog>

class QMdiSubWindow;

namespace kpv::ui {

class TMainMenu;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TFormStyle { fsNormal, fsMDIChild };

// A screen. Its events are virtual methods named as the screens name their handlers; a derived screen
// overrides them and calls the inherited one where its description says so. FormCreate runs once the
// whole object exists (TApplication::CreateForm), never from a constructor.
class KPV_FRAMEWORK_EXPORT TForm : public QDialog {
    Q_OBJECT
  public:
    explicit TForm(QWidget* owner = nullptr);

    virtual void FormCreate(QObject* Sender);
    virtual void FormShow(QObject* Sender);
    virtual void FormActivate(QObject* Sender);
    virtual void FormClose(QObject* Sender, TCloseAction& Action);

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    // Position and size in the coordinates of the parent. A child of the host's MDI area takes them for its
    // window, frame and title bar included; a top-level screen takes the size for its client area.
    void SetBounds(int left, int top, int width, int height);
    void SetFormStyle(TFormStyle style) { style_ = style; }
    TFormStyle FormStyle() const { return style_; }

    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu) { menu_ = menu; }

    // Shows the screen without blocking: a child inside the host's MDI area, brought to the front.
    void Show();
    // Shows the screen modally through the interaction seam; returns when it is hidden again.
    void ShowModal();
    // Closes as the window's close box does: FormClose decides what happens to the screen.
    void Close();
    void Repaint() { repaint(); }

    QMdiSubWindow* SubWindow() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    TFormStyle style_ = TFormStyle::fsNormal;
    TMainMenu* menu_ = nullptr;
    bool activated_ = false;  // the activation event fires once per show
};

}  // namespace kpv::ui
