#include "nfse/rps/nfse_import.h"

#include "db/audit_trail.h"
#include "db/connection.h"
#include "db/write_transaction.h"
#include "nfse/layout_time.h"
#include "nfse/nfse_document.h"
#include "nfse/nfse_error.h"
#include "protocol/codes.h"

#include <QCryptographicHash>
#include <QDateTime>

namespace kpv::nfse {

namespace {

constexpr std::chrono::seconds kWriteDeadline{30};

const QString kExported = QStringLiteral(
    "SELECT X.CDEMPRESA, X.CDINSCMUNI, X.CDSERIERPS, X.NRRPS, X.CDFILIAL, X.NRLANCTONF, R.IDSITRPS,"
    "       N.NRNOTAFISCSE"
    "  FROM DPSEXPORTADA X"
    "  LEFT JOIN RPSEMITIDO R ON R.CDEMPRESA = X.CDEMPRESA AND R.CDINSCMUNI = X.CDINSCMUNI"
    "                        AND R.CDSERIERPS = X.CDSERIERPS AND R.NRRPS = X.NRRPS"
    "  LEFT JOIN NFSERECEBIDA N ON N.CDDPS = X.CDDPS"
    " WHERE X.CDDPS = ?");

// Only while the RPS still stands, not transmitted otherwise (or with the city's return awaited).
const QString kMarkTransmitted = QStringLiteral(
    "UPDATE NOTAFISCAL SET NRNOTAFISCSE = ?, IDTRANSMISRPS = ?"
    " WHERE CDFILIAL = ? AND NRLANCTONF = ? AND IDEMISSAORPS = ? AND CDSERIERPS = ? AND NRRPS = ?"
    "   AND IDTRANSMISRPS IN (?, ?)"
    "   AND EXISTS (SELECT 1 FROM RPSEMITIDO R WHERE R.CDEMPRESA = ? AND R.CDINSCMUNI = ?"
    "               AND R.CDSERIERPS = ? AND R.NRRPS = ? AND R.IDSITRPS = ?)");

const QString kRecordNfse = QStringLiteral(
    "INSERT INTO NFSERECEBIDA (CDDPS, NRNOTAFISCSE, DTRECNFSE, DSSHA256NFSE) VALUES (?, ?, ?, ?)");

const QString kNothingChanged = QStringLiteral(" Nada foi alterado.");

struct Exported {
    IssuedRps rps;
    QString ledger;    // IDSITRPS; empty when the ledger lost the RPS
    QString received;  // the NFS-e number recorded for it before; empty for none
};

std::optional<Exported> exportedOf(db::Connection& connection, const QString& id) {
    db::Statement& q = connection.prepare(kExported);
    q.execute({id});
    if (!q.next()) return std::nullopt;
    const auto text = [&q](const char* column) { return q.string(q.column(column)).trimmed(); };
    Exported e{{text("CDEMPRESA"), text("CDINSCMUNI"), text("CDSERIERPS"), q.integer(q.column("NRRPS")),
                text("CDFILIAL"), text("NRLANCTONF")},
               text("IDSITRPS"),
               text("NRNOTAFISCSE")};
    q.finish();
    return e;
}

// The parts of the DPS whose values differ, by their layout names.
QStringList differences(const Dps& exported, const Dps& received) {
    QStringList parts;
    const auto differ = [&](bool same, const char* part) {
        if (!same) parts << QString::fromLatin1(part);
    };
    differ(exported.tpAmb == received.tpAmb, "tpAmb");
    differ(LayoutDateTime(exported.dhEmi) == LayoutDateTime(received.dhEmi), "dhEmi");
    differ(exported.dCompet == received.dCompet, "dCompet");
    differ(exported.cLocEmi == received.cLocEmi, "cLocEmi");
    differ(exported.prest == received.prest, "prest");
    differ(exported.toma == received.toma, "toma");
    differ(exported.serv == received.serv, "serv");
    differ(exported.valores == received.valores, "valores");
    return parts;
}

}  // namespace

ImportedNfse ImportNfse(db::Connection& connection, const QByteArray& document, const DpsOrigin& origin) {
    const ReceivedNfse received = ReadNfse(document);
    const std::optional<Exported> exported = exportedOf(connection, received.dpsId);
    if (!exported)
        throw NfseError(QStringLiteral("A NFS-e nº %1 é da DPS %2, que não foi exportada por este sistema.")
                            .arg(received.nNFSe, received.dpsId) +
                        kNothingChanged);
    const IssuedRps& rps = exported->rps;
    ImportedNfse imported{received.nNFSe, rps, false};
    if (!exported->received.isEmpty()) {
        if (exported->received == received.nNFSe) {
            imported.already = true;
            return imported;
        }
        throw NfseError(QStringLiteral("O %1 já tem a NFS-e nº %2; esta NFS-e traz o nº %3.")
                            .arg(rps.describe(), exported->received, received.nNFSe) +
                        kNothingChanged);
    }
    if (exported->ledger == kLedgerCancelled)
        throw NfseError(
            QStringLiteral("O %1 foi cancelado depois de exportado: a NFS-e nº %2 não vale para ele e "
                           "deve ser cancelada no ambiente nacional.")
                .arg(rps.describe(), received.nNFSe) +
            kNothingChanged);
    if (exported->ledger != kLedgerIssued)
        throw NfseError(
            QStringLiteral("O %1 não consta mais como emitido no controle de RPS.").arg(rps.describe()) +
            kNothingChanged);

    const std::optional<RpsDps> standing = ReadStandingRps(connection, rps.branch, rps.entry, origin);
    if (!standing || standing->rps.number != rps.number || standing->rps.series != rps.series)
        throw NfseError(QStringLiteral("A nota fiscal do %1 não tem mais este RPS.").arg(rps.describe()) +
                        kNothingChanged);
    if (!standing->dps)
        throw NfseError(
            QStringLiteral("O %1 não forma mais a sua DPS: %2").arg(rps.describe(), standing->refusal) +
            kNothingChanged);
    if (standing->transmission != protocol::kNaoTransmitido &&
        standing->transmission != protocol::kRetornoPendente)
        throw NfseError(QStringLiteral("A nota fiscal do %1 já consta como transmitida (código %2%3).")
                            .arg(rps.describe(), standing->transmission,
                                 standing->nfseNumber.isEmpty()
                                     ? QString()
                                     : QStringLiteral(", NFS-e nº ") + standing->nfseNumber) +
                        kNothingChanged);
    // The application's version may have changed since the export: it says nothing of the service.
    Dps expected = *standing->dps;
    expected.verAplic = received.dps.verAplic;
    if (!(expected == received.dps))
        throw NfseError(
            QStringLiteral("A DPS da NFS-e nº %1 não é a que o %2 dá hoje: diferem %3.")
                .arg(received.nNFSe, rps.describe(), differences(expected, received.dps).join(u", ")) +
            kNothingChanged);

    const QString sha256 =
        QString::fromLatin1(QCryptographicHash::hash(document, QCryptographicHash::Sha256).toHex());
    const QDateTime now = QDateTime::currentDateTime();
    bool marked = false;
    db::RunWriteTransaction(
        connection,
        [&] {
            db::Statement& invoice = connection.prepare(kMarkTransmitted);
            invoice.execute({received.nNFSe, protocol::kTransmitido, rps.branch, rps.entry,
                             protocol::kEmitido, rps.series, QString::number(rps.number),
                             protocol::kNaoTransmitido, protocol::kRetornoPendente, rps.company,
                             rps.municipalRegistration, rps.series, rps.number, kLedgerIssued});
            marked = invoice.rowsAffected() == 1;
            if (!marked) return false;
            connection.prepare(kRecordNfse)
                .execute({received.dpsId, received.nNFSe, now.addMSecs(-now.time().msec()), sha256});
            db::RecordAudit(connection, {QString(), db::LocalOperator(), QStringLiteral("ImportaNFSe"),
                                         rps.branch, rps.entry, rps.series, QString::number(rps.number),
                                         QStringLiteral("ok: NFS-e nº ") + received.nNFSe});
            return true;
        },
        QDeadlineTimer(kWriteDeadline));
    if (!marked)
        throw NfseError(
            QStringLiteral("A nota fiscal do %1 mudou enquanto a NFS-e era registrada.").arg(rps.describe()) +
            kNothingChanged);
    return imported;
}

}  // namespace kpv::nfse
