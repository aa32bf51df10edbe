#pragma once

#include "appserver/invoice_filter.h"
#include "appserver/invoice_state.h"
#include "db/write_batch.h"
#include "nfse/rps/dps_signer.h"
#include "protocol/codes.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <utility>

namespace kpv::db {
class Connection;
struct AuditEntry;
}  // namespace kpv::db

namespace kpv::server {

// {"S", ""} on success, {"N", reason} for a refusal the user reads; a method may answer values after them.
struct Status {
    QString code;
    QString text;
    QStringList values;

    static Status ok(QStringList values = {}) { return {protocol::kSim, QString(), std::move(values)}; }
    static Status refused(const QString& reason) { return {protocol::kNao, reason, {}}; }
};

// A reply body holding a data packet, written as the rows came from the database.
struct EncodedPacket {
    QByteArray body;
    qsizetype rows = 0;
};

// The remote data module "Kpv41000.rdmEmissaoRPS": its methods over one connection of a worker.
// Every statement ends by the call's deadline. Database failures travel as db::DatabaseError and its
// kinds (a write that kept losing to other writers until the deadline as db::BusyError); refusals are
// Status values.
class TrdmEmissaoRPS {
  public:
    // `signer` signs what GeraDPS answers; the writes need none.
    TrdmEmissaoRPS(db::Connection& connection, const QDeadlineTimer& deadline,
                   const nfse::DpsSigner& signer = nfse::DpsSigner::Unconfigured());

    // The account the calls run for, recorded in the RPS ledger as who issued or cancelled a number; empty
    // where the server runs without accounts.
    void setUser(const QString& login) { user_ = login; }
    // What the calls run on, for the server's own work around them (the caller's checks, its audit row).
    db::Connection& connection() { return db_; }
    QDeadlineTimer deadline() const { return deadline_; }
    // The caller's row of the audit trail for the next write call, completed with the call's RPS and written
    // in the same batch as the call's writes, so that neither stands without the other; the call writes
    // nothing else. trailWritten() says whether a batch carried it: a refusal, or a success that wrote
    // nothing, leaves the row to the caller.
    void setTrail(const db::AuditEntry* entry) {
        trail_ = entry;
        trailWritten_ = false;
    }
    bool trailWritten() const { return trailWritten_; }
    // The RPS (series, number) the invoice stood with when the last write read it; empty when it had none
    // or was not found.
    const std::pair<QString, QString>& rpsRead() const { return rpsRead_; }

    EncodedPacket GetNotaFiscal(const InvoiceFilter& filter);
    // `code` and `all`: one operation type, or every type of the direction when `all` is "T".
    EncodedPacket GetTipoOper(const QString& code, const QString& all, const QString& direction);
    // `one` "S": that registration of the company; "N": all of the company's registrations.
    EncodedPacket GetInscrMunicip(const QString& company, const QString& registration, const QString& one);

    // Records a fresh witness of this database and answers it after the status (db/database_witness.h),
    // for the host to find through its own connection.
    Status IdentificaBanco();
    // Gives the invoice the next number of its RPS series, in one transaction, and answers the RPS series
    // and number after the status. Idempotent: an invoice already issued answers success with its number
    // and spends nothing, so a client may repeat a call whose answer it lost.
    Status PreparaImpressao(const QString& branch, const QString& entry);
    // Cancels the invoice's RPS in the ledger (its number stays spent) and frees the invoice.
    Status CancelaEmissao(const QString& branch, const QString& entry);
    // The signed DPS of the RPS that stands for the invoice, after the status; the same document kpv-nfse
    // exports for it. Reads only: it spends and records nothing.
    Status GeraDPS(const QString& branch, const QString& entry);

    // The invoices of the writes to come, read ahead together: the calls take theirs from `ahead` (which
    // outlives them) instead of reading it.
    void useReadAhead(InvoicesReadAhead* ahead) { readAhead_ = ahead; }

  private:
    InvoiceState invoice(const QString& branch, const QString& entry);
    // The call's writes, and with them the caller's row of the trail about the RPS `rpsSeries`/`rpsNumber`:
    // all of it stands or none; the last the call asks of the database.
    db::WriteResult write(db::WriteBatch& batch, const QString& rpsSeries,
                          const db::WriteBatch::Operand& rpsNumber);

    db::Connection& db_;
    QDeadlineTimer deadline_;
    const nfse::DpsSigner& signer_;
    QString user_;
    const db::AuditEntry* trail_ = nullptr;
    InvoicesReadAhead* readAhead_ = nullptr;
    bool trailWritten_ = false;
    std::pair<QString, QString> rpsRead_;
};

}  // namespace kpv::server
