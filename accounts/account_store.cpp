#include "accounts/account_store.h"

#include "db/connection.h"
#include "protocol/codes.h"

namespace kpv::accounts {

namespace {

const QString kFind = QStringLiteral(
    "SELECT CDUSUARIO, NMUSUARIO, DSSENHA, IDATIVO, DSDIREITOS FROM USUARIOSERV WHERE CDUSUARIO = ?");
const QString kAll = QStringLiteral(
    "SELECT CDUSUARIO, NMUSUARIO, DSSENHA, IDATIVO, DSDIREITOS FROM USUARIOSERV ORDER BY CDUSUARIO");
const QString kAdd = QStringLiteral(
    "INSERT INTO USUARIOSERV (CDUSUARIO, NMUSUARIO, DSSENHA, IDATIVO, DSDIREITOS) VALUES (?, ?, ?, ?, ?)");

QString yesNo(bool value) {
    return value ? protocol::kSim : protocol::kNao;
}

Account read(const db::Statement& q) {
    Account a;
    a.login = q.string(0).trimmed();
    a.name = q.string(1);
    a.passwordHash = q.string(2);
    a.active = q.string(3).trimmed() == protocol::kSim;
    QString ignored;
    a.rights = Rights::Parse(q.string(4), &ignored).value_or(Rights());
    return a;
}

}  // namespace

std::optional<Account> AccountStore::find(const QString& login) {
    db::Statement& q = db_.prepare(kFind);
    q.execute({login});
    if (!q.next()) return std::nullopt;
    Account a = read(q);
    q.finish();
    return a;
}

std::vector<Account> AccountStore::all() {
    db::Statement& q = db_.prepare(kAll);
    q.execute({});
    std::vector<Account> accounts;
    while (q.next()) accounts.push_back(read(q));
    return accounts;
}

bool AccountStore::anyActive() {
    db::Statement& q = db_.prepare(QStringLiteral("SELECT CDUSUARIO FROM USUARIOSERV WHERE IDATIVO = ?"));
    q.execute({protocol::kSim});
    const bool any = q.next();
    q.finish();
    return any;
}

void AccountStore::add(const Account& a) {
    if (find(a.login)) throw AccountError(QStringLiteral("a conta %1 já existe").arg(a.login));
    db_.prepare(kAdd).execute({a.login, a.name, a.passwordHash, yesNo(a.active), a.rights.text()});
}

bool AccountStore::setActive(const QString& login, bool active) {
    db::Statement& q = db_.prepare(QStringLiteral("UPDATE USUARIOSERV SET IDATIVO = ? WHERE CDUSUARIO = ?"));
    q.execute({yesNo(active), login});
    return q.rowsAffected() == 1;
}

bool AccountStore::setPasswordHash(const QString& login, const QString& hash) {
    db::Statement& q = db_.prepare(QStringLiteral("UPDATE USUARIOSERV SET DSSENHA = ? WHERE CDUSUARIO = ?"));
    q.execute({hash, login});
    return q.rowsAffected() == 1;
}

bool AccountStore::setRights(const QString& login, const Rights& rights) {
    db::Statement& q =
        db_.prepare(QStringLiteral("UPDATE USUARIOSERV SET DSDIREITOS = ? WHERE CDUSUARIO = ?"));
    q.execute({rights.text(), login});
    return q.rowsAffected() == 1;
}

}  // namespace kpv::accounts
