#include "db/database_error.h"
#include "db/dialect.h"
#include "db/firebird_client.h"
#include "filter/statements.h"
#include "framework/core/errors.h"
#include "framework/data/db_module.h"
#include "framework/data/query.h"
#include "framework/data/sql_params.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace kpv::data;

namespace {

const QString sqliteConnection = QStringLiteral("kpvtest_sqlite");
const QString firebirdConnection = QStringLiteral("kpvtest_firebird");

// The tables the screens' lookups read, cut down to the columns their statements name.
const QStringList schema = {
    "CREATE TABLE ONEROW (X INTEGER)",
    "CREATE TABLE FILIAL (CDFILIAL CHAR(4) NOT NULL, NMFILIAL VARCHAR(30), CDEMPRESA CHAR(2), "
    "CDINSCESTA VARCHAR(16), CDINSCMUNI VARCHAR(16), CDSERIE VARCHAR(5))",
    "CREATE TABLE MUNICIPIO (CDPAIS VARCHAR(4), SGESTADO CHAR(2), CDMUNICIPIO VARCHAR(7), CDMUNICIBGE "
    "VARCHAR(7))",
    "CREATE TABLE INSCRESTAD (CDEMPRESA CHAR(2), CDINSCESTA VARCHAR(16), NRSERIECERTIFIC VARCHAR(50), "
    "IDTPAMBIENTENFE CHAR(1), SGESTADO CHAR(2), CDPAIS VARCHAR(4), CDMUNICIPIO VARCHAR(7), NMREPRINSEST "
    "VARCHAR(50))",
    "CREATE TABLE CTRLNUMENF (CDCTRLNUMENF VARCHAR(10), DTEMISCTNUNF TIMESTAMP, IDCONSDTEMIS CHAR(1), "
    "IDUTCTRLFORM CHAR(1), IDUTLOCAEMIS CHAR(1), IDUTFILILCEM CHAR(1))",
    "CREATE TABLE SERIENF (CDSERIE VARCHAR(5), DSSERIE VARCHAR(20), CDEMPRESA CHAR(2), CDINSCESTA "
    "VARCHAR(16), "
    "CDINSCMUNI VARCHAR(16), CDCTRLNUMENF VARCHAR(10), CDRELMODENF VARCHAR(100), CDRELESPENF VARCHAR(100), "
    "IDUTDTPREMIS CHAR(1))",
};

const QStringList rows = {
    "INSERT INTO ONEROW VALUES (1)",
    "INSERT INTO FILIAL VALUES ('0001', 'Matriz', '01', '111', 'M111', '1')",
    "INSERT INTO FILIAL VALUES ('0002', 'Filial Sul', '01', '112', 'M112', '2')",
    "INSERT INTO FILIAL VALUES ('AB', 'Filial curta', '02', '211', 'M211', '1')",
    "INSERT INTO MUNICIPIO VALUES ('1058', 'SP', '3550308', '3550308')",
    "INSERT INTO INSCRESTAD VALUES ('01', '111', 'CERT1', '1', 'SP', '1058', '3550308', 'Repr 1')",
    "INSERT INTO INSCRESTAD VALUES ('01', '112', 'CERT2', '2', 'SP', '1058', '3550308', 'Repr 2')",
    "INSERT INTO INSCRESTAD VALUES ('01', '119', 'CERT9', '1', 'RJ', '1058', '3304557', 'Sem municipio')",
    "INSERT INTO CTRLNUMENF VALUES ('CT1', '2024-03-17 10:30:00', 'S', 'N', 'S', 'N')",
    "INSERT INTO SERIENF VALUES ('1', 'Serie um', '01', '111', 'M111', 'CT1', 'modelo', 'especie', 'N')",
    "INSERT INTO SERIENF VALUES ('2', 'Serie dois', '01', '111', 'M111', 'SEMCT', NULL, NULL, 'S')",
    "INSERT INTO SERIENF VALUES ('3', 'Outra inscricao', '01', '112', 'M112', 'CT1', NULL, NULL, 'N')",
};

// The routines the InterBase series statement relies on.
const char* const firebirdRoutines = R"(SET TERM ^ ;
CREATE PROCEDURE PARAM (P VARCHAR(255)) RETURNS (PARAM VARCHAR(255)) AS
BEGIN
  PARAM = :P;
  SUSPEND;
END^
CREATE FUNCTION NVLSTR (A VARCHAR(255), B VARCHAR(255)) RETURNS VARCHAR(255) AS
BEGIN
  RETURN COALESCE(:A, :B);
END^
SET TERM ; ^
)";

