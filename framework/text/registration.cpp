#include "framework/text/registration.h"

namespace kpv {

QString PictPess(const QString& kind) {
    const QString code = kind.trimmed().toUpper();
    if (code == u"J") return QStringLiteral("00.000.000/0000-00;0;_");
    if (code == u"F") return QStringLiteral("000.000.000-00;0;_");
    return {};
}

bool Ajusta_Inscricao(QString& text) {
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9') digits += c;
    }
    if (digits == text) return false;
    text = digits;
    return true;
}

}  // namespace kpv
