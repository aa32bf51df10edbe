#include "appserver/rdm_emissao_rps.h"

#include "appserver/footer.h"
#include "appserver/server_fault.h"
#include "db/dialect.h"
#include "db/sql.h"
#include "protocol/packet_fields.h"

#include <QSqlQuery>

namespace kpv::server {

namespace {

// Where a municipality records no deadline of its own, an issued RPS must become an NFS-e within this.
constexpr int kDefaultConversionDays = 10;

const QString kInvoiceSelect = QStringLiteral(
    "SELECT NF.CDFILIAL, NF.NRLANCTONF, NF.CDEMPRESA, NF.CDFILIEMIT, NF.NRINSJURNF, NF.CDCLIENTE,"
    "       C.NMRAZSOCCLIE, NF.NRNOTAFISCSE, NF.DTENTRSAID, NF.DTEMISSAO, NF.CDSERIE, NF.VRNOTAFISC,"
    "       COALESCE(NF.CDSERIERPS, S.CDSERIERPS), NF.NRNOTAFISC, NF.NRRPS, NF.IDEMISSAORPS, NF.IDTPIJURNF,"
    "       NF.IDTRANSMISRPS, NF.IDOPERACAO, NF.CDTIPOOPER, T.NMTIPOOPER, NF.DTLIMCONVNFSE"
    "  FROM NOTAFISCAL NF"
    "  LEFT JOIN CLIENTE C ON C.CDCLIENTE = NF.CDCLIENTE"
    "  LEFT JOIN SERIENF S ON S.CDEMPRESA = NF.CDEMPRESA AND S.CDINSCESTA = NF.CDINSCESTA"
    "                     AND S.CDINSCMUNI = NF.CDINSCMUNI AND S.CDSERIE = NF.CDSERIE"
    "  LEFT JOIN TIPOOPER T ON T.IDOPERACAO = NF.IDOPERACAO AND T.CDTIPOOPER = NF.CDTIPOOPER"
    " WHERE NF.CDEMPRESA = ? AND NF.IDOPERACAO = ? AND NF.DTENTRSAID >= ? AND NF.DTENTRSAID < ?");

const QString kInvoiceOrder =
    QStringLiteral(" ORDER BY NF.DTENTRSAID, NF.NRNOTAFISC, NF.CDFILIAL, NF.NRLANCTONF");

// The invoice as the RPS methods need it, read inside their transaction.
const QString kInvoiceState = QStringLiteral(
    "SELECT NF.CDEMPRESA, NF.CDINSCMUNI, NF.CDSERIE, NF.IDEMISSAORPS, NF.IDTRANSMISRPS, NF.CDSERIERPS, "
    "NF.NRRPS,"
    "       S.CDSERIERPS, M.NRDIASCONVRPS"
    "  FROM NOTAFISCAL NF"
    "  LEFT JOIN SERIENF S ON S.CDEMPRESA = NF.CDEMPRESA AND S.CDINSCESTA = NF.CDINSCESTA"
    "                     AND S.CDINSCMUNI = NF.CDINSCMUNI AND S.CDSERIE = NF.CDSERIE"
    "  LEFT JOIN INSCRMUNIC IM ON IM.CDEMPRESA = NF.CDEMPRESA AND IM.CDINSCMUNI = NF.CDINSCMUNI"
    "  LEFT JOIN MUNICIPIO M ON M.CDPAIS = IM.CDPAIS AND M.SGESTADO = IM.SGESTADO AND M.CDMUNICIPIO = "
    "IM.CDMUNICIPIO"
    " WHERE NF.CDFILIAL = ? AND NF.NRLANCTONF = ?");

struct InvoiceState {
    bool found = false;
    QString company;
    QString municipalRegistration;
    QString series;
    QString idEmissao;
    QString idTransmissao;
    QString rpsSeries;  // the invoice's own while an RPS stands, else its series'
    QString rpsNumber;
    int conversionDays = kDefaultConversionDays;
};

// Stored times keep whole seconds, as the dates the user reads.
QDateTime nowToTheSecond() {
    const QDateTime now = QDateTime::currentDateTime();
    const QTime t = now.time();
    return QDateTime(now.date(), QTime(t.hour(), t.minute(), t.second()));
}

QVariant text(const QVariant& v) {
    return v.isNull() ? QVariant() : QVariant(v.toString());
}

QString placeholders(qsizetype count) {
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i) marks << QStringLiteral("?");
    return marks.join(QLatin1Char(','));
}

ServerFault databaseFault(const db::DatabaseError& e) {
    return ServerFault(500, QStringLiteral("database_error"),
                       QStringLiteral("Erro no banco de dados: ") + e.message());
}

QSqlQuery query(const QSqlDatabase& db, const QString& sql, const QVariantList& binds) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    db::Prepare(q, sql);
    for (const QVariant& b : binds) q.addBindValue(b);
    return q;
}

