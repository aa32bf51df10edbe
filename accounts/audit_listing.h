#pragma once

#include <QDate>
#include <QString>

#include <cstdio>
#include <functional>

namespace kpv::db {
class Connection;
}

namespace kpv::accounts {

// Which rows of the audit trail to list: the local days from `from` to `to`, both included (either may be
// left open), and one account's alone when `login` is given.
struct AuditFilter {
    QDate from;
    QDate to;
    QString login;
};

// Writes the rows of the trail in the order they were written, their times in this machine's zone with its
// UTC offset: as aligned text, or as CSV (RFC 4180, a header line first). `progress` is told now and then
// how many rows of how many are out. Throws db::DatabaseError.
void ListAudit(db::Connection& connection, const AuditFilter& filter, bool csv, std::FILE* out,
               const std::function<void(qint64 done, qint64 total)>& progress);

}  // namespace kpv::accounts
