#include "framework/text/edit_mask.h"

#include <algorithm>

namespace kpv::text {

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

MaskPosition fillable(MaskPosition::Accepts accepts, bool required, MaskPosition::Case charCase) {
    MaskPosition p;
    p.accepts = accepts;
    p.required = required;
    p.charCase = charCase;
    return p;
}

MaskPosition literal(QChar c) {
    MaskPosition p;
    p.literal = c;
    return p;
}

// Lays `value` into the mask's positions, from the right for right-aligned masks. With `validate` the
// value is taken as a field would: blanks leave positions unfilled and refused characters are dropped;
// without it every character is placed as it comes. When the mask saves literals the value is expected
// to carry them, so a literal found at its place is taken as that literal.
QString layCells(const ParsedMask& mask, const QString& value, bool validate, QString* overflow = nullptr) {
    const int length = mask.Length();
    QString cells(length, QChar());
    const bool fromRight = mask.AlignsRight();
    const int step = fromRight ? -1 : 1;
    int next = fromRight ? static_cast<int>(value.size()) - 1 : 0;
    auto remains = [&] { return next >= 0 && next < value.size(); };

    for (int k = 0; k < length; ++k) {
        const int index = fromRight ? length - 1 - k : k;
        const MaskPosition& position = mask.At(index);
        if (position.IsLiteral()) {
            if (mask.SaveLiterals() && remains() && value[next] == position.literal) next += step;
            continue;
        }
        while (remains()) {
            const QChar c = value[next];
            next += step;
            if (!validate) {
                cells[index] = position.Adjusted(c);
                break;
            }
            if (c == u' ' || c == mask.Blank()) break;
            if (position.Takes(c)) {
                cells[index] = position.Adjusted(c);
                break;
            }
        }
    }
    if (overflow) *overflow = fromRight ? value.left(std::max(next + 1, 0)) : value.mid(next);
    return cells;
}

// The cells as shown: literals in place, the blank character where unfilled.
QString shownText(const ParsedMask& mask, const QString& cells) {
    QString shown(mask.Length(), QChar());
    for (int i = 0; i < mask.Length(); ++i) {
        const MaskPosition& p = mask.At(i);
        shown[i] = p.IsLiteral() ? p.literal : cells[i].isNull() ? mask.Blank() : cells[i];
    }
    return shown;
}

}  // namespace

bool MaskPosition::Takes(QChar c) const {
    switch (accepts) {
        case Accepts::Literal:
            return false;
        case Accepts::Digit:
            return isDigit(c);
        case Accepts::DigitOrSign:
            return isDigit(c) || c == u'+' || c == u'-';
        case Accepts::LetterOrDigit:
            return c.isLetter() || isDigit(c);
        case Accepts::Letter:
            return c.isLetter();
        case Accepts::Anything:
            return c.isPrint();
    }
    return false;
}

QChar MaskPosition::Adjusted(QChar c) const {
    switch (charCase) {
        case Case::Upper:
            return c.toUpper();
        case Case::Lower:
            return c.toLower();
        case Case::Keep:
            break;
    }
    return c;
}

ParsedMask::ParsedMask(const QString& editMask) {
    using A = MaskPosition::Accepts;
    auto charCase = MaskPosition::Case::Keep;
    qsizetype i = 0;
    for (; i < editMask.size(); ++i) {
        const QChar c = editMask[i];
        if (c == u';') break;
        switch (c.unicode()) {
            case u'\\':
                if (i + 1 < editMask.size()) positions_.push_back(literal(editMask[++i]));
                break;
            case u'!':
                alignsRight_ = true;
                break;
            case u'>':
                charCase = MaskPosition::Case::Upper;
                break;
            case u'<':
                if (i + 1 < editMask.size() && editMask[i + 1] == u'>') {
                    charCase = MaskPosition::Case::Keep;
                    ++i;
                } else {
                    charCase = MaskPosition::Case::Lower;
                }
                break;
            case u'0':
                positions_.push_back(fillable(A::Digit, true, charCase));
                break;
            case u'9':
                positions_.push_back(fillable(A::Digit, false, charCase));
                break;
            case u'#':
                positions_.push_back(fillable(A::DigitOrSign, false, charCase));
                break;
            case u'A':
                positions_.push_back(fillable(A::LetterOrDigit, true, charCase));
                break;
            case u'a':
                positions_.push_back(fillable(A::LetterOrDigit, false, charCase));
                break;
            case u'L':
                positions_.push_back(fillable(A::Letter, true, charCase));
                break;
            case u'l':
                positions_.push_back(fillable(A::Letter, false, charCase));
                break;
            case u'C':
                positions_.push_back(fillable(A::Anything, true, charCase));
                break;
            case u'c':
                positions_.push_back(fillable(A::Anything, false, charCase));
                break;
            case u'_':
                positions_.push_back(literal(u' '));
                break;
            default:
                positions_.push_back(literal(c));
                break;
        }
    }
    if (i >= editMask.size()) return;

    const QString options = editMask.mid(i + 1);
    const qsizetype separator = options.indexOf(u';');
    saveLiterals_ = !options.left(separator < 0 ? options.size() : separator).startsWith(u'0');
    if (separator >= 0 && separator + 1 < options.size()) blank_ = options[separator + 1];
}