// "2", "3" and "4" say the invoice went out as an NFS-e.
bool transmitted(const QString& idTransmissao) {
    return idTransmissao == QLatin1String("2") || idTransmissao == QLatin1String("3") ||
           idTransmissao == QLatin1String("4");
}

QString notFound(const QString& branch, const QString& entry) {
    return QStringLiteral("Nota fiscal não encontrada (filial %1, lançamento %2).").arg(branch, entry);
}

InvoiceState readInvoice(const QSqlDatabase& db, const QString& branch, const QString& entry) {
    QSqlQuery q = query(db, kInvoiceState, {branch, entry});
    db::Exec(q, QStringLiteral("Falha ao ler a nota fiscal"));
    InvoiceState s;
    if (!q.next()) return s;
    s.found = true;
    s.company = q.value(0).toString();
    s.municipalRegistration = q.value(1).toString();
    s.series = q.value(2).toString();
    s.idEmissao = q.value(3).toString().trimmed();
    s.idTransmissao = q.value(4).toString().trimmed();
    s.rpsSeries = q.value(5).isNull() ? q.value(7).toString() : q.value(5).toString();
    s.rpsNumber = q.value(6).toString();
    if (!q.value(8).isNull()) s.conversionDays = q.value(8).toInt();
    return s;
}

// Runs the write in one transaction, committed only when the work succeeds: a refusal leaves nothing of
// what the work wrote before it found its reason. The database's failures become the protocol's error
// reply.
Status writing(QSqlDatabase& db, std::chrono::milliseconds deadline, const std::function<Status()>& work) {
    Status status;
    try {
        db::RunWriteTransaction(
            db,
            [&] {
                status = work();
                return status.code == Status::ok().code;
            },
            deadline);
    } catch (const db::BusyError& e) {
        throw ServerFault(503, QStringLiteral("database_busy"), e.message());
    } catch (const db::DatabaseError& e) {
        throw databaseFault(e);
    }
    return status;
}

}  // namespace

TrdmEmissaoRPS::TrdmEmissaoRPS(QSqlDatabase db, std::chrono::milliseconds writeDeadline)
    : db_(std::move(db)), dialect_(db::DialectOf(db_)), writeDeadline_(writeDeadline) {}

protocol::DataPacket TrdmEmissaoRPS::GetNotaFiscal(const InvoiceFilter& f) {
    protocol::DataPacket packet(protocol::InvoiceFields());
    if (f.selectsNothing()) return packet;

    const db::Dialect& dialect = dialect_;
    QString sql = kInvoiceSelect;
    // Both days included, whatever the time of day stored with the exit.
    QVariantList binds{f.company, f.direction, dialect.timestamp(f.firstExitDate.startOfDay()),
                       dialect.timestamp(f.lastExitDate.addDays(1).startOfDay())};
    const auto equal = [&](const char* column, const QString& value) {
        sql += QStringLiteral(" AND %1 = ?").arg(QLatin1String(column));
        binds << value;
    };
    const auto among = [&](const char* column, const QStringList& values) {
        sql += QStringLiteral(" AND %1 IN (%2)").arg(QLatin1String(column), placeholders(values.size()));
        for (const QString& v : values) binds << v;
    };
    among("NF.IDEMISSAORPS", f.situations);
    if (!f.branch.isEmpty()) equal("NF.CDFILIAL", f.branch);
    if (!f.allOperationTypes) among("NF.CDTIPOOPER", f.operationTypes);
    if (!f.stateRegistration.isEmpty()) equal("NF.CDINSCESTA", f.stateRegistration);
    if (!f.municipalRegistration.isEmpty()) equal("NF.CDINSCMUNI", f.municipalRegistration);
    if (!f.series.isEmpty()) equal("NF.CDSERIE", f.series);
    if (!f.allClients) equal("NF.NRINSJURNF", f.clientDigits);
    sql += kInvoiceOrder;

