#include "framework/ui/menu.h"

namespace kpv::ui {

TMenuItem::TMenuItem(QObject* parent, const QString& name, const QString& caption,
                     const QKeySequence& shortcut)
    : QObject(parent), action_(new QAction(caption, this)) {
    setObjectName(name);
    action_->setObjectName(name);
    action_->setShortcut(shortcut);
    // The host puts the action in its own menu bar, so the shortcut must work from any of its windows.
    action_->setShortcutContext(Qt::WindowShortcut);
    connect(action_, &QAction::triggered, this, [this] { Click(); });
}

TMenuItem* TMenuItem::Separator(TMenuItem* parent, const QString& name) {
    auto* item = new TMenuItem(parent, name, QStringLiteral("-"));
    item->action_->setSeparator(true);
    return parent->Add(item);
}

TMenuItem* TMenuItem::Add(TMenuItem* item) {
    item->setParent(this);
    items_.push_back(item);
    return item;
}

void TMenuItem::Click() {
    if (!action_->isEnabled()) return;
    Dispatch([this] { Fire(OnClick, this); });
}

TMainMenu::TMainMenu(QObject* parent, const QString& name) : QObject(parent) {
    setObjectName(name);
}

TMenuItem* TMainMenu::Add(TMenuItem* item) {
    item->setParent(this);
    items_.push_back(item);
    return item;
}

}  // namespace kpv::ui
