#include "db/database_witness.h"

#include "db/connection.h"
#include "db/sql.h"

#include <QRandomGenerator>
#include <QSqlQuery>

namespace kpv::db {

namespace {
constexpr int kKeptDays = 1;
}  // namespace

QString NewDatabaseWitness() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString text;
    for (const quint32 w : words) text += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0'));
    return text;
}

void RecordDatabaseWitness(Connection& connection, const QString& witness, const QDateTime& now) {
    connection.prepare(QStringLiteral("DELETE FROM IDENTBANCO WHERE DTIDENTBANCO < ?"))
        .execute({now.addDays(-kKeptDays)});
    connection.prepare(QStringLiteral("INSERT INTO IDENTBANCO (CDIDENTBANCO, DTIDENTBANCO) VALUES (?, ?)"))
        .execute({witness, now});
}

bool HoldsDatabaseWitness(QSqlDatabase& db, const QString& witness) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    Prepare(q, QStringLiteral("SELECT CDIDENTBANCO FROM IDENTBANCO WHERE CDIDENTBANCO = ?"));
    q.addBindValue(witness);
    Exec(q, QStringLiteral("Falha ao procurar a identificação do banco de dados"));
    return q.next();
}

}  // namespace kpv::db
