#pragma once

#include <QString>

#include <vector>

namespace kpv::db {
class Connection;
}

namespace kpv::nfse {

// A branch as its DPS name the provider: the CNPJ a certificate must carry to sign for it.
struct BranchRegistration {
    QString branch;
    QString name;
    QString cnpj;  // the branch's own, or its company's where it has none, as the RPS prints it
};

// Every branch, in code order. Throws db::DatabaseError.
std::vector<BranchRegistration> ReadBranchRegistrations(db::Connection& connection);

}  // namespace kpv::nfse
