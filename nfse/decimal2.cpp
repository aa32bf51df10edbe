#include "nfse/decimal2.h"

namespace kpv::nfse {

namespace {

// More integer digits than this would overflow the hundredths; the layout's widest amount has 15.
constexpr int kMaxIntegerDigits = 16;

bool AllDigits(QStringView text) {
    for (QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

}  // namespace

std::optional<Decimal2> Decimal2::FromText(QStringView text) {
    const bool negative = text.startsWith(u'-');
    if (negative) text = text.mid(1);
    const qsizetype point = text.indexOf(u'.');
    const QStringView integer = point < 0 ? text : text.left(point);
    QStringView fraction = point < 0 ? QStringView() : text.mid(point + 1);
    if (integer.isEmpty() || integer.size() > kMaxIntegerDigits || !AllDigits(integer)) return std::nullopt;
    if (point >= 0 && (fraction.isEmpty() || fraction.size() > 2 || !AllDigits(fraction)))
        return std::nullopt;
    qint64 hundredths = integer.toLongLong() * 100;
    if (!fraction.isEmpty()) hundredths += qint64(fraction.toInt()) * (fraction.size() == 1 ? 10 : 1);
    return FromHundredths(negative ? -hundredths : hundredths);
}

QString Decimal2::text() const {
    // Unsigned, so that the most negative value has a magnitude too.
    const quint64 magnitude = hundredths_ < 0 ? 0 - quint64(hundredths_) : quint64(hundredths_);
    QString text =
        QString::number(magnitude / 100) + u'.' + QString::number(magnitude % 100).rightJustified(2, u'0');
    return hundredths_ < 0 ? u'-' + text : text;
}

}  // namespace kpv::nfse
