// The application database on SQLite and Firebird: the columns the module's statements name with their
// sizes, the module's own statements run as its queries run them, the Firebird routines, settings, opening
// and retries.
#include "db/audit_trail.h"
#include "db/connection.h"
#include "db/database.h"
#include "db/database_error.h"
#include "db/demodata/demo_generator.h"
#include "db/dialect.h"
#include "db/sql.h"
#include "db/write_batch.h"
#include "db/write_transaction.h"
#include "emission/statements.h"
#include "filter/statements.h"
#include "framework/data/db_module.h"
#include "framework/data/query.h"
#include "settings/settings_file.h"
#include "test_database.h"
#include "test_database_settings.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <thread>

#include <atomic>

using namespace kpv;

namespace {

using Cli_kpv41000::TQueryStatements;
namespace emission = Cli_kpv41000::statements;
namespace filter = Cli_kpv41100::statements;

// Runs one of the module's statements as its screen does: the query takes the text of the database in use
// and gives each parameter its value wherever its name occurs (an invalid value is a null). The values of
// one field, in the order of the rows.
QStringList run(const QString& connection, const TQueryStatements& statements, const QVariantMap& params,
                const QString& field) {
    kpv::data::TdtmDBGeral::Instance().Open(connection);
    kpv::data::TADOIBQuery query(nullptr, QStringLiteral("qryModulo"));
    statements.AssignTo(query);
    for (auto it = params.begin(); it != params.end(); ++it) {
        if (it.value().isValid())
            query.ParamByName(it.key())->SetAsString(it.value().toString());
        else
            query.ParamByName(it.key())->Clear();
    }
    query.Open();
    QStringList values;
    kpv::data::TClientDataSet* rows = query.Query();
    for (rows->First(); !rows->Eof(); rows->Next()) values << query.FieldByName(field)->AsString();
    return values;
}

}  // namespace

Q_DECLARE_METATYPE(Cli_kpv41000::TQueryStatements)

