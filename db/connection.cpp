#include "db/connection.h"

#include "db/database_settings.h"
#include "db/dialect.h"

#include <algorithm>
#include <cctype>

namespace kpv::db {

QDateTime Timestamp::toDateTime() const {
    return isValid() ? QDateTime(date, QTime::fromMSecsSinceStartOfDay(msecs)) : QDateTime();
}

int Statement::column(std::string_view name) const {
    const auto same = [name](const std::string& candidate) {
        return std::equal(candidate.begin(), candidate.end(), name.begin(), name.end(),
                          [](char a, char b) { return a == std::toupper(static_cast<unsigned char>(b)); });
    };
    const auto found = std::find_if(columnNames_.begin(), columnNames_.end(), same);
    if (found == columnNames_.end()) {
        throw DatabaseError(QStringLiteral("O comando não devolve a coluna %1")
                                .arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))),
                            sql_.simplified());
    }
    return static_cast<int>(found - columnNames_.begin());
}

QString Statement::string(int column) const {
    const std::string_view t = text(column);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

std::unique_ptr<Connection> Connect(const DatabaseSettings& settings) {
    RequireServedEngine(settings);
    return DialectForEngine(settings.engine).connect(settings);
}

void RequireServedEngine(const DatabaseSettings& settings) {
    if (DialectForEngine(settings.engine).readOnly()) {
        throw DatabaseError(QStringLiteral(
            "Este banco de dados não é suportado pelo servidor de aplicação; use SQLite ou Firebird."));
    }
}

}  // namespace kpv::db
