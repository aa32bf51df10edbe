#pragma once

#include "db/db_export.h"
#include "db/write_batch.h"

#include <QDateTime>
#include <QString>

namespace kpv::db {

// One row of the audit trail (AUDITORIASERV): who did what, when, from where, to which invoice and RPS, and
// how it ended. Every program that changes the state of an RPS on someone's behalf records it: the
// application server for its sign-ins and writes, kpv-accounts for the accounts it changes, and a tool that
// exports DPS or imports NFS-e for each document (action "ExportaDPS" / "ImportaNFSe").
struct AuditEntry {
    QString login;    // the account; empty where nobody signed in (a server without accounts)
    QString address;  // the peer's address, or who ran a tool where (LocalOperator)
    QString action;   // the method ("PreparaImpressao"), "IniciaSessao", or a tool's command
    QString branch;   // the invoice (CDFILIAL, NRLANCTONF), when there is one
    QString entry;
    QString rpsSeries;  // its RPS, when there is one
    QString rpsNumber;
    QString outcome;  // "ok", "refused: <the status text>", "error <code>: <the message, with its id>"
};

// Appends the row in the caller's transaction, at the present time: the caller's write and its row are kept
// or lost together. Throws DatabaseError. Rows are never changed nor removed (the table refuses it).
KPV_DB_EXPORT void RecordAudit(Connection& connection, const AuditEntry& entry);
// The row as the last step of a write's batch, about the RPS number `rpsNumber` (a text, or what an earlier
// step returns), in place of the entry's: the write stands only with its row.
KPV_DB_EXPORT void AddAudit(WriteBatch& batch, const AuditEntry& entry, const WriteBatch::Operand& rpsNumber);

// Who runs a tool on this machine, for the address of the rows it writes: "user@machine".
KPV_DB_EXPORT QString LocalOperator();

// The audit trail's key for a row written at `when`: its milliseconds, then random digits, so rows written
// by several servers at once never collide and sort in the order they were written.
KPV_DB_EXPORT QString NewAuditKey(const QDateTime& when);
// Where the keys of `when` begin: every row written at `when` or later has a key at least this, every row
// written before it a smaller one (an instant before 1970 is taken as 1970's first).
KPV_DB_EXPORT QString AuditKeyAt(const QDateTime& when);

}  // namespace kpv::db