class Schema : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int connections_ = 0;
    QStringList kept_;  // connections shared by the rows of one test

    // A fresh database of the row's engine; skips when the run has no Firebird server.
    TestDatabase fresh(const QString& engine) {
        const QString folder = dir_.filePath(QString::number(++connections_));
        if (engine == QLatin1String("sqlite")) return TestDatabase::Sqlite(folder);
        if (engine == QLatin1String("firebird")) return TestDatabase::FirebirdEmbedded(folder);
        return TestDatabase::FirebirdServer(
            QStringLiteral("schema-%1-%2").arg(QCoreApplication::applicationPid()).arg(connections_));
    }

    QString name() { return QStringLiteral("c%1").arg(connections_); }

    // The server's own connection to `target`, made with its schema first.
    std::unique_ptr<db::Connection> connectWithSchema(const TestDatabase& target) {
        { QSqlDatabase created = db::OpenDatabase(SettingsOf(target), name()); }
        db::CloseDatabase(name());
        return db::Connect(SettingsOf(target));
    }

    static void engines() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("firebird embedded") << "firebird";
        QTest::newRow("firebird server") << "firebird-server";
    }

  private Q_SLOTS:
    void cleanup() {
        kpv::data::TdtmDBGeral::Instance().Close();
        for (const QString& c : QSqlDatabase::connectionNames()) {
            if (!kept_.contains(c)) db::CloseDatabase(c);
        }
    }

    void columnsHaveTheSizesTheStatementsExpect_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("columnName");
        QTest::addColumn<int>("size");
        struct Row {
            const char* table;
            const char* column;
            int size;
        };
        // The sizes of the fields the module's statements and packets read.
        const Row rows[] = {
            {"EMPRESA", "CDEMPRESA", 2},
            {"EMPRESA", "NMRAZSOCEMPR", 80},
            {"EMPRESA", "CDCENTCUST", 4},
            {"FILIAL", "CDFILIAL", 4},
            {"FILIAL", "NMFILIAL", 30},
            {"FILIAL", "CDINSCESTA", 16},
            {"FILIAL", "CDINSCMUNI", 16},
            {"FILIAL", "CDSERIE", 5},
            {"EMPRCNTRFIL", "CDFILIAL", 4},
            {"EMPRCNTRFIL", "CDINSCESTA", 16},
            {"EMPRCNTRFIL", "CDINSCMUNI", 16},
            {"EMPRCNTRFIL", "CDSERIE", 5},
            {"INSCRESTAD", "CDINSCESTA", 16},
            {"INSCRESTAD", "NRSERIECERTIFIC", 50},
            {"INSCRESTAD", "NMREPRINSEST", 40},
            {"INSCRESTAD", "SGESTADO", 2},
            {"INSCRESTAD", "IDTPAMBIENTENFE", 1},
            {"MUNICIPIO", "CDMUNICIBGE", 7},
            {"MUNICIPIO", "CDMUNICIPIO", 4},
            {"MUNICIPIO", "NMMUNICIPIO", 30},
            {"SERIENF", "CDSERIE", 5},
            {"SERIENF", "DSSERIE", 20},
            {"SERIENF", "CDEMPRESA", 2},
            {"SERIENF", "CDINSCESTA", 16},
            {"SERIENF", "CDRELMODENF", 100},
            {"SERIENF", "CDRELESPENF", 100},
            {"SERIENF", "IDUTDTPREMIS", 1},
            {"SERIENF", "CDCTRLNUMENF", 10},
            {"CTRLNUMENF", "CDCTRLNUMENF", 10},
            {"CTRLNUMENF", "IDCONSDTEMIS", 1},
            {"CTRLNUMENF", "IDUTCTRLFORM", 1},
            {"CTRLNUMENF", "IDUTLOCAEMIS", 1},
            {"CTRLNUMENF", "IDUTFILILCEM", 1},
            {"CLIENTE", "CDCLIENTE", 21},
            {"CLIENTE", "IDTPIJURCLIE", 1},
            {"CLIENTE", "NRINSJURCLIE", 20},
            {"CLIENTE", "NMRAZSOCCLIE", 50},
            {"CLIENTE", "NMFANTCLIE", 50},
            {"INSCRMUNIC", "CDINSCMUNI", 16},
            {"INSCRMUNIC", "NMREPRINSMUN", 40},
            {"INSCRMUNIC", "NRCERTDIGNFSE", 50},
            {"INSCRMUNIC", "IDAMBTRABNFSE", 20},
            {"PAIS", "CDPAIS", 4},
            {"PAIS", "NMPAIS", 30},
            {"ESTADO", "NMESTADO", 30},
            {"TIPOOPER", "CDTIPOOPER", 2},
            {"TIPOOPER", "NMTIPOOPER", 30},
            {"NOTAFISCAL", "CDFILIAL", 4},
            {"NOTAFISCAL", "NRLANCTONF", 10},
            {"NOTAFISCAL", "CDEMPRESA", 2},
            {"NOTAFISCAL", "CDFILIEMIT", 4},
            {"NOTAFISCAL", "NRINSJURNF", 20},
            {"NOTAFISCAL", "CDCLIENTE", 21},
            {"NOTAFISCAL", "NRNOTAFISCSE", 30},
            {"NOTAFISCAL", "CDSERIE", 5},
            {"NOTAFISCAL", "NRNOTAFISC", 20},
            {"NOTAFISCAL", "NRRPS", 30},
            {"NOTAFISCAL", "IDEMISSAORPS", 1},
            {"NOTAFISCAL", "IDTPIJURNF", 1},
            {"NOTAFISCAL", "IDTRANSMISRPS", 1},
        };
        for (const char* engine : {"sqlite", "firebird"}) {
            for (const Row& r : rows) {
                QTest::addRow("%s %s.%s", engine, r.table, r.column)
                    << engine << r.table << r.column << r.size;
            }
        }
    }

    void columnsHaveTheSizesTheStatementsExpect() {
        QFETCH(QString, engine);
        QFETCH(QString, table);
        QFETCH(QString, columnName);
        QFETCH(int, size);
        const QString connection = QStringLiteral("sizes-") + engine;
        if (!kept_.contains(connection)) {
            db::OpenDatabase(SettingsOf(fresh(engine)), connection);
            kept_ << connection;
        }
        QSqlDatabase db = QSqlDatabase::database(connection);
        QSqlQuery q(db);
        int declared = -1;
        if (engine == QLatin1String("sqlite")) {
            QVERIFY(q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)));
            while (q.next()) {
                if (q.value(1).toString() == columnName) {
                    declared = QRegularExpression(QStringLiteral("\\((\\d+)\\)"))
                                   .match(q.value(2).toString())
                                   .captured(1)
                                   .toInt();
                }
            }
        } else {
            QVERIFY(q.prepare(
                QStringLiteral("SELECT F.RDB$CHARACTER_LENGTH FROM RDB$RELATION_FIELDS R JOIN RDB$FIELDS F"
                               " ON F.RDB$FIELD_NAME = R.RDB$FIELD_SOURCE"
                               " WHERE R.RDB$RELATION_NAME = ? AND R.RDB$FIELD_NAME = ?")));
            q.addBindValue(table);
            q.addBindValue(columnName);
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
            if (q.next()) declared = q.value(0).toInt();
        }
        QCOMPARE(declared, size);
    }

    void everyTableExistsOnEveryEngine_data() { engines(); }
    void everyTableExistsOnEveryEngine() {
        QFETCH(QString, engine);
        const TestDatabase target = fresh(engine);
        if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
        {
            QSqlDatabase db = db::OpenDatabase(SettingsOf(target), name());
            for (const db::Table& t : db::Schema()) {
                const QSqlRecord record = db.record(t.name);
                QVERIFY2(!record.isEmpty(), qPrintable(t.name));
                for (const db::Column& c : t.columns)
                    QVERIFY2(record.contains(c.name), qPrintable(t.name + '.' + c.name));
            }
            QSqlQuery insert(db);
            QVERIFY(
                insert.exec(QStringLiteral("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('1058', 'Brasil')")));
        }
        // Opening again keeps the data: the schema is installed once.
        db::CloseDatabase(name());
        QSqlDatabase again = db::OpenDatabase(SettingsOf(target), name());
        QSqlQuery q(again);
        QVERIFY(q.exec(QStringLiteral("SELECT NMPAIS FROM PAIS")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("Brasil"));
    }

    void moduleStatementsRunVerbatim_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<TQueryStatements>("statements");
        QTest::addColumn<QVariantMap>("params");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("order");  // "rows" as returned, "sorted", or "distinct" and sorted
        QTest::addColumn<QStringList>("expected");

        // The demo data's companies, branches and series are fixed; only the numbers vary with the seed.
        const QString ie = QStringLiteral("@IE:0003");  // resolved per database: registrations of branch 0003
        for (const char* engine : {"sqlite", "firebird"}) {
            QTest::addRow("%s empresa one", engine)
                << engine << emission::qryEmpresa << QVariantMap{{"P_CDEMPRESA", "02"}, {"P_TCDEMPRESA", ""}}
                << "NMRAZSOCEMPR"
                << "rows" << QStringList{"Alvorada Serviços Contábeis S.A."};
            QTest::addRow("%s empresa all", engine)
                << engine << emission::qryEmpresa << QVariantMap{{"P_CDEMPRESA", ""}, {"P_TCDEMPRESA", "T"}}
                << "CDEMPRESA"
                << "rows" << QStringList{"01", "02", "03"};
            QTest::addRow("%s filial one", engine)
                << engine << filter::qryFilial << QVariantMap{{"P_CDFILIAL", "0008"}, {"P_TODOS", ""}}
                << "NMFILIAL"
                << "rows" << QStringList{"Ipê Engenharia - Curitiba"};
            QTest::addRow("%s filial missing", engine)
                << engine << filter::qryFilial << QVariantMap{{"P_CDFILIAL", "9999"}, {"P_TODOS", ""}}
                << "CDFILIAL"
                << "rows" << QStringList{};
            QTest::addRow("%s filial all", engine)
                << engine << filter::qryFilial << QVariantMap{{"P_CDFILIAL", ""}, {"P_TODOS", "T"}}
                << "CDFILIAL"
                << "rows" << QStringList{"0001", "0002", "0003", "0004", "0005", "0006",
                                         "0007", "0008", "0009", "0010", "0011"};
            // The company's own branches and the sister company's branch it is related to; one value for
            // both halves of the union.
            QTest::addRow("%s relation union", engine)
                << engine << filter::qryEmprCntrFil << QVariantMap{{"P_CDEMPRESA", "01"}} << "CDFILIAL"
                << "distinct" << QStringList{"0001", "0002", "0003", "0004", "0005"};
            QTest::addRow("%s inscrição estadual all", engine)
                << engine << filter::qryInscrEstad
                << QVariantMap{{"P_CDEMPRESA", "02"}, {"P_CDINSCESTA", QVariant()}, {"P_TCDINSCESTA", "T"}}
                << "SGESTADO"
                << "sorted" << QStringList{"DF", "MG", "MG"};
            QTest::addRow("%s cliente none", engine)
                << engine << filter::qryCliente
                << QVariantMap{{"P_NRINSJURCLIE", "00000000000"}, {"P_TODOS", "N"}} << "CDCLIENTE"
                << "rows" << QStringList{};
            // Each engine runs its own series statement, with the same rows.
            QTest::addRow("%s série all", engine)
                << engine << filter::qrySerieNF
                << QVariantMap{{"P_CDSERIE", QVariant()}, {"P_CDEMPRESA", "01"}, {"P_CDINSCESTA", ie}}
                << "CDSERIE"
                << "rows" << QStringList{"1", "A"};
            // Branch 0003's series A names a number control that CTRLNUMENF does not hold: still listed.
            QTest::addRow("%s série without control", engine)
                << engine << filter::qrySerieNF
                << QVariantMap{{"P_CDSERIE", "A"}, {"P_CDEMPRESA", "01"}, {"P_CDINSCESTA", ie}}
                << "CDCTRLNUMENF"
                << "rows" << QStringList{""};
            QTest::addRow("%s série with control", engine)
                << engine << filter::qrySerieNF
                << QVariantMap{{"P_CDSERIE", "1"}, {"P_CDEMPRESA", "01"}, {"P_CDINSCESTA", ie}}
                << "CDCTRLNUMENF"
                << "rows" << QStringList{"0003-1"};
            QTest::addRow("%s série other company", engine)
                << engine << filter::qrySerieNF
                << QVariantMap{{"P_CDSERIE", "1"}, {"P_CDEMPRESA", "02"}, {"P_CDINSCESTA", ie}} << "CDSERIE"
                << "rows" << QStringList{};
        }
    }

    void moduleStatementsRunVerbatim() {
        QFETCH(QString, engine);
        QFETCH(TQueryStatements, statements);
        QFETCH(QVariantMap, params);
        QFETCH(QString, field);
        QFETCH(QString, order);
        QFETCH(QStringList, expected);
        const QString connection = QStringLiteral("demo-") + engine;
        if (!kept_.contains(connection)) {
            QSqlDatabase db = db::OpenDatabase(SettingsOf(fresh(engine)), connection);
            demo::GenerateDemoData(db, {300, 5, QDate(2026, 6, 30)});
            kept_ << connection;
        }
        QSqlDatabase db = QSqlDatabase::database(connection);
        if (params.value("P_CDINSCESTA") == QStringLiteral("@IE:0003")) {
            QSqlQuery branch(db);
            QVERIFY(branch.exec(
                QStringLiteral("SELECT CDINSCESTA, CDINSCMUNI FROM FILIAL WHERE CDFILIAL = '0003'")));
            QVERIFY(branch.next());
            params["P_CDINSCESTA"] = branch.value(0);
            params["P_CDINSCMUNI"] = branch.value(1);
        }
        QStringList values = run(connection, statements, params, field);
        if (order == QLatin1String("distinct")) values.removeDuplicates();
        if (order != QLatin1String("rows")) values.sort();
        QCOMPARE(values, expected);
    }

    void clientStatementFindsTheStoredDigits_data() {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << "sqlite";
        QTest::newRow("firebird") << "firebird";
    }
    void clientStatementFindsTheStoredDigits() {
        QFETCH(QString, engine);
        QSqlDatabase db = db::OpenDatabase(SettingsOf(fresh(engine)), name());
        demo::GenerateDemoData(db, {100, 11, QDate(2026, 6, 30)});
        QSqlQuery any(db);
        QVERIFY(any.exec(
            QStringLiteral("SELECT NRINSJURCLIE, NMRAZSOCCLIE FROM CLIENTE WHERE IDTPIJURCLIE = 'F'")));
        QVERIFY(any.next());
        const QString number = any.value(0).toString();
        const QString nameOfClient = any.value(1).toString();
        any.finish();
        QCOMPARE(run(db.connectionName(), filter::qryCliente, {{"P_NRINSJURCLIE", number}, {"P_TODOS", "N"}},
                     "NMRAZSOCCLIE"),
                 QStringList{nameOfClient});
    }

    void firebirdRoutines_data() {
        QTest::addColumn<QVariant>("first");
        QTest::addColumn<QVariant>("second");
        QTest::addColumn<QVariant>("nvl");
        QTest::newRow("null takes the second") << QVariant() << QVariant("A") << QVariant("A");
        QTest::newRow("value stays") << QVariant("1") << QVariant("A") << QVariant("1");
        QTest::newRow("empty is a value") << QVariant("") << QVariant("A") << QVariant("");
        QTest::newRow("both null") << QVariant() << QVariant() << QVariant();
        QTest::newRow("accents") << QVariant("Série ç") << QVariant("x") << QVariant("Série ç");
    }
    void firebirdRoutines() {
        QFETCH(QVariant, first);
        QFETCH(QVariant, second);
        QFETCH(QVariant, nvl);
        const QString connection = QStringLiteral("routines");
        if (!kept_.contains(connection)) {
            db::OpenDatabase(SettingsOf(fresh("firebird")), connection);
            kept_ << connection;
        }
        QSqlDatabase db = QSqlDatabase::database(connection);
        const auto typed = [](const QVariant& v) {
            return v.isValid() ? v : QVariant(QMetaType::fromType<QString>());
        };

        QSqlQuery param(db);
        QVERIFY(param.prepare(QStringLiteral("SELECT P.PARAM FROM PARAM(?) P")));
        param.addBindValue(typed(first));
        QVERIFY2(param.exec(), qPrintable(param.lastError().text()));
        QVERIFY(param.next());
        QCOMPARE(param.value(0).isNull(), !first.isValid());
        QCOMPARE(param.value(0).toString(), first.toString());
        QVERIFY2(!param.next(), "PARAM returns exactly one row");

        QSqlQuery f(db);
        QVERIFY(f.prepare(QStringLiteral(
            "SELECT NVLSTR(CAST(? AS VARCHAR(20)), CAST(? AS VARCHAR(20))) FROM RDB$DATABASE")));
        f.addBindValue(typed(first));
        f.addBindValue(typed(second));
        QVERIFY2(f.exec(), qPrintable(f.lastError().text()));
        QVERIFY(f.next());
        QCOMPARE(f.value(0).isNull(), !nvl.isValid());
        QCOMPARE(f.value(0).toString(), nvl.toString());
    }

    void settingsFromTheConfiguration_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("error");
        QTest::newRow("defaults") << "" << int(db::Engine::SQLite) << ""
                                  << "" << 0 << ""
                                  << "";
        // A file of this machine named relatively is the configuration file's neighbour, wherever the
        // program was started; an alias or a server's path is the engine's.
        QTest::newRow("sqlite file") << "engine=sqlite\npath=out/kpv.db" << int(db::Engine::SQLite)
                                     << "@dir/out/kpv.db"
                                     << "" << 0 << ""
                                     << "";
        QTest::newRow("firebird embedded, relative")
            << "engine=firebird\npath=../data/kpv.fdb" << int(db::Engine::Firebird) << "@parent/data/kpv.fdb"
            << "" << 0 << ""
            << "";
        QTest::newRow("firebird embedded alias")
            << "engine=firebird\npath=kpv_alias" << int(db::Engine::Firebird) << "kpv_alias"
            << "" << 0 << ""
            << "";
        QTest::newRow("firebird embedded") << "engine=firebird\npath=/srv/kpv.fdb\nuser=SYSDBA"
                                           << int(db::Engine::Firebird) << "/srv/kpv.fdb"
                                           << "" << 0 << "SYSDBA"
                                           << "";
        QTest::newRow("firebird server")
            << "engine=Firebird\npath=kpv\nhost=10.0.0.5\nport=3051\nuser=KPV\npassword=x"
            << int(db::Engine::Firebird) << "kpv"
            << "10.0.0.5" << 3051 << "KPV"
            << "";
        QTest::newRow("oracle") << "engine=oracle\npath=ORCL\nhost=db" << int(db::Engine::Oracle) << "ORCL"
                                << "db" << 0 << ""
                                << "";
        QTest::newRow("mssql") << "engine=mssql\npath=KPV" << int(db::Engine::MSSQL) << "KPV"
                               << "" << 0 << ""
                               << "";
        QTest::newRow("unknown engine") << "engine=postgres" << 0 << ""
                                        << "" << 0 << ""
                                        << "configuração inválida: [database] engine=postgres (use sqlite";
        QTest::newRow("unknown key")
            << "engine=sqlite\nbusyTimeout=5" << 0 << ""
            << "" << 0 << ""
            << "configuração inválida: [database] busyTimeout=5 (chave desconhecida)";
    }
    void settingsFromTheConfiguration() {
        QFETCH(QString, ini);
        QFETCH(int, engine);
        QFETCH(QString, path);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, user);
        QFETCH(QString, error);
        const QString file = dir_.filePath(QStringLiteral("settings-%1.ini").arg(++connections_));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(("[database]\n" + ini + "\n").toUtf8());
        f.close();
        try {
            const db::DatabaseSettings s = db::ReadDatabaseSettings(settings::SettingsFile(file));
            QVERIFY2(error.isEmpty(), "an error was expected");
            QCOMPARE(int(s.engine), engine);
            const QDir folder(dir_.path());
            QCOMPARE(s.path, QString(path)
                                 .replace("@dir", folder.path())
                                 .replace("@parent", QFileInfo(folder.path()).path()));
            QCOMPARE(s.host, host);
            QCOMPARE(s.port, port);
            QCOMPARE(s.user, user);
        } catch (const settings::ConfigurationError& e) {
            QVERIFY2(!error.isEmpty(), qPrintable(e.message()));
            QVERIFY2(e.message().startsWith(error), qPrintable(e.message()));
        }
    }

    void openingFailsWithTheReason_data() {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sqlite folder is a file")
            << int(db::Engine::SQLite) << "@file/kpv.db"
            << "" << 0 << "Não foi possível criar a pasta do banco de dados";
        QTest::newRow("sqlite without a path")
            << int(db::Engine::SQLite) << ""
            << "" << 0 << "Arquivo do banco de dados SQLite não configurado.";
        QTest::newRow("firebird server down")
            << int(db::Engine::Firebird) << "/tmp/none.fdb"
            << "127.0.0.1" << 1
            << "Não foi possível abrir o banco de dados Firebird \"127.0.0.1/1:/tmp/none.fdb\"";
        QTest::newRow("firebird folder is a file")
            << int(db::Engine::Firebird) << "@file/kpv.fdb"
            << "" << 0 << "Não foi possível criar a pasta do banco de dados";
    }
    void openingFailsWithTheReason() {
        QFETCH(int, engine);
        QFETCH(QString, path);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, expected);
        if (path.startsWith("@file")) {
            const QString file = dir_.filePath(QStringLiteral("plain-%1").arg(++connections_));
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            path.replace("@file", file);
        }
        db::DatabaseSettings s;
        s.engine = db::Engine(engine);
        s.path = path;
        s.host = host;
        s.port = port;
        s.user = QStringLiteral("SYSDBA");
        s.password = QStringLiteral("x");
        try {
            db::OpenDatabase(s, QStringLiteral("failing"));
            QFAIL("opened");
        } catch (const db::DatabaseError& e) {
            QVERIFY2(e.message().startsWith(expected), qPrintable(e.message()));
        }
        QVERIFY2(!QSqlDatabase::contains(QStringLiteral("failing")), "a failed connection stays registered");
    }

    // The host application's own Oracle and MSSQL databases are only read: the server keeps no connection
    // to them, opening one names the Qt driver and its Debian package when they are missing, and messages
    // name it by its engine.
    void applicationDatabasesAreOnlyRead_data() {
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("package");
        QTest::addColumn<QString>("described");
        QTest::newRow("oracle") << int(db::Engine::Oracle) << "QOCI"
                                << "libqt6sql6-oci"
                                << "Oracle \"ORCL\"";
        QTest::newRow("mssql") << int(db::Engine::MSSQL) << "QODBC"
                               << "libqt6sql6-odbc"
                               << "MSSQL \"ORCL\"";
    }
    void applicationDatabasesAreOnlyRead() {
        QFETCH(int, engine);
        QFETCH(QString, driver);
        QFETCH(QString, package);
        QFETCH(QString, described);
        db::DatabaseSettings s;
        s.engine = db::Engine(engine);
        s.path = QStringLiteral("ORCL");
        QCOMPARE(db::DescribeDatabase(s), described);
        try {
            db::Connect(s);
            QFAIL("the server connected to the application's database");
        } catch (const db::DatabaseError& e) {
            QCOMPARE(e.message(),
                     QStringLiteral("Este banco de dados não é suportado pelo servidor de aplicação; "
                                    "use SQLite ou Firebird."));
        }
        if (QSqlDatabase::isDriverAvailable(driver)) QSKIP("Qt's driver is installed here");
        try {
            db::OpenDatabase(s, QStringLiteral("application"));
            QFAIL("opened without Qt's driver");
        } catch (const db::DatabaseError& e) {
            QCOMPARE(
                e.message(),
                QStringLiteral("O driver %1 do Qt não está instalado (pacote %2).").arg(driver, package));
        }
        QVERIFY(!QSqlDatabase::contains(QStringLiteral("application")));
    }

    void partialSchemaIsRefused() {
        const TestDatabase target = fresh("sqlite");
        {
            QDir().mkpath(QFileInfo(target.path).absolutePath());
            QSqlDatabase raw = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
            raw.setDatabaseName(target.path);
            QVERIFY(raw.open());
            QSqlQuery q(raw);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE EMPRESA (CDEMPRESA VARCHAR(2))")));
        }
        db::CloseDatabase(QStringLiteral("raw"));
        try {
            db::OpenDatabase(SettingsOf(target), name());
            QFAIL("a database with part of the tables was accepted");
        } catch (const db::DatabaseError& e) {
            QVERIFY2(e.message().contains(QStringLiteral("apenas parte das tabelas")),
                     qPrintable(e.message()));
            QVERIFY2(e.message().contains(QStringLiteral("NOTAFISCAL")), qPrintable(e.message()));
        }
    }

    // Every SQLite connection the programs open, the server's own and Qt's, commits durably: an answer
    // "S" is sent only once the disk has the RPS.
    void sqliteCommitsAreDurable() {
        const TestDatabase target = fresh("sqlite");
        QSqlDatabase qt = db::OpenDatabase(SettingsOf(target), name());
        QSqlQuery q(qt);
        QVERIFY(q.exec(QStringLiteral("PRAGMA synchronous")) && q.next());
        QCOMPARE(q.value(0).toInt(), 2);  // FULL
        const std::unique_ptr<db::Connection> server = db::Connect(SettingsOf(target));
        db::Statement& pragma = server->prepare(QStringLiteral("PRAGMA synchronous"));
        pragma.execute({});
        QVERIFY(pragma.next());
        QCOMPARE(pragma.integer(0), 2);
        pragma.finish();
    }

    // A database an earlier version made, without the server's newer tables and newer columns, gets them
    // when a server opens it, and keeps every row it held, in the tables that lacked a column too; an index
    // this version no longer has is dropped.
    void earlierDatabaseIsUpgradedInPlace_data() { engines(); }
    void earlierDatabaseIsUpgradedInPlace() {
        QFETCH(QString, engine);
        const TestDatabase target = fresh(engine);
        if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
        const QStringList tables{"IDENTBANCO", "DPSEXPORTADA", "NFSERECEBIDA"};
        const QList<QPair<QString, QString>> columns{
            {"NOTAFISCAL", "DTLIMCONVNFSE"}, {"NOTAFISCAL", "CDTRIBNAC"},
            {"NOTAFISCAL", "IDTPRETISS"},    {"TIPOOPER", "CDTRIBNAC"},
            {"EMPRESA", "IDOPSIMPNAC"},      {"EMPRESA", "IDREGAPTRIBSN"},
            {"EMPRESA", "IDREGESPTRIB"},     {"CLIENTE", "NMCIDEXTCLIE"},
            {"CLIENTE", "NMREGEXTCLIE"},     {"PAIS", "SGPAIS"},
            {"RPSEMITIDO", "CDUSUARIOEMIS"}};
        {
            QSqlDatabase db = db::OpenDatabase(SettingsOf(target), name());
            QSqlQuery q(db);
            QStringList statements;
            for (const QString& t : tables) statements << "DROP TABLE " + t;
            for (const auto& [t, c] : columns) statements << QString("ALTER TABLE %1 DROP %2").arg(t, c);
            if (engine != QLatin1String("sqlite")) statements << "DROP EXCEPTION EX_LINHAALTERADA";
            statements << "INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('1058', 'Brasil')"
                       << "CREATE INDEX IX_AUDITORIASERV_DATA ON AUDITORIASERV (DTAUDITORIA)";
            for (const QString& statement : statements)
                QVERIFY2(q.exec(statement), qPrintable(statement + ": " + q.lastError().text()));
        }
        db::CloseDatabase(name());
        QSqlDatabase db = db::OpenDatabase(SettingsOf(target), name());
        for (const QString& t : tables) QVERIFY2(!db.record(t).isEmpty(), qPrintable(t));
        for (const auto& [t, c] : columns) QVERIFY2(db.record(t).contains(c), qPrintable(t + "." + c));
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("SELECT NMPAIS, SGPAIS FROM PAIS")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("Brasil"));
        QVERIFY(q.value(1).isNull());
        if (engine != QLatin1String("sqlite")) {
            QVERIFY(q.exec(QStringLiteral(
                "SELECT 1 FROM RDB$EXCEPTIONS WHERE RDB$EXCEPTION_NAME = 'EX_LINHAALTERADA'")));
            QVERIFY2(q.next(), "the write batches' exception is back");
        }
        // The trail's date index of earlier versions is gone: its writes cost each commit a page.
        QVERIFY(q.exec(engine == QLatin1String("sqlite")
                           ? "SELECT 1 FROM sqlite_master WHERE name = 'IX_AUDITORIASERV_DATA'"
                           : "SELECT 1 FROM RDB$INDICES WHERE RDB$INDEX_NAME = 'IX_AUDITORIASERV_DATA'"));
        QVERIFY2(!q.next(), "the retired index is still there");
    }

    // A write batch stands whole or not at all, and the transaction goes on after one that fell: what a step
    // returns feeds the steps after it; a step that finds no row to change is a conflict; a step the engine
    // refuses is a failure of its own.
    void writeBatchStandsWhole_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("lastStep");  // what the batch's last step finds
        for (const char* engine : {"sqlite", "firebird", "firebird-server"}) {
            QTest::addRow("%s, stands", engine) << QString(engine) << "row";
            QTest::addRow("%s, row changed", engine) << QString(engine) << "no row";
            QTest::addRow("%s, refused", engine) << QString(engine) << "duplicate";
        }
    }
    void writeBatchStandsWhole() {
        QFETCH(QString, engine);
        QFETCH(QString, lastStep);
        const TestDatabase target = fresh(engine);
        if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
        const std::unique_ptr<db::Connection> c = connectWithSchema(target);
        const auto counter = [&] {
            db::Statement& q = c->prepare("SELECT NRULTRPS FROM SERIERPS WHERE CDSERIERPS = 'A'");
            q.execute({});
            const qint64 last = q.next() ? q.integer(0) : -1;
            q.finish();
            return last;
        };
        const auto countries = [&] {
            db::Statement& q = c->prepare("SELECT CDPAIS, NMPAIS, SGPAIS FROM PAIS ORDER BY CDPAIS");
            q.execute({});
            QStringList rows;
            while (q.next()) rows << q.string(0) + '/' + q.string(1) + '/' + q.string(2);
            return rows;
        };
        c->begin(db::Access::Write, std::chrono::milliseconds(1000));
        c->prepare(
             "INSERT INTO SERIERPS (CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRULTRPS) VALUES ('01', 'M', 'A', 7)")
            .execute({});

        db::WriteBatch batch;
        const db::WriteBatch::Returned number = batch.addReturning(
            "UPDATE SERIERPS SET NRULTRPS = NRULTRPS + 1 WHERE CDEMPRESA = ? AND CDINSCMUNI = ? AND "
            "CDSERIERPS = ?"
            " RETURNING NRULTRPS",
            {QString("01"), QString("M"), QString("A")});
        batch.add("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES (?, 'Ilha ?')", {number});
        if (lastStep == "duplicate")
            batch.add("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES (?, ?)", {number, QString("Outra")});
        else
            batch.add("UPDATE PAIS SET SGPAIS = ? WHERE CDPAIS = ?",
                      {QString("IL"), lastStep == "row" ? db::WriteBatch::Operand(number) : QString("0")},
                      db::WriteBatch::Rows::One);
        try {
            const db::WriteResult written = c->write(batch);
            QCOMPARE(lastStep, QString("row"));
            QCOMPARE(written.value(number), 8);
        } catch (const db::ConflictError& e) {
            QVERIFY2(lastStep == "no row", qPrintable(e.message()));
        } catch (const db::DatabaseError& e) {
            QVERIFY2(lastStep == "duplicate", qPrintable(e.message()));
        }
        QVERIFY(c->inTransaction());
        const bool stood = lastStep == "row";
        QCOMPARE(counter(), stood ? 8 : 7);
        QCOMPARE(countries(), stood ? QStringList{"8/Ilha ?/IL"} : QStringList{});
        c->prepare("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('1058', 'Brasil')").execute({});
        c->commit();
        QCOMPARE(countries().size(), stood ? 2 : 1);
    }

    // The audit trail keeps what was written: the engine itself refuses to change or remove a row, whoever
    // asks, the server's own connections included.
    void auditTrailRefusesChanges_data() { engines(); }
    void auditTrailRefusesChanges() {
        QFETCH(QString, engine);
        const TestDatabase target = fresh(engine);
        if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
        db::OpenDatabase(SettingsOf(target), name());
        const std::unique_ptr<db::Connection> server = db::Connect(SettingsOf(target));
        db::RunWriteTransaction(
            *server,
            [&] {
                db::RecordAudit(*server, {"maria", "10.0.0.8", "PreparaImpressao", "0001", "0000000042",
                                          "RPS", "519", "ok"});
                return true;
            },
            QDeadlineTimer(10000));
        for (const QString statement :
             {"UPDATE AUDITORIASERV SET DSRESULTADO = 'nada houve'", "DELETE FROM AUDITORIASERV"}) {
            QString refusal;
            try {
                db::RunWriteTransaction(
                    *server,
                    [&] {
                        server->prepare(statement).execute({});
                        return true;
                    },
                    QDeadlineTimer(10000));
            } catch (const db::DatabaseError& e) {
                refusal = e.message();
            }
            QVERIFY2(
                refusal.contains("A tabela AUDITORIASERV só recebe linhas novas: as que tem não podem ser "
                                 "alteradas nem removidas."),
                qPrintable(statement + ": " + refusal));
        }
        db::Statement& row = server->prepare("SELECT CDUSUARIO, NRRPS, DSRESULTADO FROM AUDITORIASERV");
        row.execute({});
        QVERIFY(row.next());
        QCOMPARE(row.string(0) + ' ' + row.string(1) + ' ' + row.string(2), "maria 519 ok");
        row.finish();
    }

    // A writer that loses against another connection's lock waits for it, or starts over, and the work's
    // effect lands exactly once.
    void writeTransactionWaitsForAnotherWriter() {
        const TestDatabase target = fresh("sqlite");
        const db::DatabaseSettings settings = SettingsOf(target);
        QSqlDatabase db = db::OpenDatabase(settings, name());
        QSqlQuery seed(db);
        QVERIFY(
            seed.exec(QStringLiteral("INSERT INTO SERIERPS (CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRULTRPS) "
                                     "VALUES ('01', '1', 'A', 0)")));
        std::atomic<bool> locked{false};
        std::thread holder([&] {
            const std::unique_ptr<db::Connection> other = db::Connect(settings);
            other->begin(db::Access::Write, std::chrono::seconds(1));
            locked = true;
            QThread::msleep(400);
            other->commit();
        });
        QTRY_VERIFY(locked.load());
        const std::unique_ptr<db::Connection> connection = db::Connect(settings);
        int runs = 0;
        db::RunWriteTransaction(
            *connection,
            [&] {
                ++runs;
                connection->prepare(QStringLiteral("UPDATE SERIERPS SET NRULTRPS = NRULTRPS + 1"))
                    .execute({});
                return true;
            },
            QDeadlineTimer(10000));
        holder.join();
        QCOMPARE(runs, 1);  // the lock was waited for at BEGIN, not the work: it ran once, once free
        QSqlQuery check(db);
        QVERIFY(check.exec(QStringLiteral("SELECT NRULTRPS FROM SERIERPS")));
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toInt(), 1);
    }

    // Another connection holds the counter row's lock far longer than the writer's deadline: the writer
    // gives up soon after its deadline, with nothing of its own committed.
    void writeTransactionGivesUpAtTheDeadline_data() { engines(); }
    void writeTransactionGivesUpAtTheDeadline() {
        QFETCH(QString, engine);
        const TestDatabase target = fresh(engine);
        if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
        const db::DatabaseSettings settings = SettingsOf(target);
        QSqlDatabase db = db::OpenDatabase(settings, name());
        QSqlQuery seed(db);
        QVERIFY(
            seed.exec(QStringLiteral("INSERT INTO SERIERPS (CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRULTRPS) "
                                     "VALUES ('01', '1', 'A', 0)")));
        db.close();

        std::atomic<bool> locked{false};
        std::atomic<bool> release{false};
        std::thread holder([&] {
            const std::unique_ptr<db::Connection> other = db::Connect(settings);
            other->begin(db::Access::Write, std::chrono::seconds(1));
            other->prepare(QStringLiteral("UPDATE SERIERPS SET NRULTRPS = 100")).execute({});
            locked = true;
            // Bounded, so that a writer without a deadline ends this test too, only late.
            QDeadlineTimer limit(8000);
            while (!release && !limit.hasExpired()) QThread::msleep(20);
            other->rollback();
        });
        QTRY_VERIFY(locked.load());

        const std::unique_ptr<db::Connection> connection = db::Connect(settings);
        QElapsedTimer clock;
        clock.start();
        try {
            db::RunWriteTransaction(
                *connection,
                [&] {
                    connection->prepare(QStringLiteral("UPDATE SERIERPS SET NRULTRPS = NRULTRPS + 1"))
                        .execute({});
                    return true;
                },
                QDeadlineTimer(2000));
            QFAIL("the write went through a lock another connection held");
        } catch (const db::BusyError& e) {
            QCOMPARE(e.message(), QStringLiteral("O banco de dados esteve ocupado com outras gravações por "
                                                 "mais de 2 s; nada foi gravado. Tente novamente."));
        }
        const qint64 elapsed = clock.elapsed();
        release = true;
        holder.join();
        // Well before the holder lets go at 8 s, with room for a loaded machine.
        QVERIFY2(elapsed >= 2000 && elapsed < 6500, qPrintable(QString::number(elapsed)));
        QVERIFY(db.open());
        QSqlQuery check(db);
        QVERIFY(check.exec(QStringLiteral("SELECT NRULTRPS FROM SERIERPS")));
        QVERIFY(check.next());
        QCOMPARE(check.value(0).toInt(), 0);
    }

    // A column that is not text reads as its text on every engine, as SQLite gives it: a numeric key
    // travels as its digits (never as an empty key), a date and time in the form the server writes.
    void columnsReadAsTheirText_data() { engines(); }
    void columnsReadAsTheirText() {
        QFETCH(QString, engine);
        const TestDatabase target = fresh(engine);
        if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
        const std::unique_ptr<db::Connection> connection = connectWithSchema(target);
        const QDateTime issued(QDate(2026, 12, 8), QTime(9, 5, 30));
        db::RunWriteTransaction(
            *connection,
            [&] {
                connection
                    ->prepare(
                        QStringLiteral("INSERT INTO RPSEMITIDO (CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRRPS, "
                                       "CDFILIAL, NRLANCTONF, "
                                       "DTEMISRPS, IDSITRPS, DTSITRPS) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
                    .execute({QStringLiteral("01"), QStringLiteral("1"), QStringLiteral("A"),
                              qint64(9007199254740993), QStringLiteral("0001"), QStringLiteral("42"), issued,
                              QStringLiteral("E"), issued});
                return true;
            },
            QDeadlineTimer(10000));
        db::Statement& read = connection->prepare(QStringLiteral("SELECT NRRPS, DTEMISRPS FROM RPSEMITIDO"));
        read.execute({});
        QVERIFY(read.next());
        QCOMPARE(read.string(read.column("NRRPS")), QStringLiteral("9007199254740993"));
        QCOMPARE(read.string(read.column("DTEMISRPS")), QStringLiteral("2026-12-08 09:05:30"));
        read.finish();
    }

    // Work that fails, by an error or by declining to commit, leaves nothing of what it wrote first.
    void failedWorkIsRolledBack_data() {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<bool>("declines");  // returns false instead of meeting a duplicate key
        for (const char* engine : {"sqlite", "firebird", "firebird-server"}) {
            QTest::addRow("%s, error", engine) << QString(engine) << false;
            QTest::addRow("%s, declined", engine) << QString(engine) << true;
        }
    }
    void failedWorkIsRolledBack() {
        QFETCH(QString, engine);
        QFETCH(bool, declines);
        const TestDatabase target = fresh(engine);
        if (!target.isValid()) QSKIP("the firebird_server fixture is not running");
        const QString insert = QStringLiteral("INSERT INTO PAIS (CDPAIS, NMPAIS) VALUES ('1058', 'Brasil')");
        const std::unique_ptr<db::Connection> connection = connectWithSchema(target);
        try {
            db::RunWriteTransaction(
                *connection,
                [&] {
                    connection->prepare(insert).execute({});
                    if (declines) return false;
                    connection->prepare(insert + QStringLiteral(" ")).execute({});
                    return true;
                },
                QDeadlineTimer(10000));
            QVERIFY2(declines, "a duplicate key was accepted");
        } catch (const db::DatabaseError& e) {
            QVERIFY2(!declines, qPrintable(e.message()));
            QVERIFY2(e.message().startsWith(QStringLiteral("Falha ao executar comando SQL: ")),
                     qPrintable(e.message()));
        }
        db::Statement& count = connection->prepare(QStringLiteral("SELECT COUNT(*) AS N FROM PAIS"));
        count.execute({});
        QVERIFY(count.next());
        QCOMPARE(count.integer(count.column("N")), 0);
        count.finish();
    }
};

QTEST_GUILESS_MAIN(Schema)
#include "test_schema.moc"
