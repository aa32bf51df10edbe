#include "protocol/codes.h"

namespace kpv::protocol {

QString SituationList(bool naoEmitido, bool emitido, bool substituido) {
    QString list;
    if (naoEmitido) list += QLatin1String("_1");
    if (emitido) list += QLatin1String("_2");
    if (substituido) list += QLatin1String("_3");
    return list;
}

std::optional<QStringList> SituationCodes(const QString& list) {
    QStringList codes;
    if (list.isEmpty()) return codes;
    if (!list.startsWith(u'_')) return std::nullopt;
    for (const QString& code : list.mid(1).split(u'_')) {
        if (code != u"1" && code != u"2" && code != u"3") return std::nullopt;
        if (!codes.contains(code)) codes << code;
    }
    return codes;
}

}  // namespace kpv::protocol