// The screens' own statements, as realistic work for the query.
namespace filter = Cli_kpv41100::statements;
// Blank lines only: no text for the database in use.
const QStringList blank = {" ", " "};

QStringList column(TADOIBQuery& query, const QString& field) {
    QStringList values;
    TClientDataSet* set = query.Query();
    for (set->First(); !set->Eof(); set->Next()) values << set->FieldByName(field)->AsString();
    return values;
}

void execAll(QSqlDatabase& db, const QStringList& statements) {
    QSqlQuery q(db);
    for (const QString& statement : statements) {
        if (!q.exec(statement)) QFAIL(qPrintable(statement + u": " + q.lastError().text()));
    }
}

}  // namespace

class TestQuery : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void positionalParameters_data();
    void positionalParameters();
    void dialectOfDriver_data();
    void dialectOfDriver();
    void statementForDialect_data();
    void statementForDialect();
    void dialectInUse_data();
    void dialectInUse();
    void parametersKeepValuesAndBeforeOpenRunsFirst_data();
    void parametersKeepValuesAndBeforeOpenRunsFirst();
    void declaredFieldsAndResultTypes_data();
    void declaredFieldsAndResultTypes();
    void locateIsWholeValueIgnoringCase_data();
    void locateIsWholeValueIgnoringCase();
    void failures_data();
    void failures();

  private:
    void use(const QString& engine);
    QTemporaryDir dir_;
};

void TestQuery::initTestCase() {
    QVERIFY(dir_.isValid());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), sqliteConnection);
        db.setDatabaseName(dir_.filePath(QStringLiteral("app.sqlite")));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        execAll(db, schema);
        execAll(db, rows);
    }
    {
        // An embedded Firebird database: a local file and SYSDBA need no server.
        const QString path = dir_.filePath(QStringLiteral("app.fdb"));
        const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql-fb"));
        QVERIFY2(!isql.isEmpty(), "isql-fb (firebird3.0-utils) is needed to create the test database");
        QString script = QStringLiteral("CREATE DATABASE '%1' USER 'SYSDBA';\n").arg(path);
        for (const QString& statement : schema) script += statement + u";\n";
        script += QString::fromLatin1(firebirdRoutines);
        for (const QString& statement : rows) script += statement + u";\n";
        script += u"COMMIT;\n";
        QProcess process;
        process.start(isql, {QStringLiteral("-q"), QStringLiteral("-b")});
        QVERIFY(process.waitForStarted());
        process.write(script.toUtf8());
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());
        kpv::db::ShutdownFirebirdOnExit();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), firebirdConnection);
        db.setDatabaseName(path);
        db.setUserName(QStringLiteral("SYSDBA"));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    }
}

void TestQuery::cleanupTestCase() {
    TdtmDBGeral::Instance().Close();
    for (const QString& name : {sqliteConnection, firebirdConnection}) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

void TestQuery::use(const QString& engine) {
    TdtmDBGeral::Instance().Open(engine == u"sqlite" ? sqliteConnection : firebirdConnection);
}

void TestQuery::positionalParameters_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("one name twice") << "WHERE A = :P_X OR B = :p_x"
                                    << "WHERE A = ? OR B = ?" << QStringList{"P_X", "P_X"};
    QTest::newRow("names in order") << "(:B, :A, :B)"
                                    << "(?, ?, ?)" << QStringList{"B", "A", "B"};
    QTest::newRow("colon in a literal") << "WHERE A = ':NAO' AND B = :SIM"
                                        << "WHERE A = ':NAO' AND B = ?" << QStringList{"SIM"};
    QTest::newRow("escaped quote in a literal") << "WHERE A = 'it''s :NAO' OR B = :SIM"
                                                << "WHERE A = 'it''s :NAO' OR B = ?" << QStringList{"SIM"};
    QTest::newRow("quoted identifier") << "SELECT \":NAO\" FROM T WHERE X = :SIM"
                                       << "SELECT \":NAO\" FROM T WHERE X = ?" << QStringList{"SIM"};
    QTest::newRow("line comment") << "SELECT 1 -- :NAO\nFROM T WHERE X = :SIM"
                                  << "SELECT 1 -- :NAO\nFROM T WHERE X = ?" << QStringList{"SIM"};
    QTest::newRow("block comment") << "SELECT /* :NAO */ :SIM"
                                   << "SELECT /* :NAO */ ?" << QStringList{"SIM"};
    QTest::newRow("double colon is not a parameter") << "SELECT X::TEXT, :SIM"
                                                     << "SELECT X::TEXT, ?" << QStringList{"SIM"};
    QTest::newRow("colon before a digit") << "SELECT '10:30', :1A"
                                          << "SELECT '10:30', :1A" << QStringList{};
    QTest::newRow("unterminated literal") << "WHERE A = ':NAO"
                                          << "WHERE A = ':NAO" << QStringList{};
    QTest::newRow("across lines") << "WHERE CDEMPRESA = :P_CDEMPRESA\nUNION\nWHERE CDEMPRESA = :P_CDEMPRESA"
                                  << "WHERE CDEMPRESA = ?\nUNION\nWHERE CDEMPRESA = ?"
                                  << QStringList{"P_CDEMPRESA", "P_CDEMPRESA"};
}

