#pragma once

// What a test of the screens stands on: the scripted user in place of a person, the report definitions of
// the sources, a folder of its own, and once shown an MDI area that takes the screens' windows as the
// host's main window does.
#include "framework/ui/scripted_interaction.h"

#include <QMdiArea>
#include <QSize>
#include <QTemporaryDir>

#include <memory>

class ScreenFixture {
  public:
    ScreenFixture();
    ~ScreenFixture();
    ScreenFixture(const ScreenFixture&) = delete;
    ScreenFixture& operator=(const ScreenFixture&) = delete;

    // Shows the MDI area at this size and hands the screens' windows to it.
    void showMdi(QSize size = {1300, 700});
    // Forgets what the user was shown, the answers still queued and the watcher of boxes.
    void resetUser();

    kpv::ScriptedInteraction& user() { return user_; }
    QMdiArea* mdi() const { return mdi_.get(); }
    // Removed with the fixture; previews paint their pages into it.
    const QTemporaryDir& dir() const { return dir_; }

  private:
    QTemporaryDir dir_;
    kpv::ScriptedInteraction user_;
    std::unique_ptr<QMdiArea> mdi_;
};
