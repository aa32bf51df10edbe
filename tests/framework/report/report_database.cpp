#include "report_database.h"

#include "db/database.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>

#include <stdexcept>

namespace reporttest {

namespace {

void Exec(QSqlDatabase& db, const QString& statement, const QVariantList& values) {
    QSqlQuery q(db);
    if (!q.prepare(statement)) throw std::runtime_error(q.lastError().text().toStdString());
    for (const QVariant& v : values) q.addBindValue(v);
    if (!q.exec()) throw std::runtime_error(q.lastError().text().toStdString());
}

const QString kInvoice = QStringLiteral(
    "INSERT INTO NOTAFISCAL (CDFILIAL, NRLANCTONF, CDEMPRESA, CDFILIEMIT, CDINSCESTA, CDINSCMUNI, CDSERIE, "
    "NRNOTAFISC, CDCLIENTE, NRINSJURNF, IDTPIJURNF, IDOPERACAO, CDTIPOOPER, DTENTRSAID, DTEMISSAO, "
    "VRNOTAFISC, "
    "DSSERVICO, VRSERVICO, VRBASEISS, PCALIQISS, VRISS, CDSERIERPS, NRRPS, DTEMISRPS, DTLIMCONVNFSE, "
    "IDEMISSAORPS, IDTRANSMISRPS) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");

QVariantList Invoice(const QString& entry, const QString& number, const QString& client,
                     const QString& registration, const QString& kind, double value, const QVariant& rps) {
    const QDateTime day(QDate(2024, 3, 4), QTime(0, 0));
    const bool issued = !rps.isNull();
    return {QStringLiteral("0001"),
            entry,
            QStringLiteral("01"),
            QStringLiteral("0001"),
            QStringLiteral("ISENTO"),
            QStringLiteral("4455667"),
            QStringLiteral("A1"),
            number,
            client,
            registration,
            kind,
            QStringLiteral("S"),
            QStringLiteral("01"),
            day,
            day,
            value,
            QStringLiteral("Consultoria contábil mensal referente a março de 2024."),
            value,
            value,
            5.0,
            value * 0.05,
            QStringLiteral("RPS1"),
            rps,
            issued ? QVariant(day) : QVariant(QMetaType::fromType<QDateTime>()),
            issued ? QVariant(QDate(2024, 3, 14)) : QVariant(QMetaType::fromType<QDate>()),
            issued ? QStringLiteral("2") : QStringLiteral("1"),
            QStringLiteral("1")};
}

}  // namespace

QSqlDatabase CreateReportDatabase(const QString& fileName, const QString& connectionName) {
    kpv::db::DatabaseSettings settings;
    settings.path = fileName;
    QSqlDatabase db = kpv::db::OpenDatabase(settings, connectionName);
    Exec(
        db,
        QStringLiteral("INSERT INTO MUNICIPIO (CDPAIS, SGESTADO, CDMUNICIPIO, NMMUNICIPIO) VALUES (?,?,?,?)"),
        {QStringLiteral("1058"), QStringLiteral("SP"), QStringLiteral("0001"), QStringLiteral("São Paulo")});
    Exec(db, QStringLiteral("INSERT INTO EMPRESA (CDEMPRESA, NMRAZSOCEMPR, NRCNPJEMPR) VALUES (?,?,?)"),
         {QStringLiteral("01"), QStringLiteral("Contabilidade Exemplo Ltda"),
          QStringLiteral("11222333000181")});
    Exec(db,
         QStringLiteral(
             "INSERT INTO FILIAL (CDFILIAL, NMFILIAL, CDEMPRESA, NRCNPJFILI, DSENDERFILI, NRENDERFILI, "
             "NMBAIRROFILI, CDPAIS, SGESTADO, CDMUNICIPIO) VALUES (?,?,?,?,?,?,?,?,?,?)"),
         {QStringLiteral("0001"), QStringLiteral("Matriz"), QStringLiteral("01"),
          QStringLiteral("11222333000181"), QStringLiteral("Rua das Flores"), QStringLiteral("100"),
          QStringLiteral("Centro"), QStringLiteral("1058"), QStringLiteral("SP"), QStringLiteral("0001")});
    const QString client = QStringLiteral(
        "INSERT INTO CLIENTE (CDCLIENTE, IDTPIJURCLIE, NRINSJURCLIE, NMRAZSOCCLIE, DSENDERCLIE, NRENDERCLIE, "
        "NMBAIRROCLIE, CDPAIS, SGESTADO, CDMUNICIPIO) VALUES (?,?,?,?,?,?,?,?,?,?)");
    Exec(db, client,
         {QStringLiteral("C1"), QStringLiteral("J"), QStringLiteral("12345678000195"),
          QStringLiteral("Padaria Pão Quente Ltda"), QStringLiteral("Avenida Paulista"),
          QStringLiteral("2000"), QStringLiteral("Bela Vista"), QStringLiteral("1058"), QStringLiteral("SP"),
          QStringLiteral("0001")});
    Exec(
        db, client,
        {QStringLiteral("C2"), QStringLiteral("F"), QStringLiteral("12345678909"),
         QStringLiteral("Maria da Silva"), QStringLiteral("Rua Augusta"), QStringLiteral("15"),
         QStringLiteral("Consolação"), QStringLiteral("1058"), QStringLiteral("SP"), QStringLiteral("0001")});
    Exec(db, kInvoice,
         Invoice(QStringLiteral("0000000001"), QStringLiteral("1001"), QStringLiteral("C1"),
                 QStringLiteral("12345678000195"), QStringLiteral("J"), 1500.0, QStringLiteral("123")));
    Exec(db, kInvoice,
         Invoice(QStringLiteral("0000000002"), QStringLiteral("1002"), QStringLiteral("C2"),
                 QStringLiteral("12345678909"), QStringLiteral("F"), 2345.6, QStringLiteral("124")));
    Exec(db, kInvoice,
         Invoice(QStringLiteral("0000000003"), QStringLiteral("1003"), QStringLiteral("C1"),
                 QStringLiteral("12345678000195"), QStringLiteral("J"), 80.0,
                 QVariant(QMetaType::fromType<QString>())));
    return db;
}

}  // namespace reporttest
