#include "host/menu_merger.h"

#include "framework/ui/menu.h"

#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace kpv::host {

namespace {

void fill(QMenu* menu, const ui::TMenuItem* item) {
    for (ui::TMenuItem* child : item->Items()) {
        if (child->Items().isEmpty()) {
            menu->addAction(child->Action());
        } else {
            QMenu* sub = menu->addMenu(child->Caption());
            sub->menuAction()->setObjectName(child->objectName());
            fill(sub, child);
        }
    }
}

}  // namespace

MenuMerger::MenuMerger(QMenuBar* bar) : QObject(bar), bar_(bar) {}

void MenuMerger::AddHostMenu(QMenu* menu, int groupIndex) {
    hostMenus_.push_back({menu, groupIndex});
    rebuild();
}

void MenuMerger::Merge(ui::TMainMenu* screenMenu) {
    if (screenMenu == merged_) return;
    for (const Entry& e : screenMenus_) e.menu->deleteLater();
    screenMenus_.clear();
    merged_ = screenMenu;
    if (screenMenu) {
        for (int i = 0; i < screenMenu->Items().size(); ++i) {
            screenMenus_.push_back({menuFor(screenMenu, i), screenMenu->Items()[i]->GroupIndex});
        }
        // The menus go with the screen.
        connect(screenMenu, &QObject::destroyed, this, &MenuMerger::onScreenMenuDestroyed,
                Qt::UniqueConnection);
    }
    rebuild();
}

void MenuMerger::onScreenMenuDestroyed(QObject* menu) {
    if (menu == merged_) Merge(nullptr);
}

QMenu* MenuMerger::menuFor(ui::TMainMenu* screenMenu, int index) {
    const ui::TMenuItem* top = screenMenu->Items()[index];
    auto* menu = new QMenu(top->Caption(), bar_);
    menu->menuAction()->setObjectName(top->objectName());
    fill(menu, top);
    return menu;
}

void MenuMerger::rebuild() {
    QList<Entry> shown;
    for (const Entry& host : hostMenus_) {
        const bool replaced = std::any_of(screenMenus_.begin(), screenMenus_.end(),
                                          [&](const Entry& s) { return s.groupIndex == host.groupIndex; });
        if (!replaced) shown.push_back(host);
    }
    shown += screenMenus_;
    std::stable_sort(shown.begin(), shown.end(),
                     [](const Entry& a, const Entry& b) { return a.groupIndex < b.groupIndex; });
    bar_->clear();
    for (const Entry& e : shown) bar_->addMenu(e.menu);
}

}  // namespace kpv::host
