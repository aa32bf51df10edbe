// The five methods of "Kpv41000.rdmEmissaoRPS" against the real kpv-appserver on 127.0.0.1, over SQLite,
// Firebird embedded and a Firebird server, through the framework's connection. The expected invoice
// lists come from the database itself, read before the server starts.
#include "appserver_process.h"
#include "db/database.h"
#include "db/dialect.h"
#include "framework/core/errors.h"
#include "framework/net/check_result.h"
#include "framework/net/connection.h"
#include "protocol/data_packet.h"
#include "test_database.h"
#include "test_database_settings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace kpv;

namespace {

const QDate kUntil(2026, 6, 30);
const QDate kFrom = kUntil.addDays(-364);

struct Invoice {
    QString branch, entry, company, ie, im, series, number, clientDigits, client, direction, type;
    QString emission, transmission, rps, rpsSeries;
    QDateTime exit;
    int conversionDays = 10;
    QString key() const { return branch + '/' + entry; }
};

// The eleven arguments of GetNotaFiscal, as the filter screen builds them.
struct Args {
    QString branch;
    QString types = QStringLiteral("T");
    QString company = QStringLiteral("01");
    QString ie, im, series;
    QString client = QStringLiteral("T");
    QDate from = kFrom;
    QDate to = kUntil;
    QString direction = QStringLiteral("S");
    QString situations = QStringLiteral("_1_2_3");

    QVariantList list() const {
        return {branch, types, company, ie, im, series, client, from, to, direction, situations};
    }
};

QString digits(const QString& text) {
    QString d;
    for (QChar c : text) {
        if (c.isDigit()) d += c;
    }
    return d;
}

// What GetNotaFiscal must answer, computed from the rows themselves.
QStringList expectedKeys(const std::vector<Invoice>& invoices, const Args& a) {
    QStringList keys;
    const QStringList typeKeys = a.types.split(',', Qt::SkipEmptyParts);
    for (const Invoice& inv : invoices) {
        if (inv.company != a.company || inv.direction != a.direction) continue;
        if (!a.branch.isEmpty() && inv.branch != a.branch) continue;
        if (a.types != "T" && !std::any_of(typeKeys.begin(), typeKeys.end(), [&](const QString& k) {
                return k.trimmed() == inv.direction + inv.type;
            })) {
            continue;
        }
        if (!a.ie.isEmpty() && inv.ie != a.ie) continue;
        if (!a.im.isEmpty() && inv.im != a.im) continue;
        if (!a.series.isEmpty() && inv.series != a.series) continue;
        if (a.client != "T" && inv.clientDigits != digits(a.client)) continue;
        if (inv.exit.date() < a.from || inv.exit.date() > a.to) continue;
        if (!a.situations.contains('_' + inv.emission)) continue;
        keys << inv.key();
    }
    return keys;
}

struct Engine {
    QString name;
    TestDatabase database;
    std::unique_ptr<AppServerProcess> server;
    std::unique_ptr<net::TNetConnection> connection;
    std::vector<Invoice> invoices;  // in the order the server must list them
    QHash<QString, qint64> counters;
    QHash<QString, QStringList> branchRegistrations;  // branch → IE, IM
    QString failure;
};

}  // namespace

