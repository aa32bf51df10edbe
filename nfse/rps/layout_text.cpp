#include "nfse/rps/layout_text.h"

#include "nfse/nfse_error.h"

namespace kpv::nfse {

namespace {

// Characters word processors put into names and addresses that Latin-1 spells otherwise.
QString latin1Kin(QChar c) {
    switch (c.unicode()) {
        case 0x2018:  // ‘ ’ ‚ ‛
        case 0x2019:
        case 0x201A:
        case 0x201B:
            return QStringLiteral("'");
        case 0x201C:  // “ ” „
        case 0x201D:
        case 0x201E:
            return QStringLiteral("\"");
        case 0x2010:  // hyphens and dashes
        case 0x2011:
        case 0x2012:
        case 0x2013:
        case 0x2014:
        case 0x2212:
            return QStringLiteral("-");
        case 0x2026:  // …
            return QStringLiteral("...");
        default:
            return {};
    }
}

}  // namespace

QString SingleLine(const QString& text) {
    return text.normalized(QString::NormalizationForm_C).simplified();
}

QString LayoutText(const QString& text, const QString& what) {
    const QString composed = SingleLine(text);
    QString result;
    result.reserve(composed.size());
    for (const QChar c : composed) {
        if (c.unicode() <= 0xFF) {
            result += c;
            continue;
        }
        const QString kin = latin1Kin(c);
        if (kin.isEmpty())
            throw NfseError(QStringLiteral("%1 \"%2\" tem o caractere \"%3\" (U+%4), que a DPS não aceita.")
                                .arg(what, text, QString(c),
                                     QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0')));
        result += kin;
    }
    return result;
}

QString DigitsOf(const QString& text) {
    QString digits;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') digits += c;
    }
    return digits;
}

}  // namespace kpv::nfse
