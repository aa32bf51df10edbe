#include "framework/ui/mask_edit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QSignalBlocker>

#include <algorithm>

namespace kpv::ui {

namespace {

bool isTyping(const QKeyEvent* event) {
    const QString typed = event->text();
    return !typed.isEmpty() && typed.front().isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

// Line-deleting keys of a plain line (Ctrl+K, Ctrl+U on X11) would take the literals along.
bool deletesLine(const QKeyEvent* event) {
    return event->matches(QKeySequence::DeleteEndOfLine) || event->matches(QKeySequence::DeleteCompleteLine);
}

}  // namespace

TMaskEdit::TMaskEdit(QWidget* parent, const QString& name, const QString& editMask)
    : TCustomEdit(parent, name) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        // Whatever slipped past the mask's own editing is put back to what the mask holds.
        if (masked_ && text() != masked_->Display()) {
            showMasked(cursorPosition());
            return;
        }
        displayChanged();
    });
    if (!editMask.isEmpty()) SetEditMask(editMask);
}

void TMaskEdit::SetEditMask(const QString& editMask) {
    const QString before = Text();
    const QString plain = masked_ ? masked_->Raw() : text();
    editMask_ = editMask;
    text::ParsedMask mask(editMask);
    if (mask.IsEmpty()) {
        masked_.reset();
    } else {
        setMaxLength(mask.Length());
        masked_.emplace(std::move(mask));
    }
    // Drops and the context menu would edit the line behind the mask's back.
    setAcceptDrops(!masked_);
    setRawText(plain);
    if (Text() != before) Fire(OnChange, this);
}

QString TMaskEdit::Text() const {
    return masked_ ? masked_->Value() : TCustomEdit::Text();
}

void TMaskEdit::setRawText(const QString& text) {
    if (!masked_) {
        TCustomEdit::setRawText(text);
        displayChanged();
        return;
    }
    masked_->Assign(text);
    showMasked(masked_->FilledEnd());  // after the text, as in a plain line
}

QString TMaskEdit::normalised(const QString& text) const {
    if (!masked_) return TCustomEdit::normalised(text);
    text::MaskedText laid(masked_->Mask());
    laid.Assign(TCustomEdit::normalised(text));
    return laid.Value();
}

void TMaskEdit::onTextEdited(const QString& text) {
    // Under a mask the line is only edited through the mask, which runs OnChange itself; an edit that
    // came past it is put back and changes nothing.
    if (!masked_) TCustomEdit::onTextEdited(text);
}

void TMaskEdit::keyPressEvent(QKeyEvent* event) {
    if (!masked_ || isReadOnly()) {
        TCustomEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        userEdit(UserEdit::Insert, QGuiApplication::clipboard()->text());
    } else if (event->matches(QKeySequence::Cut)) {
        if (hasSelectedText()) copy();
        userEdit(UserEdit::Erase);
    } else if (event->key() == Qt::Key_Backspace) {
        userEdit(UserEdit::Backspace);
    } else if (event->key() == Qt::Key_Delete) {
        userEdit(UserEdit::Delete);
    } else if (isTyping(event)) {
        userEdit(UserEdit::Insert, event->text());
    } else if (!deletesLine(event)) {
        TCustomEdit::keyPressEvent(event);  // moves, selection, copy, Return, Escape...
        return;
    }
    event->accept();
}

void TMaskEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (!masked_) {
        TCustomEdit::inputMethodEvent(event);
        return;
    }
    if (!isReadOnly() && !event->commitString().isEmpty()) userEdit(UserEdit::Insert, event->commitString());
    event->accept();
}

void TMaskEdit::contextMenuEvent(QContextMenuEvent* event) {
    if (!masked_) TCustomEdit::contextMenuEvent(event);
}

void TMaskEdit::userEdit(UserEdit edit, const QString& typed) {
    const QString before = Text();
    int cursor = cursorPosition();
    const bool erased = hasSelectedText();
    if (erased) cursor = masked_->Erase(selectionStart(), selectionStart() + selectionLength());
    switch (edit) {
        case UserEdit::Erase:
            break;
        case UserEdit::Backspace:
            if (!erased) cursor = masked_->Backspace(cursor);
            break;
        case UserEdit::Delete:
            if (!erased) cursor = masked_->Delete(cursor);
            break;
        case UserEdit::Insert:
            // Past the filled part typing goes on where the text ends, as in a plain line.
            cursor = masked_->Paste(std::min(cursor, masked_->FilledEnd()), TCustomEdit::normalised(typed));
            break;
    }
    showMasked(cursor);
    if (Text() != before) Dispatch([this] { Fire(OnChange, this); });
}

void TMaskEdit::showMasked(int cursor) {
    {
        const QSignalBlocker block(this);
        if (maxLength() < masked_->Mask().Length()) setMaxLength(masked_->Mask().Length());
        setText(masked_->Display());
        setCursorPosition(cursor);
    }
    displayChanged();
}

}  // namespace kpv::ui
