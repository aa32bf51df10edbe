#include "accounts/rights.h"

#include <QStringList>

#include <array>
#include <utility>

namespace kpv::accounts {

namespace {

constexpr std::array kNames{std::pair{Right::Emitir, "emitir"}, std::pair{Right::Cancelar, "cancelar"},
                            std::pair{Right::Consultar, "consultar"}};

}  // namespace

std::optional<Rights> Rights::Parse(const QString& list, QString* error) {
    Rights rights;
    for (const QString& part : list.split(QLatin1Char(','))) {
        const QString name = part.trimmed().toLower();
        if (name.isEmpty()) continue;
        bool known = false;
        for (const auto& [right, text] : kNames) {
            if (name == QLatin1String(text)) {
                rights.bits_ |= int(right);
                known = true;
            }
        }
        if (!known) {
            *error =
                QStringLiteral("direito desconhecido: \"%1\" (use emitir, cancelar ou consultar)").arg(name);
            return std::nullopt;
        }
    }
    if (rights.bits_ == 0) {
        *error = QStringLiteral("informe ao menos um direito: emitir, cancelar ou consultar");
        return std::nullopt;
    }
    return rights;
}

QString Rights::text() const {
    QStringList names;
    for (const auto& [right, text] : kNames) {
        if (has(right)) names << QLatin1String(text);
    }
    return names.join(QLatin1Char(','));
}

}  // namespace kpv::accounts