    try {
        QSqlQuery q = query(db_, sql, binds);
        db::Exec(q, QStringLiteral("Falha ao consultar as notas fiscais"));
        const QDate today = QDate::currentDate();
        while (q.next()) {
            const QString idEmissao = q.value(15).toString().trimmed();
            const QString operationKey = q.value(18).toString().trimmed() + q.value(19).toString();
            const QDateTime exit = db::Dialect::readTimestamp(q.value(8));
            const QDateTime issue = db::Dialect::readTimestamp(q.value(9));
            packet.appendRow({
                QStringLiteral("N"),
                text(q.value(0)),
                text(q.value(1)),
                text(q.value(2)),
                text(q.value(3)),
                text(q.value(4)),
                text(q.value(5)),
                text(q.value(6)),
                text(q.value(7)),
                exit.isValid() ? QVariant(exit) : QVariant(),
                issue.isValid() ? QVariant(issue) : QVariant(),
                text(q.value(10)),
                q.value(11).isNull() ? QVariant() : QVariant(q.value(11).toDouble()),
                text(q.value(12)),
                text(q.value(13)),
                text(q.value(14)),
                idEmissao,
                InvoiceFooter(operationKey, q.value(20).toString(), idEmissao,
                              db::Dialect::readDate(q.value(21)), today),
                text(q.value(16)),
                q.value(17).toString().trimmed(),
            });
        }
    } catch (const db::DatabaseError& e) {
        throw databaseFault(e);
    }
    return packet;
}

protocol::DataPacket TrdmEmissaoRPS::GetTipoOper(const QString& code, const QString& all,
                                                 const QString& direction) {
    if (direction != QLatin1String("S") && direction != QLatin1String("E")) {
        throw InvalidArgument(
            QStringLiteral(
                "Direção da operação inválida: \"%1\" (use \"S\" para saída ou \"E\" para entrada).")
                .arg(direction));
    }
    QString sql = QStringLiteral("SELECT CDTIPOOPER, NMTIPOOPER FROM TIPOOPER WHERE IDOPERACAO = ?");
    QVariantList binds{direction};
    if (all != QLatin1String("T")) {
        sql += QStringLiteral(" AND CDTIPOOPER = ?");
        binds << code;
    }
    sql += QStringLiteral(" ORDER BY CDTIPOOPER");

    protocol::DataPacket packet(protocol::OperationTypeFields());
    try {
        QSqlQuery q = query(db_, sql, binds);
        db::Exec(q, QStringLiteral("Falha ao consultar os tipos de operação"));
        while (q.next()) {
            const QString type = q.value(0).toString();
            packet.appendRow({QStringLiteral("N"), type, text(q.value(1)), QString(direction + type)});
        }
    } catch (const db::DatabaseError& e) {
        throw databaseFault(e);
    }
    return packet;
}

