#pragma once

#include <QString>

namespace kpv::nfse {

// A text of the database as the layout's plain texts take it: blanks, tabs and line breaks within it
// made single spaces and none around it, typographic quotes, dashes and ellipses made their Latin-1
// kin. Throws NfseError, naming `what` and the character, for one beyond Latin-1 that the layout refuses.
QString LayoutText(const QString& text, const QString& what);

// The digits of a text, without the mask a user may have typed ("(11) 3333-4444" gives "1133334444").
QString DigitsOf(const QString& text);

}  // namespace kpv::nfse
