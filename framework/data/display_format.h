#pragma once

#include <QLocale>
#include <QString>

namespace kpv::data {

// The locale of every displayed number and date: Brazilian Portuguese.
const QLocale& DisplayLocale();

// Formats a number by a pattern such as "###,##0.00": a "," anywhere in the integer part groups
// thousands with the locale's group separator, each "0" is a digit always shown ("#" one shown only
// when significant), and the digits after "." fix the decimals, rounded half away from zero.
// Up to three sections "positive;negative;zero" as usual; text in quotes is copied literally.
QString FormatFloat(const QString& format, double value, const QLocale& locale = DisplayLocale());

}  // namespace kpv::data