protocol::DataPacket TrdmEmissaoRPS::GetInscrMunicip(const QString& company, const QString& registration,
                                                     const QString& one) {
    if (one != QLatin1String("S") && one != QLatin1String("N")) {
        throw InvalidArgument(
            QStringLiteral("O terceiro argumento de GetInscrMunicip deve ser \"S\" (uma inscrição) "
                           "ou \"N\" (todas), e não \"%1\".")
                .arg(one));
    }
    QString sql = QStringLiteral(
        "SELECT I.CDINSCMUNI, I.NMREPRINSMUN, I.NRCERTDIGNFSE, I.IDAMBTRABNFSE, I.CDPAIS, P.NMPAIS, "
        "I.SGESTADO,"
        "       E.NMESTADO, I.CDMUNICIPIO, M.NMMUNICIPIO, M.CDMUNICIBGE"
        "  FROM INSCRMUNIC I"
        "  LEFT JOIN PAIS P ON P.CDPAIS = I.CDPAIS"
        "  LEFT JOIN ESTADO E ON E.CDPAIS = I.CDPAIS AND E.SGESTADO = I.SGESTADO"
        "  LEFT JOIN MUNICIPIO M ON M.CDPAIS = I.CDPAIS AND M.SGESTADO = I.SGESTADO AND M.CDMUNICIPIO = "
        "I.CDMUNICIPIO"
        " WHERE I.CDEMPRESA = ?");
    QVariantList binds{company};
    if (one == QLatin1String("S")) {
        sql += QStringLiteral(" AND I.CDINSCMUNI = ?");
        binds << registration;
    }
    sql += QStringLiteral(" ORDER BY I.CDINSCMUNI");

    protocol::DataPacket packet(protocol::MunicipalRegistrationFields());
    try {
        QSqlQuery q = query(db_, sql, binds);
        db::Exec(q, QStringLiteral("Falha ao consultar as inscrições municipais"));
        while (q.next()) {
            QVariantList row;
            for (int c = 0; c < packet.fields().size(); ++c) row << text(q.value(c));
            packet.appendRow(row);
        }
    } catch (const db::DatabaseError& e) {
        throw databaseFault(e);
    }
    return packet;
}

Status TrdmEmissaoRPS::PreparaImpressao(const QString& branch, const QString& entry) {
    const db::Dialect& dialect = dialect_;
    return writing(db_, writeDeadline_, [&]() -> Status {
        const InvoiceState s = readInvoice(db_, branch, entry);
        if (!s.found) return Status::refused(notFound(branch, entry));
        // Already issued: a client retrying after a lost answer gets its success, and nothing is spent. Once
        // the RPS has gone out as an NFS-e, the receipt is not printed again.
        if (s.idEmissao == QLatin1String("2")) {
            if (!transmitted(s.idTransmissao)) return Status::ok();
            return Status::refused(QStringLiteral(
                "O RPS desta nota fiscal já foi transmitido como NFS-e e não pode ser impresso novamente."));
        }
        if (s.idEmissao == QLatin1String("3")) {
            return Status::refused(QStringLiteral("O RPS desta nota fiscal já foi substituído por NFS-e."));
        }
        if (s.idEmissao != QLatin1String("1")) {
            return Status::refused(
                QStringLiteral("Situação de RPS desconhecida na nota fiscal: \"%1\".").arg(s.idEmissao));
        }
        if (s.idTransmissao != QLatin1String("1")) {
            if (transmitted(s.idTransmissao)) {
                return Status::refused(
                    QStringLiteral("Nota fiscal já transmitida como NFS-e; o RPS não pode ser emitido."));
            }
            return Status::refused(
                QStringLiteral("Código de transmissão desconhecido na nota fiscal: \"%1\".")
                    .arg(s.idTransmissao));
        }
        if (s.rpsSeries.isEmpty()) {
            return Status::refused(
                QStringLiteral("A série %1 da nota fiscal não tem série de RPS definida.").arg(s.series));
        }

        // The counter row is written first: it is the lock that queues concurrent issuers of the series.
        const QVariantList counterKey{s.company, s.municipalRegistration, s.rpsSeries};
        QSqlQuery bump = query(db_,
                               QStringLiteral("UPDATE SERIERPS SET NRULTRPS = NRULTRPS + 1"
                                              " WHERE CDEMPRESA = ? AND CDINSCMUNI = ? AND CDSERIERPS = ?"),
                               counterKey);
        db::Exec(bump, QStringLiteral("Falha ao numerar o RPS"));
        if (bump.numRowsAffected() != 1) {
            return Status::refused(
                QStringLiteral(
                    "A série de RPS %1 não tem controle de numeração para a inscrição municipal %2.")
                    .arg(s.rpsSeries, s.municipalRegistration));
        }
        QSqlQuery last = query(
            db_,
            QStringLiteral(
                "SELECT NRULTRPS FROM SERIERPS WHERE CDEMPRESA = ? AND CDINSCMUNI = ? AND CDSERIERPS = ?"),
            counterKey);
        db::Exec(last, QStringLiteral("Falha ao numerar o RPS"));
        if (!last.next())
            throw db::ConflictError(QStringLiteral("Contador de RPS desapareceu durante a emissão."));
        const qint64 number = last.value(0).toLongLong();

        const QDateTime now = nowToTheSecond();
        const QDate deadline = now.date().addDays(s.conversionDays);
        QSqlQuery ledger =
            query(db_,
                  QStringLiteral("INSERT INTO RPSEMITIDO (CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRRPS, CDFILIAL,"
                                 " NRLANCTONF, DTEMISRPS, IDSITRPS, DTSITRPS)"
                                 " VALUES (?, ?, ?, ?, ?, ?, ?, 'E', ?)"),
                  {s.company, s.municipalRegistration, s.rpsSeries, number, branch, entry,
                   dialect.timestamp(now), dialect.timestamp(now)});
        db::Exec(ledger, QStringLiteral("Falha ao registrar o RPS"));

        QSqlQuery invoice =
            query(db_,
                  QStringLiteral("UPDATE NOTAFISCAL SET IDEMISSAORPS = '2', CDSERIERPS = ?, NRRPS = ?,"
                                 " DTEMISRPS = ?, DTLIMCONVNFSE = ?"
                                 " WHERE CDFILIAL = ? AND NRLANCTONF = ? AND IDEMISSAORPS = '1'"),
                  {s.rpsSeries, QString::number(number), dialect.timestamp(now), dialect.date(deadline),
                   branch, entry});
        db::Exec(invoice, QStringLiteral("Falha ao gravar o RPS na nota fiscal"));
        // Another writer changed the invoice after it was read: start over from its new state.
        if (invoice.numRowsAffected() != 1)
            throw db::ConflictError(QStringLiteral("Nota fiscal alterada durante a emissão."));
        return Status::ok();
    });
}

