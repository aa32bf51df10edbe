#include "framework/report/report_text.h"

#include "framework/core/errors.h"

namespace kpv::report {

namespace {

const QStringList kFormats = {QString(), QStringLiteral("money"), QStringLiteral("rate"),
                              QStringLiteral("date"), QStringLiteral("pess")};

TTextPiece placeholder(const QString& inner, const QString& whole) {
    TTextPiece piece;
    piece.placeholder = true;
    const qsizetype bar = inner.indexOf(u'|');
    piece.text = inner.left(bar).trimmed().toUpper();
    if (bar >= 0) {
        const QString formatText = inner.mid(bar + 1).trimmed();
        const qsizetype colon = formatText.indexOf(u':');
        piece.format = formatText.left(colon).trimmed().toLower();
        if (colon >= 0) piece.argument = formatText.mid(colon + 1).trimmed().toUpper();
    }
    const bool pessWithoutKind = piece.format == QLatin1String("pess") && piece.argument.isEmpty();
    if (piece.text.isEmpty() || !kFormats.contains(piece.format) || pessWithoutKind)
        throw Error(QStringLiteral("Campo inválido '%1' no layout do relatório.").arg(whole));
    return piece;
}

}  // namespace

QList<TTextPiece> ParseReportText(const QString& text) {
    QList<TTextPiece> pieces;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(u'{', at);
        if (open < 0) {
            pieces.push_back({false, text.mid(at), {}, {}});
            break;
        }
        if (open > at) pieces.push_back({false, text.mid(at, open - at), {}, {}});
        const qsizetype close = text.indexOf(u'}', open);
        if (close < 0) throw Error(QStringLiteral("Campo sem '}' no layout do relatório: '%1'.").arg(text));
        pieces.push_back(placeholder(text.mid(open + 1, close - open - 1), text.mid(open, close - open + 1)));
        at = close + 1;
    }
    return pieces;
}

}  // namespace kpv::report
