#include "framework/data/display_format.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kpv::data {

const QLocale& DisplayLocale() {
    static const QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    return locale;
}

namespace {

struct Section {
    QString prefix;
    QString suffix;
    int integerZeros = 0;
    bool grouping = false;
    int minDecimals = 0;
    int maxDecimals = 0;
};

QStringList splitSections(const QString& format) {
    QStringList sections(1);
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u';') {
            sections.append(QString());
            continue;
        }
        sections.back().append(c);
    }
    return sections;
}

Section parseSection(const QString& text) {
    Section s;
    bool seenPlaceholder = false;
    bool afterPoint = false;
    QChar quote;
    for (QChar c : text) {
        QString& literal = seenPlaceholder ? s.suffix : s.prefix;
        if (!quote.isNull()) {
            if (c == quote) {
                quote = QChar();
            } else {
                literal.append(c);
            }
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            seenPlaceholder = true;
            s.suffix.clear();
            if (afterPoint) {
                ++s.maxDecimals;
                if (c == u'0') s.minDecimals = s.maxDecimals;
            } else if (c == u'0') {
                ++s.integerZeros;
            }
        } else if (c == u',' && !afterPoint) {
            s.grouping = true;
        } else if (c == u'.') {
            afterPoint = true;
            seenPlaceholder = true;
            s.suffix.clear();
        } else {
            literal.append(c);
        }
    }
    return s;
}

// Decimal digits of |value| rounded half away from zero to `decimals`, judged on the 15 significant
// digits a double holds, so 1.005 rounds to 1.01 as the user reads it.
struct Digits {
    QString integer;
    QString fraction;
    bool isZero() const {
        const auto zero = [](QChar c) { return c == u'0'; };
        return std::all_of(integer.begin(), integer.end(), zero) &&
               std::all_of(fraction.begin(), fraction.end(), zero);
    }
};

Digits roundedDigits(double value, int decimals) {
    const QString sci = QString::number(std::fabs(value), 'e', 14);  // d.dddddddddddddde±XX
    QString digits = sci.left(1) + sci.mid(2, 14);
    int point = sci.mid(17).toInt() + 1;  // digits before the decimal point
    // A leading zero absorbs a carry out of the first digit.
    digits.prepend(u'0');
    ++point;
    const int keep = point + decimals;
    if (keep < 0) return {QString(), QString(decimals, u'0')};
    if (keep < digits.size()) {
        const bool roundUp = digits[keep] >= u'5';
        digits.truncate(keep);
        for (int i = keep - 1; roundUp && i >= 0; --i) {
            if (digits[i] == u'9') {
                digits[i] = u'0';
            } else {
                digits[i] = QChar(digits[i].unicode() + 1);
                break;
            }
        }
    } else {
        digits.append(QString(keep - digits.size(), u'0'));
    }
    Digits out;
    if (point > 0) {
        out.integer = digits.left(point);
        out.fraction = digits.mid(point);
    } else {
        out.fraction = QString(-point, u'0') + digits;
    }
    return out;
}

QString render(const Section& s, const Digits& d, const QLocale& locale) {
    QString integer = d.integer;
    int firstSignificant = 0;
    while (firstSignificant < integer.size() && integer[firstSignificant] == u'0') ++firstSignificant;
    integer.remove(0, firstSignificant);
    if (integer.size() < s.integerZeros) integer.prepend(QString(s.integerZeros - integer.size(), u'0'));
    if (s.grouping) {
        const QString separator = locale.groupSeparator();
        for (int i = integer.size() - 3; i > 0; i -= 3) integer.insert(i, separator);
    }
    QString fraction = d.fraction;
    while (fraction.size() > s.minDecimals && fraction.endsWith(u'0')) fraction.chop(1);
    QString result = s.prefix + integer;
    if (!fraction.isEmpty()) result += locale.decimalPoint() + fraction;
    return result + s.suffix;
}

}  // namespace

QString FormatFloat(const QString& format, double value, const QLocale& locale) {
    if (!std::isfinite(value)) return locale.toString(value);
    const QStringList sections = splitSections(format);
    const Section positive = parseSection(sections[0]);
    const Digits digits = roundedDigits(value, positive.maxDecimals);
    if (digits.isZero() && sections.size() > 2 && !sections[2].isEmpty()) {
        const Section zero = parseSection(sections[2]);
        return render(zero, roundedDigits(0.0, zero.maxDecimals), locale);
    }
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty()) {
        const Section negative = parseSection(sections[1]);
        return render(negative, roundedDigits(value, negative.maxDecimals), locale);
    }
    const QString text = render(positive, digits, locale);
    return value < 0 && !digits.isZero() ? locale.negativeSign() + text : text;
}

}  // namespace kpv::data
