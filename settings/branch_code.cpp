#include "settings/branch_code.h"

#include <QRegularExpression>

namespace kpv::settings {

std::optional<QString> BranchCode(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,4}$"));
    if (!digits.match(text).hasMatch()) return std::nullopt;
    return text.rightJustified(4, u'0');
}

}  // namespace kpv::settings
