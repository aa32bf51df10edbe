#pragma once

#include <QString>

#include <optional>

namespace kpv::accounts {

// A new password for `login`, never from the command line: typed twice on the terminal without echo, or one
// line of standard input when that is not a terminal (a script). Nothing, with the reason in `error`, when
// the two differ, the input ended, or the password is shorter than kMinPasswordLength.
std::optional<QString> ReadNewPassword(const QString& login, QString* error);

}  // namespace kpv::accounts
