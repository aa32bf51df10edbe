#pragma once

#include <QList>
#include <QObject>

class QMenu;
class QMenuBar;

namespace kpv::ui {
class TMainMenu;
}

namespace kpv::host {

// Merges the main menu of the active screen into the host's menu bar by group index: the screen's
// top-level items take their group's place, replacing the host's items of the same group, and leave
// again when another screen (or none) becomes active.
class MenuMerger : public QObject {
    Q_OBJECT
  public:
    explicit MenuMerger(QMenuBar* bar);

    // The host's own top-level menus, each with its group index.
    void AddHostMenu(QMenu* menu, int groupIndex);
    // The main menu of the active screen, or null for none.
    void Merge(ui::TMainMenu* screenMenu);

  private:
    struct Entry {
        QMenu* menu;
        int groupIndex;
    };
    void rebuild();
    QMenu* menuFor(ui::TMainMenu* screenMenu, int index);
    void onScreenMenuDestroyed(QObject* menu);

    QMenuBar* bar_;
    QList<Entry> hostMenus_;
    const QObject* merged_ = nullptr;  // compared only, never followed: it may be gone
    QList<Entry> screenMenus_;
};

}  // namespace kpv::host