MaskedText::MaskedText(ParsedMask mask) : mask_(std::move(mask)), cells_(mask_.Length(), QChar()) {}

void MaskedText::Assign(const QString& value) {
    cells_ = layCells(mask_, value, true);
}

QString MaskedText::Display() const {
    return shownText(mask_, cells_);
}

QString MaskedText::Value() const {
    QString value;
    value.reserve(mask_.Length());
    for (int i = 0; i < mask_.Length(); ++i) {
        const MaskPosition& p = mask_.At(i);
        if (p.IsLiteral()) {
            if (mask_.SaveLiterals()) value += p.literal;
        } else {
            value += cells_[i].isNull() ? QChar(u' ') : cells_[i];
        }
    }
    return value;
}

QString MaskedText::Raw() const {
    const QString value = Value();
    if (mask_.AlignsRight()) {
        qsizetype start = 0;
        while (start < value.size() && value[start] == u' ') ++start;
        return value.mid(start);
    }
    qsizetype end = value.size();
    while (end > 0 && value[end - 1] == u' ') --end;
    return value.left(end);
}

bool MaskedText::IsBlank() const {
    return std::all_of(cells_.cbegin(), cells_.cend(), [](QChar c) { return c.isNull(); });
}

int MaskedText::FilledEnd() const {
    for (int i = mask_.Length(); i > 0; --i) {
        if (!cells_[i - 1].isNull()) return i;
    }
    return 0;
}

int MaskedText::Type(int cursor, QChar c) {
    const int index = fillableFrom(cursor);
    if (index < 0) return -1;
    if (c == u' ' || c == mask_.Blank()) {
        cells_[index] = QChar();
    } else {
        const MaskPosition& p = mask_.At(index);
        if (!p.Takes(c)) return -1;
        cells_[index] = p.Adjusted(c);
    }
    const int next = fillableFrom(index + 1);
    return next < 0 ? mask_.Length() : next;
}

int MaskedText::Erase(int from, int to) {
    from = std::clamp(from, 0, mask_.Length());
    to = std::clamp(to, from, mask_.Length());
    for (int i = from; i < to; ++i) cells_[i] = QChar();
    return from;
}

int MaskedText::Backspace(int cursor) {
    const int index = fillableBefore(cursor);
    if (index < 0) return cursor;
    cells_[index] = QChar();
    return index;
}

int MaskedText::Delete(int cursor) {
    const int index = fillableFrom(cursor);
    if (index >= 0) cells_[index] = QChar();
    return cursor;
}

int MaskedText::Paste(int cursor, const QString& text) {
    for (const QChar c : text) {
        if (fillableFrom(cursor) < 0) break;
        const int next = Type(cursor, c);
        if (next >= 0) cursor = next;
    }
    return cursor;
}

int MaskedText::fillableFrom(int index) const {
    for (int i = std::max(index, 0); i < mask_.Length(); ++i) {
        if (!mask_.At(i).IsLiteral()) return i;
    }
    return -1;
}

int MaskedText::fillableBefore(int index) const {
    for (int i = std::min(index, mask_.Length()) - 1; i >= 0; --i) {
        if (!mask_.At(i).IsLiteral()) return i;
    }
    return -1;
}

}  // namespace kpv::text

namespace kpv {

QString FormatMaskText(const QString& editMask, const QString& value) {
    const text::ParsedMask mask(editMask);
    if (mask.IsEmpty()) return value;
    QString overflow;
    const QString shown = text::shownText(mask, text::layCells(mask, value, false, &overflow));
    return mask.AlignsRight() ? overflow + shown : shown + overflow;
}

}  // namespace kpv
