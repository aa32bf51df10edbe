#pragma once

#include "appserver/invoice_filter.h"
#include "protocol/call_timeout.h"
#include "protocol/data_packet.h"

#include <QSqlDatabase>
#include <QString>

#include <chrono>

namespace kpv::db {
class Dialect;
}

namespace kpv::server {

// {"S", ""} on success, {"N", reason} for a refusal the user reads.
struct Status {
    QString code;
    QString text;

    static Status ok() { return {QStringLiteral("S"), QString()}; }
    static Status refused(const QString& reason) { return {QStringLiteral("N"), reason}; }
};

// How long a write may wait for other writers before it gives up. Far below the clients' call timeout:
// nothing is committed after the client stopped waiting, and a blocked write holds the single-threaded
// server, every other connection included, only that long.
constexpr std::chrono::milliseconds kWriteDeadline{protocol::kCallTimeoutMs / 3};

// The remote data module "Kpv41000.rdmEmissaoRPS": the five methods over the application database.
// Database failures raise ServerFault (database_error, or database_busy for a write past its deadline);
// refusals are Status values.
class TrdmEmissaoRPS {
  public:
    // Throws db::DatabaseError when the server cannot write to that kind of database.
    explicit TrdmEmissaoRPS(QSqlDatabase db, std::chrono::milliseconds writeDeadline = kWriteDeadline);

    protocol::DataPacket GetNotaFiscal(const InvoiceFilter& filter);
    // `code` and `all`: one operation type, or every type of the direction when `all` is "T".
    protocol::DataPacket GetTipoOper(const QString& code, const QString& all, const QString& direction);
    // `one` "S": that registration of the company; "N": all of the company's registrations.
    protocol::DataPacket GetInscrMunicip(const QString& company, const QString& registration,
                                         const QString& one);

    // Gives the invoice the next number of its RPS series, in one transaction; idempotent.
    Status PreparaImpressao(const QString& branch, const QString& entry);
    // Cancels the invoice's RPS in the ledger (its number stays spent) and frees the invoice.
    Status CancelaEmissao(const QString& branch, const QString& entry);

  private:
    QSqlDatabase db_;
    const db::Dialect& dialect_;
    std::chrono::milliseconds writeDeadline_;
};

}  // namespace kpv::server
