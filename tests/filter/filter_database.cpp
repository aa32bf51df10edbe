#include "filter_database.h"

#include "db/database.h"
#include "db/dialect.h"
#include "framework/core/context.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>

#include <stdexcept>
#include <vector>

namespace filtertest {

namespace {

struct TableRows {
    QString table;
    QStringList columns;
    std::vector<QVariantList> rows;
};

const QVariant kNull;

const QStringList kInvoiceColumns = {"CDFILIAL",   "NRLANCTONF", "CDEMPRESA",    "CDFILIEMIT",   "CDINSCESTA",
                                     "CDINSCMUNI", "CDSERIE",    "NRNOTAFISC",   "CDCLIENTE",    "NRINSJURNF",
                                     "IDTPIJURNF", "IDOPERACAO", "CDTIPOOPER",   "DTENTRSAID",   "DTEMISSAO",
                                     "VRNOTAFISC", "NRRPS",      "IDEMISSAORPS", "IDTRANSMISRPS"};

std::vector<QVariantList> invoices(const kpv::db::Dialect& dialect) {
    std::vector<QVariantList> rows;
    for (const Invoice& nf : kInvoices) {
        const QVariant exit = dialect.timestamp(QDateTime(nf.exit, QTime(10, 0)));
        const bool branch0002 = nf.branch == QLatin1String("0002");
        rows.push_back({nf.branch, nf.entry, kEmpresa, nf.branch,
                        branch0002 ? "244123456119" : "110042490114", branch0002 ? "87654321" : "12345678",
                        branch0002 ? "B1" : "A1", QString::number(1000 + nf.entry.toInt()), nf.client->code,
                        nf.client->number.isEmpty() ? kNull : QVariant(nf.client->number), nf.client->kind,
                        nf.direction, nf.operationType, exit, exit, 100.0 * nf.entry.toInt(),
                        nf.emission == QLatin1String("1") ? kNull : QVariant(nf.entry), nf.emission,
                        nf.transmission});
    }
    return rows;
}

std::vector<TableRows> Rows(const kpv::db::Dialect& dialect) {
    return {
        {"PAIS", {"CDPAIS", "NMPAIS"}, {{"1058", "Brasil"}}},
        {"ESTADO", {"CDPAIS", "SGESTADO", "NMESTADO"}, {{"1058", "SP", "São Paulo"}}},
        {"MUNICIPIO",
         {"CDPAIS", "SGESTADO", "CDMUNICIPIO", "NMMUNICIPIO", "CDMUNICIBGE"},
         {{"1058", "SP", "0001", "São Paulo", "3550308"}, {"1058", "SP", "0002", "Campinas", "3509502"}}},
        {"EMPRESA",
         {"CDEMPRESA", "NMRAZSOCEMPR"},
         {{"01", "Serviços Alfa Ltda"}, {"02", "Beta Consultoria S.A."}}},
        {"FILIAL",
         {"CDFILIAL", "NMFILIAL", "CDEMPRESA", "CDINSCESTA", "CDINSCMUNI", "CDSERIE"},
         {
             {"0001", "Matriz Alfa", "01", "110042490114", "12345678", "A1"},
             {"0002", "Alfa Campinas", "01", "244123456119", "87654321", "B1"},
             {"0003", "Beta Matriz", "02", "330011223344", "55550001", "C1"},
             {"0004", "Alfa Faturamento", "01", "110042490114", "12345678", "F1"},
             {"0005", "Beta Sul", "02", "330011223344", "55550001", "C1"},
             // Its series is not recorded in SERIENF.
             {"0006", "Alfa Norte", "01", "110042490114", "12345678", "Z9"},
         }},
        {"EMPRCNTRFIL",
         {"CDEMPRESA", "CDFILIAL", "CDINSCESTA", "CDINSCMUNI", "CDSERIE"},
         {{"01", "0001", "119999999111", "99990000", "A2"}}},
        {"INSCRESTAD",
         {"CDEMPRESA", "CDINSCESTA", "NRSERIECERTIFIC", "IDTPAMBIENTENFE", "CDPAIS", "SGESTADO",
          "CDMUNICIPIO", "NMREPRINSEST"},
         {
             {"01", "110042490114", "CERT-A", "1", "1058", "SP", "0001", "Ana Souza"},
             {"01", "244123456119", "CERT-B", "1", "1058", "SP", "0002", "Bruno Lima"},
             {"01", "119999999111", "CERT-C", "2", "1058", "SP", "0001", "Carla Dias"},
             // Its municipality is not in MUNICIPIO.
             {"01", "120000000000", kNull, "1", "1058", "SP", "0099", "Sem Município"},
             // Registered, but neither a branch nor EMPRCNTRFIL relates it to the company.
             {"01", "130000000000", kNull, "1", "1058", "SP", "0001", "Sem Relação"},
             {"02", "330011223344", "CERT-D", "1", "1058", "SP", "0001", "Davi Reis"},
         }},
        {"INSCRMUNIC",
         {"CDEMPRESA", "CDINSCMUNI", "NMREPRINSMUN", "NRCERTDIGNFSE", "IDAMBTRABNFSE", "CDPAIS", "SGESTADO",
          "CDMUNICIPIO"},
         {
             {"01", "12345678", "Ana Souza", "NFSE-A", "1", "1058", "SP", "0001"},
             {"01", "77770000", "Sem Relação", "NFSE-X", "2", "1058", "SP", "0001"},
             {"01", "87654321", "Bruno Lima", "NFSE-B", "2", "1058", "SP", "0002"},
             {"01", "99990000", "Carla Dias", "NFSE-C", "1", "1058", "SP", "0001"},
             {"02", "55550001", "Davi Reis", "NFSE-D", "1", "1058", "SP", "0001"},
         }},
        {"CTRLNUMENF",
         {"CDCTRLNUMENF", "DSCTRLNUMENF", "DTEMISCTNUNF", "IDCONSDTEMIS", "IDUTCTRLFORM", "IDUTLOCAEMIS",
          "IDUTFILILCEM"},
         {{"CTL01", "Controle Alfa", dialect.timestamp(QDateTime(QDate(2026, 3, 2), QTime(8, 30))), "S", "N",
           "S", "N"}}},
        {"SERIENF",
         {"CDEMPRESA", "CDINSCESTA", "CDINSCMUNI", "CDSERIE", "DSSERIE", "CDCTRLNUMENF", "IDUTDTPREMIS"},
         {
             {"01", "110042490114", "12345678", "A1", "Serviços A1", "CTL01", "S"},
             // Its number control has no row in CTRLNUMENF.
             {"01", "110042490114", "12345678", "A3", "Sem controle", "CTL99", "N"},
             {"01", "110042490114", "12345678", "F1", "Faturamento", "CTL01", "S"},
             {"01", "244123456119", "87654321", "B1", "Serviços B1", "CTL01", "S"},
             {"01", "119999999111", "99990000", "A2", "Serviços A2", kNull, "N"},
             {"02", "330011223344", "55550001", "C1", "Beta C1", "CTL01", "S"},
         }},
        {"CLIENTE",
         {"CDCLIENTE", "IDTPIJURCLIE", "NRINSJURCLIE", "NMRAZSOCCLIE", "NMFANTCLIE"},
         {
             {kClienteJuridico.code, "J", kClienteJuridico.number, kClienteJuridico.name, "Exemplo"},
             {kClienteFisico.code, "F", kClienteFisico.number, kClienteFisico.name, "Maria"},
             {kClienteEstrangeiro.code, "E", kNull, kClienteEstrangeiro.name, "Overseas"},
         }},
        {"TIPOOPER",
         {"IDOPERACAO", "CDTIPOOPER", "NMTIPOOPER"},
         {
             {"S", "01", "Prestação de serviços"},
             {"S", "05", "Locação de bens"},
             {"S", "09", "Intermediação"},
             {"E", "01", "Serviço tomado"},
         }},
        {"NOTAFISCAL", kInvoiceColumns, invoices(dialect)},
    };
}

void Insert(QSqlDatabase& db, const TableRows& table) {
    QStringList marks;
    for (qsizetype i = 0; i < table.columns.size(); ++i) marks << QStringLiteral("?");
    const QString statement = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(table.table, table.columns.join(u','), marks.join(u','));
    QSqlQuery q(db);
    if (!q.prepare(statement)) throw std::runtime_error(q.lastError().text().toStdString());
    for (const QVariantList& row : table.rows) {
        for (int i = 0; i < row.size(); ++i)
            q.bindValue(i, row[i].isValid() ? row[i] : QVariant(QMetaType::fromType<QString>()));
        if (!q.exec())
            throw std::runtime_error(QString(table.table + u": " + q.lastError().text()).toStdString());
    }
}

}  // namespace

QSqlDatabase CreateFilterDatabase(const kpv::db::DatabaseSettings& settings, const QString& connectionName) {
    QSqlDatabase db = kpv::db::OpenDatabase(settings, connectionName);
    const std::vector<TableRows> tables = Rows(kpv::db::DialectOf(db));
    if (!db.transaction()) throw std::runtime_error(db.lastError().text().toStdString());
    for (const TableRows& table : tables) Insert(db, table);
    if (!db.commit()) throw std::runtime_error(db.lastError().text().toStdString());
    return db;
}

void UseFilterTestContext() {
    kpv::ContextValues& c = kpv::Context();
    c.filiProc = QStringLiteral("0001");
    c.filiProcFat = QStringLiteral("0004");
    c.moduFili = false;
    c.moduloAtiv = 0;
    c.dataProc = QDate(2026, 3, 17);
    c.dataProcByBranch.clear();
}

}  // namespace filtertest
