#include "accounts/account.h"

#include <QRegularExpression>

namespace kpv::accounts {

QString NormalizeLogin(const QString& typed) {
    return typed.trimmed().toLower();
}

bool IsValidLogin(const QString& login) {
    static const QRegularExpression shape(QStringLiteral("^[a-z0-9._-]{1,30}$"));
    return shape.match(login).hasMatch();
}

}  // namespace kpv::accounts