Status TrdmEmissaoRPS::CancelaEmissao(const QString& branch, const QString& entry) {
    const db::Dialect& dialect = dialect_;
    return writing(db_, writeDeadline_, [&]() -> Status {
        const InvoiceState s = readInvoice(db_, branch, entry);
        if (!s.found) return Status::refused(notFound(branch, entry));
        if (s.idEmissao == QLatin1String("3")) {
            return Status::refused(QStringLiteral(
                "O RPS desta nota fiscal já foi substituído por NFS-e e não pode ser cancelado."));
        }
        if (s.idEmissao != QLatin1String("2"))
            return Status::refused(QStringLiteral("A nota fiscal não tem RPS emitido."));
        if (s.idTransmissao == QLatin1String("2") || s.idTransmissao == QLatin1String("4")) {
            return Status::refused(
                QStringLiteral("O RPS já foi transmitido como NFS-e e não pode ser cancelado."));
        }

        const QDateTime now = nowToTheSecond();
        QSqlQuery ledger = query(db_,
                                 QStringLiteral("UPDATE RPSEMITIDO SET IDSITRPS = 'C', DTSITRPS = ?"
                                                " WHERE CDFILIAL = ? AND NRLANCTONF = ? AND IDSITRPS = 'E'"),
                                 {dialect.timestamp(now), branch, entry});
        db::Exec(ledger, QStringLiteral("Falha ao cancelar o RPS no controle de RPS"));
        if (ledger.numRowsAffected() != 1) {
            return Status::refused(
                QStringLiteral("O RPS nº %1 da série %2 não consta como emitido no controle de RPS.")
                    .arg(s.rpsNumber, s.rpsSeries));
        }
        // The invoice is free again; a return pending from the city ("3") goes with the cancelled RPS.
        QSqlQuery invoice =
            query(db_,
                  QStringLiteral("UPDATE NOTAFISCAL SET IDEMISSAORPS = '1', IDTRANSMISRPS = '1',"
                                 " CDSERIERPS = NULL, NRRPS = NULL, DTEMISRPS = NULL, DTLIMCONVNFSE = NULL"
                                 " WHERE CDFILIAL = ? AND NRLANCTONF = ? AND IDEMISSAORPS = '2'"),
                  {branch, entry});
        db::Exec(invoice, QStringLiteral("Falha ao cancelar o RPS na nota fiscal"));
        if (invoice.numRowsAffected() != 1)
            throw db::ConflictError(QStringLiteral("Nota fiscal alterada durante o cancelamento."));
        return Status::ok();
    });
}

}  // namespace kpv::server
