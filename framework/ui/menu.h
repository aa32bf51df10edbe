#pragma once

#include "framework/core/dispatch.h"
#include "framework/framework_export.h"

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QObject>

namespace kpv::ui {

// A menu item: caption, shortcut, enabled state, click handler and, at the top level, the group index
// by which the host merges a screen's menus into its own.
class KPV_FRAMEWORK_EXPORT TMenuItem : public QObject {
    Q_OBJECT
  public:
    TMenuItem(QObject* parent, const QString& name, const QString& caption,
              const QKeySequence& shortcut = {});

    // A separator line ("-").
    static TMenuItem* Separator(TMenuItem* parent, const QString& name);

    TMenuItem* Add(TMenuItem* item);
    const QList<TMenuItem*>& Items() const { return items_; }

    QString Caption() const { return action_->text(); }
    QKeySequence ShortCut() const { return action_->shortcut(); }
    bool Enabled() const { return action_->isEnabled(); }
    void SetEnabled(bool enabled) { action_->setEnabled(enabled); }
    bool IsSeparator() const { return action_->isSeparator(); }
    // Runs the click as the user's choice does.
    void Click();

    QAction* Action() const { return action_; }

    int GroupIndex = 0;
    TNotifyEvent OnClick;

  private:
    QAction* action_;
    QList<TMenuItem*> items_;
};

// A screen's main menu: top-level items, merged by the host into its menu bar by group index.
class KPV_FRAMEWORK_EXPORT TMainMenu : public QObject {
    Q_OBJECT
  public:
    TMainMenu(QObject* parent, const QString& name);
    TMenuItem* Add(TMenuItem* item);
    const QList<TMenuItem*>& Items() const { return items_; }

  private:
    QList<TMenuItem*> items_;
};

}  // namespace kpv::ui
