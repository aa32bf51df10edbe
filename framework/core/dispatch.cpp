#include "framework/core/dispatch.h"

#include "framework/core/errors.h"
#include "framework/core/interaction.h"

#include <QtGlobal>

#include <exception>

namespace kpv {

namespace {
ErrorDisplay& errorDisplay() {
    static ErrorDisplay display;
    return display;
}
}  // namespace

void SetErrorDisplay(ErrorDisplay display) {
    errorDisplay() = std::move(display);
}

void ShowUnhandledError(const QString& message) {
    if (errorDisplay()) {
        errorDisplay()(message);
        return;
    }
    Interaction::Current().MessageBox(nullptr, message, TMsgDlgType::mtError, TMsgDlgButtons::mbOK);
}

namespace {
// The display itself must not throw into Qt either.
void report(const QString& message) noexcept {
    try {
        ShowUnhandledError(message);
    } catch (...) {
        qCritical("%s", qPrintable(message));
    }
}
}  // namespace

bool Dispatch(const std::function<void()>& handler) noexcept {
    try {
        handler();
        return true;
    } catch (const EAbort&) {
        // The message, if any, has been shown already.
    } catch (const Error& e) {
        report(e.message());
    } catch (const std::exception& e) {
        report(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        report(QStringLiteral("Erro inesperado."));
    }
    return false;
}

}  // namespace kpv
