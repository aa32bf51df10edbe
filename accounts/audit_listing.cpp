#include "accounts/audit_listing.h"

#include "db/audit_trail.h"
#include "db/connection.h"

#include <QDateTime>
#include <QStringList>

#include <vector>

namespace kpv::accounts {

namespace {

constexpr qint64 kProgressEvery = 1000;

// The days asked for are a span of the trail's keys, read through its primary key.
const QString kWhere = QStringLiteral(" FROM AUDITORIASERV WHERE CDAUDITORIA >= ? AND CDAUDITORIA < ?");
const QString kRows = QStringLiteral(
    "SELECT DTAUDITORIA, CDUSUARIO, DSENDERECO, DSACAO, CDFILIAL, NRLANCTONF, CDSERIERPS, NRRPS, "
    "DSRESULTADO");

// The first instant of a local day, in the UTC the trail keeps.
QDateTime utcStart(const QDate& day) {
    return day.startOfDay().toUTC();
}

QString csvField(const QString& value) {
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    return QLatin1Char('"') + quoted.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

void writeLine(std::FILE* out, const QString& line) {
    std::fprintf(out, "%s\n", line.toUtf8().constData());
}

}  // namespace

void ListAudit(db::Connection& connection, const AuditFilter& filter, bool csv, std::FILE* out,
               const std::function<void(qint64 done, qint64 total)>& progress) {
    const QDateTime from =
        filter.from.isValid() ? utcStart(filter.from) : QDateTime(QDate(1900, 1, 1), QTime(0, 0));
    const QDateTime to =
        filter.to.isValid() ? utcStart(filter.to.addDays(1)) : QDateTime(QDate(9999, 12, 31), QTime(0, 0));
    QString where = kWhere;
    std::vector<db::Value> binds{db::AuditKeyAt(from), db::AuditKeyAt(to)};
    if (!filter.login.isEmpty()) {
        where += QStringLiteral(" AND CDUSUARIO = ?");
        binds.emplace_back(filter.login);
    }

    db::Statement& count = connection.prepare(QStringLiteral("SELECT COUNT(*) AS N") + where);
    count.execute(binds);
    const qint64 total = count.next() ? count.integer(0) : 0;
    count.finish();

    const QStringList titles{
        QStringLiteral("quando"),    QStringLiteral("usuario"),    QStringLiteral("endereco"),
        QStringLiteral("acao"),      QStringLiteral("filial"),     QStringLiteral("lancamento"),
        QStringLiteral("serie_rps"), QStringLiteral("numero_rps"), QStringLiteral("resultado")};
    // Aligned text: the widths of the columns before the outcome, which takes the rest of the line.
    const std::vector<int> widths{25, 14, 15, 18, 6, 12, 9, 10};
    const auto line = [&](const QStringList& values) {
        if (csv) {
            QStringList fields;
            for (const QString& v : values) fields << csvField(v);
            return writeLine(out, fields.join(QLatin1Char(',')));
        }
        QString text;
        for (qsizetype i = 0; i < values.size(); ++i) {
            const bool last = i + 1 == values.size();
            text += last ? values[i] : values[i].leftJustified(widths[size_t(i)]) + QLatin1Char(' ');
        }
        writeLine(out, text);
    };
    line(titles);

    db::Statement& rows = connection.prepare(kRows + where + QStringLiteral(" ORDER BY CDAUDITORIA"));
    rows.execute(binds);
    qint64 done = 0;
    while (rows.next()) {
        const db::Timestamp t = rows.timestamp(0);
        const QDateTime when =
            QDateTime(t.date, QTime::fromMSecsSinceStartOfDay(t.msecs), Qt::UTC).toLocalTime();
        QStringList values{when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODate)};
        for (int c = 1; c <= 8; ++c) values << rows.string(c).trimmed();
        line(values);
        if (++done % kProgressEvery == 0 && progress) progress(done, total);
    }
    if (progress) progress(done, total);
}

}  // namespace kpv::accounts