class AppServerMethods : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::vector<std::unique_ptr<Engine>> engines_;

    Engine& engine(const QString& name) {
        for (auto& e : engines_) {
            if (e->name == name) return *e;
        }
        qFatal("no engine %s", qPrintable(name));
    }

    // Reads what the tests compare against, with the server not yet running.
    static void readReference(Engine& e) {
        {
            QSqlDatabase db = db::OpenDatabase(SettingsOf(e.database), "reference");
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.exec(
                "SELECT NF.CDFILIAL, NF.NRLANCTONF, NF.CDEMPRESA, NF.CDINSCESTA, NF.CDINSCMUNI, NF.CDSERIE,"
                " NF.NRNOTAFISC, NF.NRINSJURNF, NF.CDCLIENTE, NF.IDOPERACAO, NF.CDTIPOOPER, NF.IDEMISSAORPS,"
                " NF.IDTRANSMISRPS, NF.NRRPS, NF.CDSERIERPS, NF.DTENTRSAID, M.NRDIASCONVRPS"
                " FROM NOTAFISCAL NF JOIN INSCRMUNIC I ON I.CDEMPRESA = NF.CDEMPRESA AND I.CDINSCMUNI = "
                "NF.CDINSCMUNI"
                " JOIN MUNICIPIO M ON M.CDPAIS = I.CDPAIS AND M.SGESTADO = I.SGESTADO AND M.CDMUNICIPIO = "
                "I.CDMUNICIPIO"
                " ORDER BY NF.DTENTRSAID, NF.NRNOTAFISC, NF.CDFILIAL, NF.NRLANCTONF");
            while (q.next()) {
                Invoice inv;
                inv.branch = q.value(0).toString();
                inv.entry = q.value(1).toString();
                inv.company = q.value(2).toString();
                inv.ie = q.value(3).toString();
                inv.im = q.value(4).toString();
                inv.series = q.value(5).toString();
                inv.number = q.value(6).toString();
                inv.clientDigits = q.value(7).toString();
                inv.client = q.value(8).toString();
                inv.direction = q.value(9).toString().trimmed();
                inv.type = q.value(10).toString();
                inv.emission = q.value(11).toString().trimmed();
                inv.transmission = q.value(12).toString().trimmed();
                inv.rps = q.value(13).toString();
                inv.rpsSeries = q.value(14).toString();
                inv.exit = db::Dialect::readTimestamp(q.value(15));
                if (!q.value(16).isNull()) inv.conversionDays = q.value(16).toInt();
                e.invoices.push_back(inv);
            }
            QSqlQuery c(db);
            c.exec("SELECT CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRULTRPS FROM SERIERPS");
            while (c.next()) {
                e.counters[c.value(0).toString() + '|' + c.value(1).toString() + '|' +
                           c.value(2).toString()] = c.value(3).toLongLong();
            }
            QSqlQuery b(db);
            b.exec("SELECT CDFILIAL, CDINSCESTA, CDINSCMUNI FROM FILIAL");
            while (b.next())
                e.branchRegistrations[b.value(0).toString()] = {b.value(1).toString(), b.value(2).toString()};
        }
        db::CloseDatabase("reference");
    }

    // Series A loses the counters of its RPS series 2, so that its invoices meet an RPS series without number
    // control.
    static void dropSeriesACounters(const Engine& e) {
        {
            QSqlDatabase db = db::OpenDatabase(SettingsOf(e.database), "setup");
            QSqlQuery q(db);
            QVERIFY2(q.exec("DELETE FROM SERIERPS WHERE CDSERIERPS = '2'"), qPrintable(q.lastError().text()));
            QVERIFY(q.numRowsAffected() > 0);
        }
        db::CloseDatabase("setup");
    }

    static QVariant call(Engine& e, const QString& method, const QVariantList& args) {
        return CheckResultServ(e.connection->AppServer().Call(method, args), true, rkAny);
    }

    static protocol::DataPacket packet(Engine& e, const QString& method, const QVariantList& args) {
        return call(e, method, args).value<protocol::DataPacket>();
    }

    // The invoice's row as GetNotaFiscal lists it now.
    static QVariantList rowOf(Engine& e, const Invoice& inv) {
        Args a;
        a.company = inv.company;
        a.branch = inv.branch;
        a.direction = inv.direction;
        a.from = a.to = inv.exit.date();
        const protocol::DataPacket p = packet(e, "GetNotaFiscal", a.list());
        for (const QVariantList& row : p.rows()) {
            if (row[1].toString() == inv.branch && row[2].toString() == inv.entry) return row;
        }
        return {};
    }

    // The first invoice in a state that no earlier row of the test used.
    const Invoice* pick(Engine& e, const std::function<bool(const Invoice&)>& wanted) {
        static QSet<QString> used;
        for (const Invoice& inv : e.invoices) {
            if (wanted(inv) && !used.contains(e.name + inv.key())) {
                used.insert(e.name + inv.key());
                return &inv;
            }
        }
        return nullptr;
    }

    void skipUnavailable(const QString& name) {
        Engine& e = engine(name);
        if (!e.database.isValid()) QSKIP("the firebird_server fixture is not running");
        QVERIFY2(e.failure.isEmpty(), qPrintable(e.failure));
    }

    static void addEngineRows(const std::function<void(const QString&)>& add) {
        for (const char* name : {"sqlite", "firebird", "firebird-server"}) add(QString::fromLatin1(name));
    }

  private Q_SLOTS:
    void initTestCase() {
        for (const QString& name :
             {QStringLiteral("sqlite"), QStringLiteral("firebird"), QStringLiteral("firebird-server")}) {
            auto e = std::make_unique<Engine>();
            e->name = name;
            const QString folder = dir_.filePath(name);
            e->database = name == "sqlite" ? TestDatabase::Sqlite(folder)
                          : name == "firebird"
                              ? TestDatabase::FirebirdEmbedded(folder)
                              : TestDatabase::FirebirdServer(
                                    QStringLiteral("methods-%1").arg(QCoreApplication::applicationPid()));
            if (e->database.isValid()) {
                QString error;
                if (!RunDemoData(e->database, 1500, 21, kUntil, &error)) {
                    e->failure = error;
                } else {
                    dropSeriesACounters(*e);
                    readReference(*e);
                    e->server = std::make_unique<AppServerProcess>(e->database);
                    if (!e->server->start(&error)) e->failure = error;
                    e->connection = std::make_unique<net::TNetConnection>(nullptr, "netEmissaoRPS");
                    e->connection->ServerName = "Kpv41000.rdmEmissaoRPS";
                    e->connection->SetHost(e->server->host());
                    e->connection->SetPort(e->server->port());
                    e->connection->SetConnected(true);
                }
            }
            engines_.push_back(std::move(e));
        }
    }

    void invoicePacketHasTheRecordsFields() {
        Engine& e = engine("sqlite");
        QVERIFY2(e.failure.isEmpty(), qPrintable(e.failure));
        const protocol::DataPacket p = packet(e, "GetNotaFiscal", Args().list());
        using T = protocol::TFieldType;
        const QList<protocol::PacketField> expected = {
            {"IDCHECK", T::ftFixedChar, 1},    {"CDFILIAL", T::ftString, 4},
            {"NRLANCTONF", T::ftString, 10},   {"CDEMPRESA", T::ftString, 2},
            {"CDFILIEMIT", T::ftString, 4},    {"NRINSJURNF", T::ftString, 20},
            {"CDCLIENTE", T::ftString, 21},    {"NMRAZSOCCLIE", T::ftString, 50},
            {"NRNOTAFISCSE", T::ftString, 30}, {"DTENTRSAID", T::ftDateTime, 0},
            {"DTEMISSAO", T::ftDateTime, 0},   {"CDSERIE", T::ftString, 5},
            {"VRNOTAFISC", T::ftFloat, 0},     {"CDSERIERPSSERIE", T::ftString, 5},
            {"NRNOTAFISC", T::ftString, 20},   {"NRRPS", T::ftString, 30},
            {"IDEMISSAORPS", T::ftString, 1},  {"DADOSRODAPE", T::ftString, 76},
            {"IDTPIJURNF", T::ftString, 1},    {"IDTRANSMISRPS", T::ftString, 1},
        };
        QCOMPARE(p.fields().size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(p.fields()[i].name, expected[i].name);
            QCOMPARE(int(p.fields()[i].type), int(expected[i].type));
            QCOMPARE(p.fields()[i].size, expected[i].size);
        }
        QVERIFY(p.rows().size() > 100);
        for (const QVariantList& row : p.rows()) {
            QCOMPARE(row[0].toString(), QStringLiteral("N"));
            QVERIFY(row[9].toDateTime().isValid());
            const QString footer = row[17].toString();
            QVERIFY2(footer.size() <= 76 && footer.startsWith("Operação S"), qPrintable(footer));
            // An issued RPS not yet converted carries its conversion deadline.
            QCOMPARE(footer.contains("NFS-e"), row[16].toString() == "2");
            QCOMPARE(row[15].isNull(), row[16].toString() == "1");  // an RPS number exactly while one stands
        }
    }

    void listsTheInvoicesTheFilterSelects_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("filter");
        const QStringList filters = {"everything",
                                     "branch",
                                     "branch of another company",
                                     "type list",
                                     "type of other direction",
                                     "state registration",
                                     "municipal registration",
                                     "series",
                                     "client digits",
                                     "client masked",
                                     "unknown client",
                                     "one day",
                                     "reversed dates",
                                     "incoming",
                                     "not issued",
                                     "issued",
                                     "substituted",
                                     "not issued and substituted",
                                     "no situation",
                                     "other company",
                                     "combined"};
        for (const char* name : {"sqlite", "firebird", "firebird-server"}) {
            for (const QString& f : filters)
                QTest::addRow("%s %s", name, qPrintable(f)) << QString(name) << f;
        }
    }
    void listsTheInvoicesTheFilterSelects() {
        QFETCH(QString, engine);
        QFETCH(QString, filter);
        skipUnavailable(engine);
        Engine& e = this->engine(engine);
        // Values that exist in the data: a client, a day with invoices, the registrations of branch 0003.
        const Invoice& sample = *std::find_if(e.invoices.begin(), e.invoices.end(), [](const Invoice& i) {
            return i.company == "01" && i.direction == "S" && i.clientDigits.size() == 14;
        });
        const QStringList reg = e.branchRegistrations.value("0003");
        Args a;
        if (filter == "branch") a.branch = "0002";
        if (filter == "branch of another company") a.branch = "0005";
        if (filter == "type list") a.types = "S01,S03";
        if (filter == "type of other direction") a.types = "E01";
        if (filter == "state registration") a.ie = reg.value(0);
        if (filter == "municipal registration") a.im = reg.value(1);
        if (filter == "series") a.series = "A";
        if (filter == "client digits") a.client = sample.clientDigits;
        if (filter == "client masked") {
            const QString d = sample.clientDigits;
            a.client =
                d.left(2) + '.' + d.mid(2, 3) + '.' + d.mid(5, 3) + '/' + d.mid(8, 4) + '-' + d.mid(12);
        }
        if (filter == "unknown client") a.client = "00000000000191";
        if (filter == "one day") a.from = a.to = sample.exit.date();
        if (filter == "reversed dates") std::swap(a.from, a.to);
        if (filter == "incoming") a.direction = "E";
        if (filter == "not issued") a.situations = "_1";
        if (filter == "issued") a.situations = "_2";
        if (filter == "substituted") a.situations = "_3";
        if (filter == "not issued and substituted") a.situations = "_1_3";
        if (filter == "no situation") a.situations = "";
        if (filter == "other company") a.company = "03";
        if (filter == "combined") {
            a.branch = "0003";
            a.types = "S01,S02,S05";
            a.ie = reg.value(0);
            a.im = reg.value(1);
            a.series = "1";
            a.from = kUntil.addDays(-120);
            a.to = kUntil.addDays(-10);
            a.situations = "_1_2";
        }
        const QStringList expected = expectedKeys(e.invoices, a);
        const bool empty = filter == "branch of another company" || filter == "type of other direction" ||
                           filter == "unknown client" || filter == "reversed dates" ||
                           filter == "no situation";
        QCOMPARE(expected.isEmpty(), empty);  // the data holds what the filter looks for

        const protocol::DataPacket p = packet(e, "GetNotaFiscal", a.list());
        QStringList keys;
        for (const QVariantList& row : p.rows()) keys << row[1].toString() + '/' + row[2].toString();
        QCOMPARE(keys, expected);
        QCOMPARE(p.fields().size(), 20);
    }

    void operationTypes_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("firstName");
        addEngineRows([](const QString& name) {
            QTest::addRow("%s outgoing", qPrintable(name))
                << name << QStringList{"", "T", "S"} << QStringList{"S01", "S02", "S03", "S04", "S05", "S06"}
                << "Prestação de serviços";
            QTest::addRow("%s incoming", qPrintable(name))
                << name << QStringList{"", "T", "E"} << QStringList{"E01", "E02", "E03"}
                << "Serviços tomados";
            QTest::addRow("%s one type", qPrintable(name))
                << name << QStringList{"02", "", "S"} << QStringList{"S02"} << "Consultoria e assessoria";
            QTest::addRow("%s no such type", qPrintable(name))
                << name << QStringList{"09", "", "E"} << QStringList{} << "";
        });
    }
    void operationTypes() {
        QFETCH(QString, engine);
        QFETCH(QStringList, args);
        QFETCH(QStringList, keys);
        QFETCH(QString, firstName);
        skipUnavailable(engine);
        const protocol::DataPacket p =
            packet(this->engine(engine), "GetTipoOper", {args[0], args[1], args[2]});
        QCOMPARE(p.fields().size(), 4);
        QCOMPARE(p.fields()[0].name, QStringLiteral("IDMARCADO"));
        QCOMPARE(int(p.fields()[0].type), int(protocol::TFieldType::ftFixedChar));
        QCOMPARE(p.fields()[3].name, QStringLiteral("CHAVE"));
        QStringList got;
        for (const QVariantList& row : p.rows()) {
            QCOMPARE(row[0].toString(), QStringLiteral("N"));
            QCOMPARE(row[3].toString(), args[2] + row[1].toString());
            got << row[3].toString();
        }
        QCOMPARE(got, keys);
        if (!keys.isEmpty()) QCOMPARE(p.rows()[0][2].toString(), firstName);
    }

    void municipalRegistrations_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("company");
        QTest::addColumn<QString>("branch");  // whose registration is asked for; empty for all
        QTest::addColumn<QString>("one");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("city");
        addEngineRows([](const QString& name) {
            QTest::addRow("%s one", qPrintable(name)) << name << "01"
                                                      << "0001"
                                                      << "S" << 1 << "São Paulo";
            QTest::addRow("%s one of company 03", qPrintable(name)) << name << "03"
                                                                    << "0008"
                                                                    << "S" << 1 << "Curitiba";
            QTest::addRow("%s all", qPrintable(name)) << name << "01"
                                                      << ""
                                                      << "N" << 4 << "";
            QTest::addRow("%s of another company", qPrintable(name)) << name << "02"
                                                                     << "0001"
                                                                     << "S" << 0 << "";
        });
    }
    void municipalRegistrations() {
        QFETCH(QString, engine);
        QFETCH(QString, company);
        QFETCH(QString, branch);
        QFETCH(QString, one);
        QFETCH(int, rows);
        QFETCH(QString, city);
        skipUnavailable(engine);
        Engine& e = this->engine(engine);
        const QString registration =
            branch.isEmpty() ? QString() : e.branchRegistrations.value(branch).value(1);
        const protocol::DataPacket p = packet(e, "GetInscrMunicip", {company, registration, one});
        const QStringList names = {"CDINSCMUNI",  "NMREPRINSMUN", "NRCERTDIGNFSE", "IDAMBTRABNFSE",
                                   "CDPAIS",      "NMPAIS",       "SGESTADO",      "NMESTADO",
                                   "CDMUNICIPIO", "NMMUNICIPIO",  "CDMUNICIBGE"};
        QCOMPARE(p.fields().size(), names.size());
        for (int i = 0; i < names.size(); ++i) QCOMPARE(p.fields()[i].name, names[i]);
        QCOMPARE(int(p.rows().size()), rows);
        QStringList listed;
        for (const QVariantList& row : p.rows()) listed << row[0].toString();
        QStringList sorted = listed;
        sorted.sort();
        QCOMPARE(listed, sorted);
        if (!city.isEmpty()) {
            QCOMPARE(p.rows()[0][0].toString(), registration);
            QCOMPARE(p.rows()[0][9].toString(), city);
            QCOMPARE(p.rows()[0][5].toString(), QStringLiteral("Brasil"));
            QCOMPARE(p.rows()[0][10].toString().size(), 7);
            QVERIFY(QStringList({"1", "2"}).contains(p.rows()[0][3].toString()));
        }
    }

    void refusalsLeaveTheInvoiceAsItWas_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("method");
        // IDEMISSAORPS/IDTRANSMISRPS of the invoice and, after a blank, its series; or "none"
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("text");  // %1: the invoice's municipal registration
        addEngineRows([](const QString& n) {
            const QByteArray latin = n.toLatin1();
            const char* name = latin.constData();
            QTest::addRow("%s prepare substituted", name)
                << n << "PreparaImpressao"
                << "3/4"
                << "N"
                << "O RPS desta nota fiscal já foi substituído por NFS-e.";
            QTest::addRow("%s prepare transmitted", name)
                << n << "PreparaImpressao"
                << "1/4"
                << "N"
                << "Nota fiscal já transmitida como NFS-e; o RPS não pode ser emitido.";
            QTest::addRow("%s prepare transmitted 2", name)
                << n << "PreparaImpressao"
                << "1/2"
                << "N"
                << "Nota fiscal já transmitida como NFS-e; o RPS não pode ser emitido.";
            // Issued, but gone out as an NFS-e: the receipt is not printed again.
            for (const char* transmission : {"2", "3", "4"}) {
                QTest::addRow("%s prepare issued and transmitted %s", name, transmission)
                    << n << "PreparaImpressao" << QString("2/") + transmission << "N"
                    << "O RPS desta nota fiscal já foi transmitido como NFS-e e não pode ser impresso "
                       "novamente.";
            }
            QTest::addRow("%s prepare series without number control", name)
                << n << "PreparaImpressao"
                << "1/1 A"
                << "N"
                << "A série de RPS 2 não tem controle de numeração para a inscrição municipal %1.";
            QTest::addRow("%s prepare series without RPS", name)
                << n << "PreparaImpressao"
                << "1/1 U"
                << "N"
                << "A série U da nota fiscal não tem série de RPS definida.";
            QTest::addRow("%s prepare unknown invoice", name)
                << n << "PreparaImpressao"
                << "none"
                << "N"
                << "Nota fiscal não encontrada (filial 0001, lançamento 9999999999).";
            QTest::addRow("%s prepare again spends nothing", name) << n << "PreparaImpressao"
                                                                   << "2/1"
                                                                   << "S"
                                                                   << "";
            QTest::addRow("%s cancel not issued", name) << n << "CancelaEmissao"
                                                        << "1/1"
                                                        << "N"
                                                        << "A nota fiscal não tem RPS emitido.";
            QTest::addRow("%s cancel substituted", name)
                << n << "CancelaEmissao"
                << "3/4"
                << "N"
                << "O RPS desta nota fiscal já foi substituído por NFS-e e não pode ser cancelado.";
            QTest::addRow("%s cancel transmitted", name)
                << n << "CancelaEmissao"
                << "2/2"
                << "N"
                << "O RPS já foi transmitido como NFS-e e não pode ser cancelado.";
            QTest::addRow("%s cancel accepted", name)
                << n << "CancelaEmissao"
                << "2/4"
                << "N"
                << "O RPS já foi transmitido como NFS-e e não pode ser cancelado.";
            QTest::addRow("%s cancel unknown invoice", name)
                << n << "CancelaEmissao"
                << "none"
                << "N"
                << "Nota fiscal não encontrada (filial 0001, lançamento 9999999999).";
        });
    }
    void refusalsLeaveTheInvoiceAsItWas() {
        QFETCH(QString, engine);
        QFETCH(QString, method);
        QFETCH(QString, state);
        QFETCH(QString, status);
        QFETCH(QString, text);
        skipUnavailable(engine);
        Engine& e = this->engine(engine);
        Invoice missing;
        missing.branch = "0001";
        missing.entry = "9999999999";
        const Invoice* inv = &missing;
        if (state != "none") {
            const QString series = state.section(' ', 1);
            inv = pick(e, [&](const Invoice& i) {
                return i.emission + '/' + i.transmission == state.left(3) &&
                       (series.isEmpty() ? i.series != "U" : i.series == series);
            });
            QVERIFY2(inv, "no invoice in that state");
        }
        const QVariantList before = state == "none" ? QVariantList() : rowOf(e, *inv);
        const QVariantList result = call(e, method, {inv->branch, inv->entry}).toList();
        QCOMPARE(result.mid(0, 2), (QVariantList{status, text.contains("%1") ? text.arg(inv->im) : text}));
        // An issued invoice's RPS is answered after the status, as it stands.
        const QVariantList answered = status == "S" && method == "PreparaImpressao"
                                          ? QVariantList{inv->rpsSeries, inv->rps}
                                          : QVariantList{};
        QCOMPARE(result.mid(2), answered);
        if (state != "none") QCOMPARE(rowOf(e, *inv), before);
    }

    // Issue, repeat, cancel and issue again: the numbers rise by one, and a cancelled one stays spent.
    void rpsLifecycle_data() {
        QTest::addColumn<QString>("engine");
        addEngineRows([](const QString& n) { QTest::addRow("%s", qPrintable(n)) << n; });
    }
    void rpsLifecycle() {
        QFETCH(QString, engine);
        skipUnavailable(engine);
        Engine& e = this->engine(engine);
        const Invoice* inv = pick(e, [](const Invoice& i) {
            return i.emission == "1" && i.transmission == "1" && i.series == "1" && i.direction == "S";
        });
        const Invoice* pending =
            pick(e, [](const Invoice& i) { return i.emission == "2" && i.transmission == "3"; });
        QVERIFY(inv && pending);
        const QString counterKey = inv->company + '|' + inv->im + "|1";
        const qint64 last = e.counters.value(counterKey);
        const QVariantList ok{"S", ""};
        const auto issued = [](qint64 number) { return QVariantList{"S", "", "1", QString::number(number)}; };

        QCOMPARE(call(e, "PreparaImpressao", {inv->branch, inv->entry}).toList(), issued(last + 1));
        QVariantList row = rowOf(e, *inv);
        QCOMPARE(row[16].toString(), QStringLiteral("2"));
        QCOMPARE(row[15].toString(), QString::number(last + 1));
        QCOMPARE(row[13].toString(), QStringLiteral("1"));
        const QString deadline = QDate::currentDate().addDays(inv->conversionDays).toString("dd/MM/yyyy");
        QVERIFY2(row[17].toString().endsWith("Converter em NFS-e até " + deadline),
                 qPrintable(row[17].toString()));

        QCOMPARE(call(e, "PreparaImpressao", {inv->branch, inv->entry}).toList(), issued(last + 1));
        QCOMPARE(rowOf(e, *inv)[15].toString(), QString::number(last + 1));

        QCOMPARE(call(e, "CancelaEmissao", {inv->branch, inv->entry}).toList(), ok);
        row = rowOf(e, *inv);
        QCOMPARE(row[16].toString(), QStringLiteral("1"));
        QVERIFY(row[15].isNull());
        QVERIFY(!row[17].toString().contains("NFS-e"));
        QCOMPARE(call(e, "CancelaEmissao", {inv->branch, inv->entry}).toList(),
                 (QVariantList{"N", "A nota fiscal não tem RPS emitido."}));

        QCOMPARE(call(e, "PreparaImpressao", {inv->branch, inv->entry}).toList(), issued(last + 2));
        QCOMPARE(rowOf(e, *inv)[15].toString(), QString::number(last + 2));

        // Transmitted with the city's return pending: cancelling is still allowed and clears the
        // transmission.
        QCOMPARE(call(e, "CancelaEmissao", {pending->branch, pending->entry}).toList(), ok);
        row = rowOf(e, *pending);
        QCOMPARE(row[16].toString(), QStringLiteral("1"));
        QCOMPARE(row[19].toString(), QStringLiteral("1"));

        const int exitCode = e.server->stop();
        QVERIFY2(exitCode == 0,
                 qPrintable(QStringLiteral("exit %1: %2").arg(exitCode).arg(e.server->log().right(3000))));
        QVERIFY2(e.server->log().contains("CancelaEmissao"), "calls are logged");
        {
            QSqlDatabase db = db::OpenDatabase(SettingsOf(e.database), "after");
            QSqlQuery q(db);
            QVERIFY(
                q.prepare("SELECT NRRPS, IDSITRPS FROM RPSEMITIDO WHERE CDFILIAL = ? AND NRLANCTONF = ? "
                          "ORDER BY NRRPS"));
            q.addBindValue(inv->branch);
            q.addBindValue(inv->entry);
            QVERIFY(q.exec());
            QStringList ledger;
            while (q.next()) ledger << q.value(0).toString() + q.value(1).toString().trimmed();
            QCOMPARE(ledger, (QStringList{QString::number(last + 1) + "C", QString::number(last + 2) + "E"}));
            QSqlQuery c(db);
            QVERIFY(
                c.prepare("SELECT NRULTRPS FROM SERIERPS WHERE CDEMPRESA = ? AND CDINSCMUNI = ? AND "
                          "CDSERIERPS = '1'"));
            c.addBindValue(inv->company);
            c.addBindValue(inv->im);
            QVERIFY(c.exec() && c.next());
            QCOMPARE(c.value(0).toLongLong(), last + 2);
            QSqlQuery p(db);
            QVERIFY(p.prepare(
                "SELECT IDSITRPS FROM RPSEMITIDO WHERE CDFILIAL = ? AND NRLANCTONF = ? ORDER BY NRRPS DESC"));
            p.addBindValue(pending->branch);
            p.addBindValue(pending->entry);
            QVERIFY(p.exec() && p.next());
            QCOMPARE(p.value(0).toString().trimmed(), QStringLiteral("C"));
            QSqlQuery d(db);
            QVERIFY(d.prepare(
                "SELECT DTEMISRPS, DTLIMCONVNFSE FROM NOTAFISCAL WHERE CDFILIAL = ? AND NRLANCTONF = ?"));
            d.addBindValue(inv->branch);
            d.addBindValue(inv->entry);
            QVERIFY(d.exec() && d.next());
            QCOMPARE(db::Dialect::readDate(d.value(1)),
                     db::Dialect::readTimestamp(d.value(0)).date().addDays(inv->conversionDays));
        }
        db::CloseDatabase("after");
    }

    void cleanupTestCase() {
        for (auto& e : engines_) {
            if (e->connection) e->connection->SetConnected(false);
            if (e->server && e->server->running()) QCOMPARE(e->server->stop(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(AppServerMethods)
#include "test_appserver_methods.moc"
