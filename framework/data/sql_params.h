#pragma once

#include <QString>
#include <QStringList>

namespace kpv::data {

// A statement with its ":NAME" parameters replaced by "?" and the names in the order of the "?"s.
// A name used twice appears twice. Colons inside string literals, quoted identifiers and comments
// are left alone. Names are upper-cased: parameters match regardless of letter case.
struct TPositionalStatement {
    QString text;
    QStringList names;
};

TPositionalStatement ToPositional(const QString& statement);

}  // namespace kpv::data
