#include "framework/ui/edit.h"

#include <QSignalBlocker>

namespace kpv::ui {

TCustomEdit::TCustomEdit(QWidget* parent, const QString& name) : QLineEdit(parent) {
    setObjectName(name);
    InstallFocusTracker();
    connect(this, &QLineEdit::textEdited, this, &TCustomEdit::onTextEdited);
}

QString TCustomEdit::Text() const {
    return text();
}

void TCustomEdit::SetText(const QString& value) {
    const QString wanted = normalised(value);
    if (wanted == Text()) return;
    setRawText(wanted);
    Fire(OnChange, this);
}

void TCustomEdit::Clear() {
    setRawText(QString());
    Fire(OnChange, this);
}

void TCustomEdit::SetUpperCase(bool upper) {
    upperCase_ = upper;
}

void TCustomEdit::SetColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void TCustomEdit::SetTabStop(bool tabStop) {
    setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

void TCustomEdit::setRawText(const QString& text) {
    const QSignalBlocker block(this);
    setText(text);
}

QString TCustomEdit::normalised(const QString& text) const {
    return upperCase_ ? text.toUpper() : text;
}

void TCustomEdit::onTextEdited(const QString& typed) {
    if (upperCase_ && typed != typed.toUpper()) {
        const int cursor = cursorPosition();
        setRawText(typed.toUpper());
        setCursorPosition(cursor);
    }
    Dispatch([this] { Fire(OnChange, this); });
}

}  // namespace kpv::ui
