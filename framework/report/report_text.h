#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace kpv::report {

// A piece of a layout text: literal text, or a placeholder "{FIELD|format:argument}" to fill from the
// current record. "{COPY}" stands for the caption of the copy being drawn.
struct TTextPiece {
    bool placeholder = false;
    QString text;      // the literal, or the field name of a placeholder (upper case)
    QString format;    // money, rate, date, pess; empty: the field's text as it is
    QString argument;  // pess: the field holding the kind of person
};

// Splits a layout text into its pieces; an unclosed "{" or an unknown format raises kpv::Error.
QList<TTextPiece> ParseReportText(const QString& text);

inline const QString kCopyPlaceholder = QStringLiteral("COPY");

}  // namespace kpv::report
