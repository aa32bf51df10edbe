#include "screen_fixture.h"

#include "framework/core/context.h"
#include "framework/ui/application.h"

ScreenFixture::ScreenFixture() {
    kpv::Context().reportFolder = qEnvironmentVariable("KPV_SOURCE_DIR") + QStringLiteral("/reports");
    user_.previewFile = dir_.filePath(QStringLiteral("preview.pdf"));
}

ScreenFixture::~ScreenFixture() {
    if (mdi_) kpv::ui::Application().SetMdiArea(nullptr);
}

void ScreenFixture::showMdi(QSize size) {
    if (!mdi_) mdi_ = std::make_unique<QMdiArea>();
    mdi_->resize(size);
    mdi_->show();
    kpv::ui::Application().SetMdiArea(mdi_.get());
}

void ScreenFixture::resetUser() {
    user_.clear();
    user_.boxAnswers.clear();
    user_.modalScripts.clear();
    user_.rowPicks.clear();
    user_.rowsPicks.clear();
    user_.findAnswers.clear();
    user_.saveFileAnswers.clear();
    user_.signInAnswers.clear();
    user_.boxShown = nullptr;
}