void TestQuery::positionalParameters() {
    QFETCH(QString, statement);
    const TPositionalStatement positional = ToPositional(statement);
    QTEST(positional.text, "text");
    QTEST(positional.names, "names");
}

void TestQuery::dialectOfDriver_data() {
    QTest::addColumn<QString>("driver");
    QTest::addColumn<int>("dialect");  // -1: refused
    QTest::newRow("sqlite") << "QSQLITE" << int(kpv::db::StatementTexts::SQLite);
    QTest::newRow("firebird") << "QIBASE" << int(kpv::db::StatementTexts::InterBase);
    QTest::newRow("oracle") << "QOCI" << int(kpv::db::StatementTexts::Oracle);
    QTest::newRow("odbc") << "QODBC" << int(kpv::db::StatementTexts::MSSQL);
    QTest::newRow("tds") << "QTDS" << int(kpv::db::StatementTexts::MSSQL);
    QTest::newRow("postgres") << "QPSQL" << -1;
}

void TestQuery::dialectOfDriver() {
    QFETCH(QString, driver);
    QFETCH(int, dialect);
    try {
        QCOMPARE(int(kpv::db::DialectForDriver(driver).texts()), dialect);
    } catch (const kpv::db::DatabaseError& e) {
        QCOMPARE(dialect, -1);
        QCOMPARE(e.message(), QStringLiteral("O banco de dados do driver 'QPSQL' não é suportado."));
    }
}

void TestQuery::statementForDialect_data() {
    QTest::addColumn<int>("dialect");
    QTest::addColumn<QStringList>("own");  // the per-database text of that dialect
    QTest::addColumn<bool>("usesOwn");
    const QStringList text{"SELECT 2"};
    const QStringList blank{" ", "", "   "};
    using T = kpv::db::StatementTexts;
    for (T d : {T::SQLite, T::InterBase, T::Oracle, T::MSSQL}) {
        const QByteArray name = QByteArray::number(int(d));
        QTest::newRow(QByteArray(name + " own text").constData()) << int(d) << text << true;
        QTest::newRow(QByteArray(name + " blank lines").constData()) << int(d) << blank << false;
        QTest::newRow(QByteArray(name + " empty").constData()) << int(d) << QStringList{} << false;
    }
}

void TestQuery::statementForDialect() {
    QFETCH(int, dialect);
    QFETCH(QStringList, own);
    QFETCH(bool, usesOwn);
    TADOIBQuery query(nullptr, QStringLiteral("qryTeste"));
    query.SQL = {"SELECT 1"};
    QStringList* lists[] = {&query.SQL_SQLITE, &query.SQL_IB, &query.SQL_ORACLE, &query.SQL_MSSQL};
    for (QStringList* list : lists) *list = {"SELECT 9"};  // every other dialect has a text of its own
    *lists[dialect] = own;
    const char* drivers[] = {"QSQLITE", "QIBASE", "QOCI", "QODBC"};
    QCOMPARE(query.StatementFor(kpv::db::DialectForDriver(QLatin1String(drivers[dialect]))),
             usesOwn ? own : query.SQL);
}

void TestQuery::dialectInUse_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<bool>("withOwnText");
    QTest::addColumn<QString>("expected");
    QTest::newRow("sqlite runs its own") << "sqlite" << true << "sqlite";
    QTest::newRow("sqlite falls back") << "sqlite" << false << "generic";
    QTest::newRow("firebird runs SQL_IB") << "firebird" << true << "ib";
    QTest::newRow("firebird falls back") << "firebird" << false << "generic";
}

