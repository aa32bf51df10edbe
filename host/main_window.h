#pragma once

#include <QMainWindow>

#include <functional>

class QMdiArea;
class QMdiSubWindow;

namespace kpv::host {

class MenuMerger;

// The host's main window: an MDI area for the screens and a menu bar of its own into which the active
// screen's main menu is merged.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    MainWindow();

    QMdiArea* MdiArea() const { return mdiArea_; }
    // What "Emissão de RPS" in the host's menu runs: the loaded package's IniProc.
    void SetOpenScreen(std::function<void()> open);

  private:
    void onSubWindowActivated(QMdiSubWindow* window);

    QMdiArea* mdiArea_;
    MenuMerger* merger_;
    std::function<void()> openScreen_;
};

}  // namespace kpv::host
