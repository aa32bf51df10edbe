#include "appserver/rdm_emissao_rps.h"

#include "appserver/footer.h"
#include "appserver/invoice_list_query.h"
#include "appserver/invoice_state.h"
#include "appserver/packet_rows.h"
#include "appserver/server_fault.h"
#include "db/audit_trail.h"
#include "db/connection.h"
#include "db/database_witness.h"
#include "db/savepoint.h"
#include "db/write_batch.h"
#include "db/write_transaction.h"
#include "nfse/nfse_error.h"
#include "nfse/rps/issued_rps.h"
#include "protocol/codes.h"
#include "protocol/invoice_status.h"
#include "protocol/packet_fields.h"
#include "protocol/packet_writer.h"

#include <charconv>
#include <string>
#include <unordered_map>

namespace kpv::server {

namespace {

using db::Statement;
using db::Value;
using protocol::PacketWriter;

// Bumped and read in one statement: the counter row is the lock that queues concurrent issuers of
// the series. Firebird skips a row whose lock it waited for once the holder committed: the counter that
// was there when the invoice was read was taken by another writer, and the issue starts over.
const QString kBumpCounter = QStringLiteral(
    "UPDATE SERIERPS SET NRULTRPS = NRULTRPS + 1"
    " WHERE CDEMPRESA = ? AND CDINSCMUNI = ? AND CDSERIERPS = ? RETURNING NRULTRPS");

const QString kRecordRps = QStringLiteral(
    "INSERT INTO RPSEMITIDO (CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRRPS, CDFILIAL, NRLANCTONF, DTEMISRPS,"
    " IDSITRPS, DTSITRPS, CDUSUARIOEMIS) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

const QString kIssueInvoice = QStringLiteral(
    "UPDATE NOTAFISCAL SET IDEMISSAORPS = ?, CDSERIERPS = ?, NRRPS = ?, DTEMISRPS = ?, DTLIMCONVNFSE = ?"
    " WHERE CDFILIAL = ? AND NRLANCTONF = ? AND IDEMISSAORPS = ?");

const QString kIssuedInLedger = QStringLiteral(
    "SELECT COUNT(*) AS ISSUED FROM RPSEMITIDO WHERE CDFILIAL = ? AND NRLANCTONF = ? AND IDSITRPS = ?");

const QString kCancelRps = QStringLiteral(
    "UPDATE RPSEMITIDO SET IDSITRPS = ?, DTSITRPS = ?, CDUSUARIOCANC = ?"
    " WHERE CDFILIAL = ? AND NRLANCTONF = ? AND IDSITRPS = ?");

// The invoice is free again; a return pending from the city goes with the cancelled RPS.
const QString kFreeInvoice = QStringLiteral(
    "UPDATE NOTAFISCAL SET IDEMISSAORPS = ?, IDTRANSMISRPS = ?, CDSERIERPS = NULL, NRRPS = NULL,"
    " DTEMISRPS = NULL, DTLIMCONVNFSE = NULL"
    " WHERE CDFILIAL = ? AND NRLANCTONF = ? AND IDEMISSAORPS = ?");

// Stored times keep whole seconds, as the dates the user reads.
QDateTime nowToTheSecond() {
    const QDateTime now = QDateTime::currentDateTime();
    const QTime t = now.time();
    return QDateTime(now.date(), QTime(t.hour(), t.minute(), t.second()));
}

QString notFound(const QString& branch, const QString& entry) {
    return QStringLiteral("Nota fiscal não encontrada (filial %1, lançamento %2).").arg(branch, entry);
}

bool issued(std::string_view idEmissao) {
    return idEmissao == protocol::Utf8Of(protocol::kEmitido);
}

// A reading of a few statements in one read transaction, so they see one state of the database.
class Reading {
  public:
    explicit Reading(db::Connection& db) : db_(db) {
        db_.begin(db::Access::Read, std::chrono::milliseconds::zero());
    }
    ~Reading() {
        if (db_.inTransaction()) db_.rollback();
    }
    void done() { db_.commit(); }

  private:
    db::Connection& db_;
};

// Footers repeat: most rows of a list share their operation type and, once issued, a handful of
// deadlines. Each distinct one is made once.
class FooterCache {
  public:
    explicit FooterCache(const QDate& today) : today_(today) {}

    // `deadline` counts for an issued invoice only, the only kind whose footer shows it.
    std::string_view footer(std::string_view operation, std::string_view type, std::string_view name,
                            std::string_view idEmissao, const QDate& deadline) {
        key_.assign(operation).append(1, '\0').append(type).append(1, '\0').append(name).append(1, '\0');
        const bool shown = issued(idEmissao);
        const QDate date = shown ? deadline : QDate();
        key_.push_back(shown ? '+' : '-');
        if (date.isValid()) {
            char digits[24];
            key_.append(digits, std::to_chars(digits, digits + sizeof digits, date.toJulianDay()).ptr);
        }
        auto found = cache_.find(key_);
        if (found == cache_.end()) {
            const auto q = [](std::string_view t) {
                return QString::fromUtf8(t.data(), qsizetype(t.size()));
            };
            const QString text =
                InvoiceFooter(q(operation).trimmed() + q(type), q(name), q(idEmissao), date, today_);
            found = cache_.emplace(key_, text.toUtf8().toStdString()).first;
        }
        return found->second;
    }

  private:
    QDate today_;
    std::string key_;
    std::unordered_map<std::string, std::string> cache_;
};

// Runs the write so that a refusal leaves nothing of what the work wrote before it found its reason: inside
// the transaction the server's writer holds open for a group of writes, which the writer commits (in a
// savepoint of its own unless the work writes in one batch, which stands or falls whole); in a transaction
// of its own, committed only when the work succeeds, otherwise.
Status writing(db::Connection& db, const QDeadlineTimer& deadline, bool batched,
               const std::function<Status()>& work) {
    if (db.inTransaction()) {
        if (batched) return work();
        db::Savepoint savepoint(db);
        Status status = work();
        if (status.code == protocol::kSim)
            savepoint.release();
        else
            savepoint.rollback();
        return status;
    }
    Status status;
    db::RunWriteTransaction(
        db,
        [&] {
            status = work();
            return status.code == protocol::kSim;
        },
        deadline);
    return status;
}

}  // namespace

TrdmEmissaoRPS::TrdmEmissaoRPS(db::Connection& connection, const QDeadlineTimer& deadline,
                               const nfse::DpsSigner& signer)
    : db_(connection), deadline_(deadline), signer_(signer) {}

EncodedPacket TrdmEmissaoRPS::GetNotaFiscal(const InvoiceFilter& f) {
    EncodedPacket result;
    PacketWriter w(result.body, protocol::InvoiceFields());
    if (f.selectsNothing()) {
        result.rows = w.finish();
        return result;
    }

    const InvoiceListQuery query = InvoiceListStatement(f);
    Reading reading(db_);
    Statement& q = db_.prepare(query.sql);
    q.execute(query.binds);
    const std::vector<FieldFill> fills = FillsOf(q, protocol::InvoiceDefinitions(),
                                                 {{"IDCHECK", FieldSource::Unticked},
                                                  {"IDEMISSAORPS", FieldSource::Code},
                                                  {"IDTRANSMISRPS", FieldSource::Code},
                                                  {"DADOSRODAPE", FieldSource::Made}});
    const int idEmissao = q.column("IDEMISSAORPS"), direction = q.column("IDOPERACAO"),
              type = q.column("CDTIPOOPER"), typeName = q.column("NMTIPOOPER"),
              deadline = q.column("DTLIMCONVNFSE");
    FooterCache footers(QDate::currentDate());
    while (q.next()) {
        WriteRow(w, q, fills, [&](const FieldFill&) {
            const std::string_view emission = CodeText(q, idEmissao);
            // The deadline is read only where the footer shows it.
            w.text(footers.footer(q.text(direction), q.text(type), q.text(typeName), emission,
                                  issued(emission) ? q.timestamp(deadline).date : QDate()));
        });
    }
    reading.done();
    result.rows = w.finish();
    return result;
}

EncodedPacket TrdmEmissaoRPS::GetTipoOper(const QString& code, const QString& all, const QString& direction) {
    if (!protocol::IsDirection(direction)) {
        throw InvalidArgument(
            QStringLiteral(
                "Direção da operação inválida: \"%1\" (use \"S\" para saída ou \"E\" para entrada).")
                .arg(direction));
    }
    QString sql = QStringLiteral("SELECT CDTIPOOPER, NMTIPOOPER FROM TIPOOPER WHERE IDOPERACAO = ?");
    std::vector<Value> binds{direction};
    if (all != protocol::kAll) {
        sql += QStringLiteral(" AND CDTIPOOPER = ?");
        binds.emplace_back(code);
    }
    sql += QStringLiteral(" ORDER BY CDTIPOOPER");

    EncodedPacket result;
    PacketWriter w(result.body, protocol::OperationTypeFields());
    Reading reading(db_);
    Statement& q = db_.prepare(sql);
    q.execute(binds);
    const std::vector<FieldFill> fills =
        FillsOf(q, protocol::OperationTypeDefinitions(),
                {{"IDMARCADO", FieldSource::Unticked}, {"CHAVE", FieldSource::Made}});
    const int type = q.column("CDTIPOOPER");
    while (q.next()) {
        WriteRow(w, q, fills,
                 [&](const FieldFill&) { w.text(protocol::OperationKey(direction, q.string(type))); });
    }
    reading.done();
    result.rows = w.finish();
    return result;
}

EncodedPacket TrdmEmissaoRPS::GetInscrMunicip(const QString& company, const QString& registration,
                                              const QString& one) {
    if (one != protocol::kSim && one != protocol::kNao) {
        throw InvalidArgument(
            QStringLiteral("O terceiro argumento de GetInscrMunicip deve ser \"S\" (uma inscrição) "
                           "ou \"N\" (todas), e não \"%1\".")
                .arg(one));
    }
    QString sql = QStringLiteral(
        "SELECT I.CDINSCMUNI, I.NMREPRINSMUN, I.NRCERTDIGNFSE, I.IDAMBTRABNFSE, I.CDPAIS, P.NMPAIS, "
        "I.SGESTADO,"
        "       E.NMESTADO, I.CDMUNICIPIO, M.NMMUNICIPIO, M.CDMUNICIBGE"
        "  FROM INSCRMUNIC I"
        "  LEFT JOIN PAIS P ON P.CDPAIS = I.CDPAIS"
        "  LEFT JOIN ESTADO E ON E.CDPAIS = I.CDPAIS AND E.SGESTADO = I.SGESTADO"
        "  LEFT JOIN MUNICIPIO M ON M.CDPAIS = I.CDPAIS AND M.SGESTADO = I.SGESTADO"
        "                       AND M.CDMUNICIPIO = I.CDMUNICIPIO"
        " WHERE I.CDEMPRESA = ?");
    std::vector<Value> binds{company};
    if (one == protocol::kSim) {
        sql += QStringLiteral(" AND I.CDINSCMUNI = ?");
        binds.emplace_back(registration);
    }
    sql += QStringLiteral(" ORDER BY I.CDINSCMUNI");

    EncodedPacket result;
    PacketWriter w(result.body, protocol::MunicipalRegistrationFields());
    Reading reading(db_);
    Statement& q = db_.prepare(sql);
    q.execute(binds);
    const std::vector<FieldFill> fills = FillsOf(q, protocol::MunicipalRegistrationDefinitions(), {});
    while (q.next()) WriteRow(w, q, fills, [](const FieldFill&) {});
    reading.done();
    result.rows = w.finish();
    return result;
}

Status TrdmEmissaoRPS::IdentificaBanco() {
    const QString witness = db::NewDatabaseWitness();
    return writing(db_, deadline_, false, [&] {
        db::RecordDatabaseWitness(db_, witness, nowToTheSecond());
        return Status::ok({witness});
    });
}

Status TrdmEmissaoRPS::PreparaImpressao(const QString& branch, const QString& entry) {
    return writing(db_, deadline_, trail_ != nullptr, [&]() -> Status {
        const InvoiceState s = invoice(branch, entry);
        rpsRead_ = s.standingRps();
        if (!s.found) return Status::refused(notFound(branch, entry));
        // Already issued: a client retrying after a lost answer gets its success, and nothing is spent.
        // Once the RPS has gone out as an NFS-e, the receipt is not printed again.
        if (s.status().emitted()) {
            if (!s.status().transmitted()) return Status::ok({s.rpsSeries, s.rpsNumber});
            return Status::refused(QStringLiteral(
                "O RPS desta nota fiscal já foi transmitido como NFS-e e não pode ser impresso novamente."));
        }
        if (s.status().substituted())
            return Status::refused(QStringLiteral("O RPS desta nota fiscal já foi substituído por NFS-e."));
        if (!s.status().notEmitted()) {
            return Status::refused(
                QStringLiteral("Situação de RPS desconhecida na nota fiscal: \"%1\".").arg(s.idEmissao));
        }
        if (!s.status().notTransmitted()) {
            if (s.status().transmitted()) {
                return Status::refused(
                    QStringLiteral("Nota fiscal já transmitida como NFS-e; o RPS não pode ser emitido."));
            }
            return Status::refused(
                QStringLiteral("Código de transmissão desconhecido na nota fiscal: \"%1\".")
                    .arg(s.idTransmissao));
        }
        if (s.rpsSeries.isEmpty()) {
            return Status::refused(
                QStringLiteral("A série %1 da nota fiscal não tem série de RPS definida.").arg(s.series));
        }
        if (!s.counted) {
            return Status::refused(
                QStringLiteral(
                    "A série de RPS %1 não tem controle de numeração para a inscrição municipal %2.")
                    .arg(s.rpsSeries, s.municipalRegistration));
        }

        const QDateTime now = nowToTheSecond();
        const QDate deadline = now.date().addDays(s.conversionDays);
        db::WriteBatch batch;
        const db::WriteBatch::Returned number =
            batch.addReturning(kBumpCounter, {s.company, s.municipalRegistration, s.rpsSeries});
        batch.add(kRecordRps, {s.company, s.municipalRegistration, s.rpsSeries, number, branch, entry, now,
                               nfse::kLedgerIssued, now, db::TextOrNull(user_)});
        // The invoice is still as it was read, or the issue starts over from its new state.
        batch.add(
            kIssueInvoice,
            {protocol::kEmitido, s.rpsSeries, number, now, deadline, branch, entry, protocol::kNaoEmitido},
            db::WriteBatch::Rows::One);
        const db::WriteResult written = write(batch, s.rpsSeries, number);
        return Status::ok({s.rpsSeries, QString::number(written.value(number))});
    });
}

InvoiceState TrdmEmissaoRPS::invoice(const QString& branch, const QString& entry) {
    InvoiceState s;
    if (readAhead_ && readAhead_->take({branch, entry}, s)) return s;
    return ReadInvoiceState(db_, branch, entry);
}

Status TrdmEmissaoRPS::CancelaEmissao(const QString& branch, const QString& entry) {
    return writing(db_, deadline_, trail_ != nullptr, [&]() -> Status {
        const InvoiceState s = invoice(branch, entry);
        rpsRead_ = s.standingRps();
        if (!s.found) return Status::refused(notFound(branch, entry));
        if (s.status().substituted()) {
            return Status::refused(QStringLiteral(
                "O RPS desta nota fiscal já foi substituído por NFS-e e não pode ser cancelado."));
        }
        if (!s.status().emitted())
            return Status::refused(QStringLiteral("A nota fiscal não tem RPS emitido."));
        if (!s.status().cancellable()) {
            return Status::refused(
                QStringLiteral("O RPS já foi transmitido como NFS-e e não pode ser cancelado."));
        }

        Statement& ledger = db_.prepare(kIssuedInLedger);
        ledger.execute({branch, entry, nfse::kLedgerIssued});
        const bool inLedger = ledger.next() && ledger.integer(0) == 1;
        ledger.finish();
        if (!inLedger) {
            return Status::refused(
                QStringLiteral("O RPS nº %1 da série %2 não consta como emitido no controle de RPS.")
                    .arg(s.rpsNumber, s.rpsSeries));
        }
        // The ledger and the invoice are still as they were read, or the cancel starts over from their new
        // state.
        db::WriteBatch batch;
        batch.add(kCancelRps,
                  {nfse::kLedgerCancelled, nowToTheSecond(), db::TextOrNull(user_), branch, entry,
                   nfse::kLedgerIssued},
                  db::WriteBatch::Rows::One);
        batch.add(kFreeInvoice,
                  {protocol::kNaoEmitido, protocol::kNaoTransmitido, branch, entry, protocol::kEmitido},
                  db::WriteBatch::Rows::One);
        write(batch, rpsRead_.first, db::TextOrNull(rpsRead_.second));
        return Status::ok();
    });
}

db::WriteResult TrdmEmissaoRPS::write(db::WriteBatch& batch, const QString& rpsSeries,
                                      const db::WriteBatch::Operand& rpsNumber) {
    if (trail_) {
        db::AuditEntry row = *trail_;
        row.rpsSeries = rpsSeries;
        db::AddAudit(batch, row, rpsNumber);
    }
    db::WriteResult written = db_.write(batch);
    trailWritten_ = trail_ != nullptr;
    return written;
}

Status TrdmEmissaoRPS::GeraDPS(const QString& branch, const QString& entry) {
    Reading reading(db_);
    const std::optional<nfse::RpsDps> rps = nfse::ReadStandingRps(db_, branch, entry, signer_.origin());
    if (!rps) {
        const bool found = ReadInvoiceState(db_, branch, entry).found;
        return Status::refused(found ? QStringLiteral("A nota fiscal não tem RPS emitido.")
                                     : notFound(branch, entry));
    }
    reading.done();
    if (!rps->dps)
        return Status::refused(
            QStringLiteral("A DPS do %1 não pôde ser gerada: %2").arg(rps->rps.describe(), rps->refusal));
    try {
        return Status::ok({QString::fromUtf8(signer_.sign(*rps->dps, branch))});
    } catch (const nfse::NfseError& e) {
        return Status::refused(
            QStringLiteral("A DPS do %1 não pôde ser gerada: %2").arg(rps->rps.describe(), e.message()));
    }
}

}  // namespace kpv::server