void TestQuery::dialectInUse() {
    QFETCH(QString, engine);
    QFETCH(bool, withOwnText);
    use(engine);
    TADOIBQuery query(nullptr, QStringLiteral("qryQuem"));
    query.SQL = {"SELECT CAST('generic' AS VARCHAR(10)) AS WHO", "FROM ONEROW"};
    query.SQL_ORACLE = {"SELECT 'oracle' AS WHO FROM DUAL"};
    query.SQL_MSSQL = {"SELECT 'mssql' AS WHO"};
    query.SQL_IB = withOwnText ? QStringList{"SELECT CAST('ib' AS VARCHAR(10)) AS WHO FROM ONEROW"} : blank;
    query.SQL_SQLITE = withOwnText ? QStringList{"SELECT 'sqlite' AS WHO FROM ONEROW"} : QStringList{};
    query.Open();
    QTEST(query.FieldByName("WHO")->AsString(), "expected");
}

void TestQuery::parametersKeepValuesAndBeforeOpenRunsFirst_data() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("firebird") << "firebird";
}

void TestQuery::parametersKeepValuesAndBeforeOpenRunsFirst() {
    QFETCH(QString, engine);
    use(engine);
    TADOIBQuery query(nullptr, QStringLiteral("qryInscrEstad"));
    filter::qryInscrEstad.AssignTo(query);
    QStringList order;
    query.BeforeOpen = [&](TADOIBQuery* dataSet) {
        QCOMPARE(dataSet, &query);
        QVERIFY(!dataSet->Active());
        order << QStringLiteral("BeforeOpen");
        dataSet->ParamByName("P_CDEMPRESA")->SetAsString("01");
    };
    query.ParamByName("p_cdinscesta")->SetAsString("111");
    query.ParamByName("P_TCDINSCESTA")->SetAsString("");
    query.Open();
    order << QStringLiteral("opened");
    QCOMPARE(order, (QStringList{"BeforeOpen", "opened"}));
    QCOMPARE(column(query, "CDINSCESTA"), QStringList{"111"});
    query.Close();
    QVERIFY(!query.Active());
    QCOMPARE(query.ParamByName("P_CDINSCESTA")->AsString(), QStringLiteral("111"));
    query.ParamByName("P_TCDINSCESTA")->SetAsString("T");
    query.Open();
    QCOMPARE(column(query, "CDINSCESTA"), (QStringList{"111", "112"}));
    // Open on an open query changes nothing.
    query.ParamByName("P_TCDINSCESTA")->SetAsString("");
    query.Open();
    QCOMPARE(query.Query()->RecordCount(), 2);
    QCOMPARE(order.count(u"BeforeOpen"), 2);
}

void TestQuery::declaredFieldsAndResultTypes_data() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << "sqlite";
    QTest::newRow("firebird") << "firebird";
}

void TestQuery::declaredFieldsAndResultTypes() {
    QFETCH(QString, engine);
    use(engine);
    TADOIBQuery query(nullptr, QStringLiteral("qrySerieNF"));
    filter::qrySerieNF.AssignTo(query);
    TField* code = query.AddField("CDSERIE", TFieldType::ftString, 5, QStringLiteral("Código"), true, true);
    query.AddField("DSSERIE", TFieldType::ftString, 20, QStringLiteral("Descrição"));
    query.AddField("CDEMPRESA", TFieldType::ftString, 2, {}, false, true);
    query.ParamByName("P_CDSERIE")->Clear();
    QVERIFY(query.ParamByName("P_CDSERIE")->IsNull());
    query.ParamByName("P_CDEMPRESA")->SetAsString("01");
    query.ParamByName("P_CDINSCESTA")->SetAsString("111");
    query.ParamByName("P_CDINSCMUNI")->SetAsString("M111");
    for (int round = 0; round < 2; ++round) {  // a second open keeps the same fields
        query.Close();
        query.Open();
        const QList<TField*>& fields = query.Query()->Fields();
        QCOMPARE(fields.size(), 13);
        QCOMPARE(fields[0], code);
        QCOMPARE(code->DisplayLabel, QStringLiteral("Código"));
        QVERIFY(code->Required);
        QVERIFY(!query.FieldByName("CDEMPRESA")->Visible);
        QCOMPARE(query.FieldByName("DSSERIE")->Size(), 20);
        // Result columns nobody declared follow, in their order, with defaults.
        QCOMPARE(fields[3]->FieldName(), QStringLiteral("CDINSCESTA"));
        QCOMPARE(fields[3]->DisplayLabel, QStringLiteral("CDINSCESTA"));
        QVERIFY(fields[3]->Visible);
        TField* date = query.FieldByName("DTEMISCTNUNF");
        QCOMPARE(date->DataType(), TFieldType::ftDateTime);
        QCOMPARE(date->AsDateTime(), QDateTime(QDate(2024, 3, 17), QTime(10, 30)));
        QCOMPARE(query.FieldByName("IDCONSDTEMIS")->AsString(), QStringLiteral("S"));
        query.Query()->Next();
        // The series without a number control: the joined columns are null.
        QCOMPARE(code->AsString(), QStringLiteral("2"));
        QVERIFY(date->IsNull());
        QVERIFY(query.FieldByName("CDCTRLNUMENF")->IsNull());
    }
}

