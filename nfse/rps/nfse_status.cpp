#include "nfse/rps/nfse_status.h"

#include "db/connection.h"
#include "nfse/rps/issued_rps.h"
#include "protocol/codes.h"

namespace kpv::nfse {

namespace {

const QString kToExport = QStringLiteral(
    "SELECT COUNT(*) AS N FROM RPSEMITIDO R"
    "  JOIN NOTAFISCAL NF ON NF.CDFILIAL = R.CDFILIAL AND NF.NRLANCTONF = R.NRLANCTONF"
    " WHERE R.IDSITRPS = ? AND NF.IDEMISSAORPS = ? AND NF.CDSERIERPS = R.CDSERIERPS"
    "   AND NF.NRRPS = CAST(R.NRRPS AS VARCHAR(30)) AND NF.IDTRANSMISRPS = ?"
    "   AND NOT EXISTS (SELECT 1 FROM DPSEXPORTADA X WHERE X.CDEMPRESA = R.CDEMPRESA"
    "                   AND X.CDINSCMUNI = R.CDINSCMUNI AND X.CDSERIERPS = R.CDSERIERPS AND X.NRRPS = "
    "R.NRRPS)");

const QString kAwaiting = QStringLiteral(
    "SELECT COUNT(*) AS N FROM DPSEXPORTADA X"
    "  JOIN RPSEMITIDO R ON R.CDEMPRESA = X.CDEMPRESA AND R.CDINSCMUNI = X.CDINSCMUNI"
    "                   AND R.CDSERIERPS = X.CDSERIERPS AND R.NRRPS = X.NRRPS"
    " WHERE R.IDSITRPS = ? AND NOT EXISTS (SELECT 1 FROM NFSERECEBIDA N WHERE N.CDDPS = X.CDDPS)");

const QString kReceived = QStringLiteral(
    "SELECT COUNT(*) AS N FROM NFSERECEBIDA N JOIN DPSEXPORTADA X ON X.CDDPS = N.CDDPS"
    " WHERE 1 = 1");

const QString kCancelled = QStringLiteral(
    "SELECT X.CDDPS, X.CDEMPRESA, X.CDINSCMUNI, X.CDSERIERPS, X.NRRPS, X.CDFILIAL, X.NRLANCTONF"
    "  FROM DPSEXPORTADA X"
    "  JOIN RPSEMITIDO R ON R.CDEMPRESA = X.CDEMPRESA AND R.CDINSCMUNI = X.CDINSCMUNI"
    "                   AND R.CDSERIERPS = X.CDSERIERPS AND R.NRRPS = X.NRRPS"
    " WHERE R.IDSITRPS = ?");
const QString kExportOrder = QStringLiteral(" ORDER BY X.CDEMPRESA, X.CDINSCMUNI, X.CDSERIERPS, X.NRRPS");

// The statement with the codes it compares with, for one company or for all when `company` is empty.
struct Scoped {
    QString sql;
    std::vector<db::Value> binds;
};
Scoped scoped(const QString& sql, std::vector<db::Value> codes, const char* companyColumn,
              const QString& company) {
    if (company.isEmpty()) return {sql, std::move(codes)};
    codes.emplace_back(company);
    return {sql + QStringLiteral(" AND %1 = ?").arg(QLatin1String(companyColumn)), std::move(codes)};
}

qsizetype count(db::Connection& connection, const Scoped& statement) {
    db::Statement& q = connection.prepare(statement.sql);
    q.execute(statement.binds);
    q.next();
    const qsizetype n = q.integer(q.column("N"));
    q.finish();
    return n;
}

}  // namespace

NfseStatus ReadNfseStatus(db::Connection& connection, const QString& company) {
    NfseStatus status;
    connection.begin(db::Access::Read, std::chrono::milliseconds::zero());
    try {
        status.toExport = count(
            connection, scoped(kToExport, {kLedgerIssued, protocol::kEmitido, protocol::kNaoTransmitido},
                               "R.CDEMPRESA", company));
        status.awaitingNfse = count(connection, scoped(kAwaiting, {kLedgerIssued}, "X.CDEMPRESA", company));
        status.nfseReceived = count(connection, scoped(kReceived, {}, "X.CDEMPRESA", company));
        const Scoped cancelled = scoped(kCancelled, {kLedgerCancelled}, "X.CDEMPRESA", company);
        db::Statement& q = connection.prepare(cancelled.sql + kExportOrder);
        q.execute(cancelled.binds);
        while (q.next()) {
            const auto text = [&q](const char* column) { return q.string(q.column(column)).trimmed(); };
            status.cancelledAfterExport.push_back(
                {text("CDDPS"),
                 {text("CDEMPRESA"), text("CDINSCMUNI"), text("CDSERIERPS"), q.integer(q.column("NRRPS")),
                  text("CDFILIAL"), text("NRLANCTONF")}});
        }
        connection.commit();
    } catch (...) {
        connection.rollback();
        throw;
    }
    return status;
}

}  // namespace kpv::nfse
