#include "nfse/rps/branch_registrations.h"

#include "db/connection.h"
#include "nfse/rps/layout_text.h"

namespace kpv::nfse {

std::vector<BranchRegistration> ReadBranchRegistrations(db::Connection& connection) {
    db::Statement& q = connection.prepare(QStringLiteral(
        "SELECT F.CDFILIAL, F.NMFILIAL, COALESCE(F.NRCNPJFILI, E.NRCNPJEMPR) AS NRCNPJPRES"
        "  FROM FILIAL F LEFT JOIN EMPRESA E ON E.CDEMPRESA = F.CDEMPRESA ORDER BY F.CDFILIAL"));
    q.execute({});
    std::vector<BranchRegistration> branches;
    const int code = q.column("CDFILIAL"), name = q.column("NMFILIAL"), cnpj = q.column("NRCNPJPRES");
    while (q.next())
        branches.push_back({q.string(code).trimmed(), q.string(name).trimmed(), DigitsOf(q.string(cnpj))});
    return branches;
}

}  // namespace kpv::nfse