void TestQuery::locateIsWholeValueIgnoringCase_data() {
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("found");  // CDFILIAL of the row found, empty when none
    for (const char* engine : {"sqlite", "firebird"}) {
        const QString e = QString::fromLatin1(engine);
        QTest::newRow(qPrintable(e + u" exact")) << e << "0002"
                                                 << "0002";
        QTest::newRow(qPrintable(e + u" other case")) << e << "ab"
                                                      << "AB";
        QTest::newRow(qPrintable(e + u" prefix is no match")) << e << "000"
                                                              << "";
        QTest::newRow(qPrintable(e + u" blanks matter")) << e << "AB  "
                                                         << "";
    }
}

void TestQuery::locateIsWholeValueIgnoringCase() {
    QFETCH(QString, engine);
    QFETCH(QString, text);
    QFETCH(QString, found);
    use(engine);
    TADOIBQuery query(nullptr, QStringLiteral("qryEmprCntrFil"));
    filter::qryFilial.AssignTo(query);
    query.ParamByName("P_CDFILIAL")->SetAsString("");
    query.ParamByName("P_TODOS")->SetAsString("T");
    query.Open();
    query.Query()->Last();
    QCOMPARE(query.Locate("CDFILIAL", text), !found.isEmpty());
    QCOMPARE(query.FieldByName("CDFILIAL")->AsString(), found.isEmpty() ? QStringLiteral("AB") : found);
}

void TestQuery::failures_data() {
    QTest::addColumn<QString>("engine");  // empty: no connection
    QTest::addColumn<std::function<void(TADOIBQuery&)>>("operation");
    QTest::addColumn<QString>("messageStart");
    using Op = std::function<void(TADOIBQuery&)>;
    QTest::newRow("unknown parameter") << "sqlite" << Op([](TADOIBQuery& q) { q.ParamByName("P_NADA"); })
                                       << "qryFalha: parâmetro 'P_NADA' não encontrado.";
    for (const char* engine : {"sqlite", "firebird"}) {
        const QString e = QString::fromLatin1(engine);
        QTest::newRow(qPrintable(e + u" database error")) << e << Op([](TADOIBQuery& q) {
            q.SQL = {"SELECT NADA FROM TABELA_INEXISTENTE WHERE X = :P_CDFILIAL"};
            q.Open();
        }) << "qryFalha: ";
        QTest::newRow(qPrintable(e + u" declared field missing from the result"))
            << e << Op([](TADOIBQuery& q) {
                   q.AddField("NAOEXISTE", TFieldType::ftString, 3);
                   q.Open();
               })
            << "qryFalha: campo 'NAOEXISTE' não encontrado.";
    }
    QTest::newRow("blank statement") << "sqlite" << Op([](TADOIBQuery& q) {
        q.SQL = blank;
        q.Open();
    }) << "qryFalha: não há comando SQL para o banco de dados em uso.";
    QTest::newRow("no connection") << "" << Op([](TADOIBQuery& q) { q.Open(); })
                                   << "Não há conexão com o banco de dados.";
    QTest::newRow("unknown connection")
        << "" << Op([](TADOIBQuery&) { TdtmDBGeral::Instance().Open("nenhuma"); })
        << "A conexão de banco de dados 'nenhuma' não existe.";
}

void TestQuery::failures() {
    QFETCH(QString, engine);
    QFETCH(std::function<void(TADOIBQuery&)>, operation);
    QFETCH(QString, messageStart);
    if (engine.isEmpty()) {
        TdtmDBGeral::Instance().Close();
    } else {
        use(engine);
    }
    TADOIBQuery query(nullptr, QStringLiteral("qryFalha"));
    filter::qryFilial.AssignTo(query);
    query.ParamByName("P_CDFILIAL")->SetAsString("0001");
    try {
        operation(query);
        QFAIL("the operation should have failed");
    } catch (const kpv::Error& e) {
        QVERIFY2(e.message().startsWith(messageStart), qPrintable(e.message()));
        // A database error carries the driver's own text after the query's name.
        if (messageStart == u"qryFalha: ") QVERIFY(e.message().size() > messageStart.size() + 5);
    }
    QVERIFY(!query.Active());
}

QTEST_GUILESS_MAIN(TestQuery)
#include "test_query.moc"
