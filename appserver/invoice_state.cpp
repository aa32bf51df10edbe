#include "appserver/invoice_state.h"

#include "db/connection.h"

#include <algorithm>

namespace kpv::server {

namespace {

// The invoice with whether its RPS series has a counter for the registration.
const QString kInvoiceSelect = QStringLiteral(
    "SELECT NF.CDFILIAL, NF.NRLANCTONF, NF.CDEMPRESA, NF.CDINSCMUNI, NF.CDSERIE, NF.IDEMISSAORPS,"
    "       NF.IDTRANSMISRPS, NF.CDSERIERPS, NF.NRRPS, S.CDSERIERPS AS CDSERIERPSSERIE, M.NRDIASCONVRPS,"
    "       R.CDSERIERPS AS CDSERIECONTADOR"
    "  FROM NOTAFISCAL NF"
    "  LEFT JOIN SERIENF S ON S.CDEMPRESA = NF.CDEMPRESA AND S.CDINSCESTA = NF.CDINSCESTA"
    "                     AND S.CDINSCMUNI = NF.CDINSCMUNI AND S.CDSERIE = NF.CDSERIE"
    "  LEFT JOIN SERIERPS R ON R.CDEMPRESA = NF.CDEMPRESA AND R.CDINSCMUNI = NF.CDINSCMUNI"
    "                      AND R.CDSERIERPS = COALESCE(NF.CDSERIERPS, S.CDSERIERPS)"
    "  LEFT JOIN INSCRMUNIC IM ON IM.CDEMPRESA = NF.CDEMPRESA AND IM.CDINSCMUNI = NF.CDINSCMUNI"
    "  LEFT JOIN MUNICIPIO M ON M.CDPAIS = IM.CDPAIS AND M.SGESTADO = IM.SGESTADO"
    "                       AND M.CDMUNICIPIO = IM.CDMUNICIPIO");

const QString kOneInvoice = QStringLiteral(" (NF.CDFILIAL = ? AND NF.NRLANCTONF = ?)");

// The statement for `count` invoices. Counts are rounded up to a power of two (the last invoice repeated),
// so that a connection keeps a few statements prepared rather than one for every size of group.
QString selectOf(std::size_t count) {
    QString sql = kInvoiceSelect + QStringLiteral(" WHERE") + kOneInvoice;
    for (std::size_t i = 1; i < count; ++i) sql += QStringLiteral(" OR") + kOneInvoice;
    return sql;
}

std::size_t roundedUp(std::size_t count) {
    std::size_t rounded = 1;
    while (rounded < count) rounded *= 2;
    return rounded;
}

InvoiceState stateOf(const db::Statement& q) {
    InvoiceState s;
    s.found = true;
    s.company = q.string(q.column("CDEMPRESA"));
    s.municipalRegistration = q.string(q.column("CDINSCMUNI"));
    s.series = q.string(q.column("CDSERIE"));
    s.idEmissao = q.string(q.column("IDEMISSAORPS")).trimmed();
    s.idTransmissao = q.string(q.column("IDTRANSMISRPS")).trimmed();
    const int own = q.column("CDSERIERPS");
    s.rpsSeries = q.isNull(own) ? q.string(q.column("CDSERIERPSSERIE")) : q.string(own);
    s.rpsNumber = q.string(q.column("NRRPS"));
    const int days = q.column("NRDIASCONVRPS");
    if (!q.isNull(days)) s.conversionDays = int(q.integer(days));
    s.counted = !q.isNull(q.column("CDSERIECONTADOR"));
    return s;
}

}  // namespace

std::pair<QString, QString> InvoiceState::standingRps() const {
    if (rpsNumber.trimmed().isEmpty()) return {};
    return {rpsSeries.trimmed(), rpsNumber.trimmed()};
}

QString InvoiceState::counter() const {
    if (!found || !status().notEmitted()) return {};
    return company + u'|' + municipalRegistration + u'|' + rpsSeries;
}

InvoiceState ReadInvoiceState(db::Connection& db, const QString& branch, const QString& entry) {
    db::Statement& q = db.prepare(selectOf(1));
    q.execute({branch, entry});
    if (!q.next()) return {};
    InvoiceState s = stateOf(q);
    q.finish();
    return s;
}

void InvoicesReadAhead::read(db::Connection& db, const std::vector<Invoice>& invoices) {
    states_.clear();
    if (invoices.empty()) return;
    const std::size_t count = roundedUp(invoices.size());
    std::vector<db::Value> binds;
    binds.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const Invoice& invoice = invoices[std::min(i, invoices.size() - 1)];
        binds.emplace_back(invoice.first);
        binds.emplace_back(invoice.second);
    }
    db::Statement& q = db.prepare(selectOf(count));
    q.execute(binds);
    // Only what was found: a call whose invoice is not here reads it itself, and finds out for itself.
    const int branch = q.column("CDFILIAL"), entry = q.column("NRLANCTONF");
    while (q.next()) states_.insert_or_assign({q.string(branch), q.string(entry)}, stateOf(q));
}

const InvoiceState* InvoicesReadAhead::find(const Invoice& invoice) const {
    const auto found = states_.find(invoice);
    return found == states_.end() ? nullptr : &found->second;
}

bool InvoicesReadAhead::take(const Invoice& invoice, InvoiceState& state) {
    const auto found = states_.find(invoice);
    if (found == states_.end()) return false;
    state = std::move(found->second);
    states_.erase(found);
    return true;
}

}  // namespace kpv::server
