#pragma once

#include "framework/framework_export.h"

#include <QString>

#include <vector>

namespace kpv::text {

// One position of a masked text: a literal shown as it is, or a place the user fills.
struct MaskPosition {
    enum class Accepts { Literal, Digit, DigitOrSign, LetterOrDigit, Letter, Anything };
    enum class Case { Keep, Upper, Lower };

    Accepts accepts = Accepts::Literal;
    bool required = false;
    Case charCase = Case::Keep;
    QChar literal;

    bool IsLiteral() const { return accepts == Accepts::Literal; }
    bool Takes(QChar c) const;
    QChar Adjusted(QChar c) const;
};

// An edit mask in the screens' syntax, "mask;save literals;blank": '0' digit, '9' optional digit, '#'
// digit or sign, 'A'/'a' letter or digit, 'L'/'l' letter, 'C'/'c' any character (upper case required,
// lower case optional), '>' upper case, '<' lower case, '<>' case as typed, '\' takes the next character
// literally, '!' aligns short values to the right, '_' a literal blank, anything else a literal.
// The save-literals section "0" keeps literals out of the text read back; blank defaults to '_'.
class ParsedMask {
  public:
    ParsedMask() = default;
    explicit ParsedMask(const QString& editMask);

    bool IsEmpty() const { return positions_.empty(); }
    int Length() const { return static_cast<int>(positions_.size()); }
    const MaskPosition& At(int index) const { return positions_[static_cast<size_t>(index)]; }
    bool SaveLiterals() const { return saveLiterals_; }
    QChar Blank() const { return blank_; }
    bool AlignsRight() const { return alignsRight_; }

  private:
    std::vector<MaskPosition> positions_;
    bool saveLiterals_ = true;
    QChar blank_ = u'_';
    bool alignsRight_ = false;
};

// The text of a masked edit, one cell per position of its mask. Typing overwrites; literals are never
// typed over; an unfilled position shows the blank character and reads back as a space.
class MaskedText {
  public:
    explicit MaskedText(ParsedMask mask);

    const ParsedMask& Mask() const { return mask_; }

    // Lays a text into the mask: the characters read back from a field of this mask, or raw characters.
    // A space or the blank character leaves its position unfilled; a character its position does not
    // take is dropped; what does not fit is dropped.
    void Assign(const QString& value);
    // What the field shows: literals, filled characters and the blank character.
    QString Display() const;
    // What the field reads back: the filled positions (spaces where unfilled), with the literals when
    // the mask saves them.
    QString Value() const;
    // The value without the unfilled positions at its end (at its start for right-aligned masks): what is
    // left once the mask is removed.
    QString Raw() const;
    bool IsBlank() const;
    // The position just after the last filled one (0 when blank).
    int FilledEnd() const;

    // Editing at a cursor position (0 = before the first position). Each returns the new cursor position;
    // Type returns -1 when the character is refused and nothing changed.
    int Type(int cursor, QChar c);
    int Erase(int from, int to);
    int Backspace(int cursor);
    int Delete(int cursor);
    int Paste(int cursor, const QString& text);

  private:
    int fillableFrom(int index) const;
    int fillableBefore(int index) const;

    ParsedMask mask_;
    QString cells_;  // a null character marks an unfilled position
};

}  // namespace kpv::text

namespace kpv {

// The value laid into the mask's positions with the mask's literals inserted, as a masked field would
// show it: FormatMaskText("00.000.000/0000-00;0;_", "12345678000195") == "12.345.678/0001-95". Nothing
// of the value is lost: positions past its end show the blank character and characters beyond the mask
// are kept after it. An empty mask gives the value unchanged.
KPV_FRAMEWORK_EXPORT QString FormatMaskText(const QString& editMask, const QString& value);

}  // namespace kpv
