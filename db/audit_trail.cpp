#include "db/audit_trail.h"

#include "db/connection.h"

#include <QRandomGenerator>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace kpv::db {

namespace {

const QString kInsert = QStringLiteral(
    "INSERT INTO AUDITORIASERV (CDAUDITORIA, DTAUDITORIA, CDUSUARIO, DSENDERECO, DSACAO, CDFILIAL, "
    "NRLANCTONF,"
    " CDSERIERPS, NRRPS, DSRESULTADO) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");

constexpr qsizetype kOutcomeSize = 500;

}  // namespace

QString LocalOperator() {
    const passwd* account = getpwuid(getuid());
    char machine[256] = {};
    gethostname(machine, sizeof machine - 1);
    const QString user = account ? QString::fromLocal8Bit(account->pw_name) : QString::number(getuid());
    return user + QLatin1Char('@') + QString::fromLocal8Bit(machine);
}

QString AuditKeyAt(const QDateTime& when) {
    return QStringLiteral("%1").arg(std::max<qint64>(0, when.toMSecsSinceEpoch()), 12, 16, QLatin1Char('0'));
}

QString NewAuditKey(const QDateTime& when) {
    quint32 random[3];
    QRandomGenerator::system()->fillRange(random);
    QString key = AuditKeyAt(when);
    for (const quint32 r : random) key += QStringLiteral("%1").arg(r, 8, 16, QLatin1Char('0'));
    return key.left(32);
}

void AddAudit(WriteBatch& batch, const AuditEntry& e, const WriteBatch::Operand& rpsNumber) {
    // Stored as the UTC wall-clock time, whatever the zone of the server that writes it.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString outcome = e.outcome;
    if (outcome.size() > kOutcomeSize) outcome = outcome.left(kOutcomeSize - 1) + QChar(0x2026);
    // The columns' sizes: a login typed at a failed sign-in may be any text.
    batch.add(kInsert, {Value(NewAuditKey(now)), Value(now), TextOrNull(e.login.left(30)),
                        TextOrNull(e.address.left(64)), Value(e.action.left(30)), TextOrNull(e.branch),
                        TextOrNull(e.entry), TextOrNull(e.rpsSeries), rpsNumber, Value(outcome)});
}

void RecordAudit(Connection& connection, const AuditEntry& e) {
    WriteBatch batch;
    AddAudit(batch, e, TextOrNull(e.rpsNumber));
    connection.write(batch);
}

}  // namespace kpv::db
