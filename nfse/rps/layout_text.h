#pragma once

#include <QString>

namespace kpv::nfse {

// A text of the database on one line: composed (an accent typed after its letter is one character with
// it), blanks, tabs and line breaks made single spaces, none around it. As names and places abroad go.
QString SingleLine(const QString& text);

// A text as the layout's TSString takes it (addresses, e-mail), Latin-1 only: on one line, typographic
// quotes, dashes and ellipses made their Latin-1 kin. Throws NfseError, naming `what` and the character,
// for one beyond Latin-1 that the layout refuses.
QString LayoutText(const QString& text, const QString& what);

// The digits of a text, without the mask a user may have typed ("(11) 3333-4444" gives "1133334444").
QString DigitsOf(const QString& text);

}  // namespace kpv::nfse
