#pragma once

#include "appserver/invoice_filter.h"
#include "nfse/rps/dps_signer.h"
#include "protocol/codes.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <utility>

namespace kpv::db {
class Connection;
}

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
    // The caller holds a savepoint around each write and takes a refusal back itself, so the writes need
    // none of their own.
    void setWritesGuarded(bool guarded) { writesGuarded_ = guarded; }
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

    // The RPS counter PreparaImpressao would take for the invoice ("company|registration|series"), empty
    // when there is none: the server's writer takes the counters of a group in this order, the same on
    // every server, so that the groups of two servers never wait for each other in a circle.
    QString CounterOf(const QString& branch, const QString& entry);

  private:
    db::Connection& db_;
    QDeadlineTimer deadline_;
    const nfse::DpsSigner& signer_;
    QString user_;
    bool writesGuarded_ = false;
    std::pair<QString, QString> rpsRead_;
};

}  // namespace kpv::server
