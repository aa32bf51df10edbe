#include "protocol/codes.h"

namespace kpv::protocol {

namespace {
constexpr QLatin1Char kSituationMark{'_'};
}

QString SituationList(bool naoEmitido, bool emitido, bool substituido) {
    QString list;
    const auto add = [&list](bool wanted, QLatin1String code) {
        if (wanted) list += QString(kSituationMark) + code;
    };
    add(naoEmitido, kNaoEmitido);
    add(emitido, kEmitido);
    add(substituido, kSubstituido);
    return list;
}

std::optional<QStringList> SituationCodes(const QString& list) {
    QStringList codes;
    if (list.isEmpty()) return codes;
    if (!list.startsWith(kSituationMark)) return std::nullopt;
    for (const QString& code : list.mid(1).split(kSituationMark)) {
        if (code != kNaoEmitido && code != kEmitido && code != kSubstituido) return std::nullopt;
        if (!codes.contains(code)) codes << code;
    }
    return codes;
}

}  // namespace kpv::protocol
