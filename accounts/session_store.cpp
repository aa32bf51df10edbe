#include "accounts/session_store.h"

#include "db/connection.h"
#include "protocol/codes.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace kpv::accounts {

namespace {

constexpr QByteArrayView kPrefix = "kpvs.";
constexpr int kTokenWords = 8;  // 32 bytes

const QString kFind = QStringLiteral(
    "SELECT U.CDUSUARIO, U.NMUSUARIO, U.IDATIVO, U.DSDIREITOS, S.DTULTIMOUSO"
    "  FROM SESSAOSERV S JOIN USUARIOSERV U ON U.CDUSUARIO = S.CDUSUARIO"
    " WHERE S.CDSESSAO = ?");

QDateTime utc(const db::Timestamp& t) {
    return QDateTime(t.date, QTime::fromMSecsSinceStartOfDay(t.msecs), Qt::UTC);
}

}  // namespace

QString NewSessionToken() {
    quint32 words[kTokenWords];
    QRandomGenerator::system()->fillRange(words);
    const QByteArray text = QByteArray(reinterpret_cast<const char*>(words), sizeof words)
                                .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
    return QString::fromLatin1(kPrefix.toByteArray() + text);
}

bool IsSessionToken(QByteArrayView presented) {
    return presented.startsWith(kPrefix);
}

QByteArray SessionDigest(QByteArrayView token) {
    return QCryptographicHash::hash(token, QCryptographicHash::Sha256).toHex();
}

std::optional<Session> SessionStore::find(const QByteArray& digest) {
    db::Statement& q = db_.prepare(kFind);
    q.execute({QString::fromLatin1(digest)});
    if (!q.next()) return std::nullopt;
    Session s;
    s.account.login = q.string(0).trimmed();
    s.account.name = q.string(1);
    s.account.active = q.string(2).trimmed() == protocol::kSim;
    QString ignored;
    s.account.rights = Rights::Parse(q.string(3), &ignored).value_or(Rights());
    s.lastUsed = utc(q.timestamp(4));
    q.finish();
    return s;
}

void SessionStore::open(const QByteArray& digest, const QString& login, const QDateTime& now,
                        const QDateTime& idleSince) {
    db_.prepare(QStringLiteral("DELETE FROM SESSAOSERV WHERE DTULTIMOUSO < ?")).execute({idleSince});
    db_
        .prepare(QStringLiteral(
            "INSERT INTO SESSAOSERV (CDSESSAO, CDUSUARIO, DTCRIACAO, DTULTIMOUSO) VALUES (?, ?, ?, ?)"))
        .execute({QString::fromLatin1(digest), login, now, now});
}

void SessionStore::touch(const QByteArray& digest, const QDateTime& now) {
    db_.prepare(
           QStringLiteral("UPDATE SESSAOSERV SET DTULTIMOUSO = ? WHERE CDSESSAO = ? AND DTULTIMOUSO < ?"))
        .execute({now, QString::fromLatin1(digest), now});
}

void SessionStore::endAll(const QString& login) {
    db_.prepare(QStringLiteral("DELETE FROM SESSAOSERV WHERE CDUSUARIO = ?")).execute({login});
}

}  // namespace kpv::accounts
