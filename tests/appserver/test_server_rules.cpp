// The server's reading of GetNotaFiscal's arguments, its footer line, and the dispatcher's checks of
// calls, in-process over a real SQLite file.
#include "appserver/footer.h"
#include "appserver/invoice_filter.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/remote_dispatcher.h"
#include "appserver/server_fault.h"
#include "db/connection.h"
#include "db/database.h"
#include "db/database_settings.h"
#include "protocol/codec.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>

using namespace kpv;

namespace {

QVariantList arguments(const QString& branch, const QString& types, const QString& client,
                       const QString& direction, const QString& situations) {
    return {branch,    types,  QStringLiteral("01"), QString(),          QString(),
            QString(), client, QDate(2026, 1, 1),    QDate(2026, 1, 31), direction,
            situations};
}

}  // namespace

class ServerRules : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QSqlDatabase db_;
    db::DatabaseSettings settings_;

  private Q_SLOTS:
    void readsTheInvoiceFilter_data() {
        QTest::addColumn<QString>("types");
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("direction");
        QTest::addColumn<QString>("situations");
        QTest::addColumn<bool>("allTypes");
        QTest::addColumn<QStringList>("typeCodes");
        QTest::addColumn<bool>("allClients");
        QTest::addColumn<QString>("clientDigits");
        QTest::addColumn<QStringList>("situationCodes");
        QTest::addColumn<bool>("nothing");
        QTest::addColumn<QString>("error");

        QTest::newRow("all") << "T"
                             << "T"
                             << "S"
                             << "_1_2_3" << true << QStringList{} << true << "" << QStringList{"1", "2", "3"}
                             << false << "";
        QTest::newRow("type list") << "S01,S05"
                                   << "T"
                                   << "S"
                                   << "_1" << false << QStringList{"01", "05"} << true << ""
                                   << QStringList{"1"} << false << "";
        QTest::newRow("keys of the other direction are dropped")
            << "S01,E02"
            << "T"
            << "E"
            << "_1" << false << QStringList{"02"} << true << "" << QStringList{"1"} << false << "";
        QTest::newRow("only other direction selects nothing")
            << "E02"
            << "T"
            << "S"
            << "_1" << false << QStringList{} << true << "" << QStringList{"1"} << true << "";
        QTest::newRow("blanks and repeats")
            << " S01 , S01,S03"
            << "T"
            << "S"
            << "_2" << false << QStringList{"01", "03"} << true << "" << QStringList{"2"} << false << "";
        QTest::newRow("empty type list selects nothing")
            << ""
            << "T"
            << "S"
            << "_1" << false << QStringList{} << true << "" << QStringList{"1"} << true << "";
        QTest::newRow("situations in any order")
            << "T"
            << "T"
            << "S"
            << "_3_1_3" << true << QStringList{} << true << "" << QStringList{"3", "1"} << false << "";
        QTest::newRow("no situation selects nothing")
            << "T"
            << "T"
            << "S"
            << "" << true << QStringList{} << true << "" << QStringList{} << true << "";
        QTest::newRow("masked CNPJ") << "T"
                                     << "12.345.678/0001-95"
                                     << "S"
                                     << "_1" << true << QStringList{} << false << "12345678000195"
                                     << QStringList{"1"} << false << "";
        QTest::newRow("plain CPF") << "T"
                                   << "52998224725"
                                   << "S"
                                   << "_1" << true << QStringList{} << false << "52998224725"
                                   << QStringList{"1"} << false << "";
        QTest::newRow("bad type key") << "X01"
                                      << "T"
                                      << "S"
                                      << "_1" << false << QStringList{} << true << "" << QStringList{}
                                      << false << "Tipo de operação inválido na lista: \"X01\"";
        QTest::newRow("short type key") << "S1"
                                        << "T"
                                        << "S"
                                        << "_1" << false << QStringList{} << true << "" << QStringList{}
                                        << false << "Tipo de operação inválido na lista: \"S1\"";
        QTest::newRow("unknown situation") << "T"
                                           << "T"
                                           << "S"
                                           << "_4" << true << QStringList{} << true << "" << QStringList{}
                                           << false << "Lista de situações de RPS inválida: \"_4\"";
        QTest::newRow("situation without mark")
            << "T"
            << "T"
            << "S"
            << "1_2" << true << QStringList{} << true << "" << QStringList{} << false
            << "Lista de situações de RPS inválida: \"1_2\"";
        QTest::newRow("empty situation code")
            << "T"
            << "T"
            << "S"
            << "_1__2" << true << QStringList{} << true << "" << QStringList{} << false
            << "Lista de situações de RPS inválida";
        QTest::newRow("bad direction") << "T"
                                       << "T"
                                       << "X"
                                       << "_1" << true << QStringList{} << true << "" << QStringList{}
                                       << false << "Direção da operação inválida: \"X\"";
    }
    void readsTheInvoiceFilter() {
        QFETCH(QString, types);
        QFETCH(QString, client);
        QFETCH(QString, direction);
        QFETCH(QString, situations);
        QFETCH(bool, allTypes);
        QFETCH(QStringList, typeCodes);
        QFETCH(bool, allClients);
        QFETCH(QString, clientDigits);
        QFETCH(QStringList, situationCodes);
        QFETCH(bool, nothing);
        QFETCH(QString, error);
        try {
            const server::InvoiceFilter f =
                server::ReadInvoiceFilter(arguments("", types, client, direction, situations));
            QVERIFY2(error.isEmpty(), "an error was expected");
            QCOMPARE(f.allOperationTypes, allTypes);
            QCOMPARE(f.operationTypes, typeCodes);
            QCOMPARE(f.allClients, allClients);
            QCOMPARE(f.clientDigits, clientDigits);
            QCOMPARE(f.situations, situationCodes);
            QCOMPARE(f.selectsNothing(), nothing);
            QCOMPARE(f.firstExitDate, QDate(2026, 1, 1));
            QCOMPARE(f.lastExitDate, QDate(2026, 1, 31));
        } catch (const server::ServerFault& e) {
            QVERIFY2(!error.isEmpty(), qPrintable(e.message()));
            QCOMPARE(e.httpStatus(), 422);
            QCOMPARE(e.code(), QStringLiteral("invalid_argument"));
            QVERIFY2(e.message().startsWith(error), qPrintable(e.message()));
        }
    }

    void footer_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("emission");
        QTest::addColumn<QDate>("deadline");
        QTest::addColumn<QString>("expected");
        const QDate today(2026, 6, 10);
        QTest::newRow("issued, in time")
            << "Prestação de serviços"
            << "2" << today.addDays(5)
            << "Operação S01 - Prestação de serviços - Converter em NFS-e até 15/06/2026";
        QTest::newRow("issued, due today")
            << "Prestação de serviços"
            << "2" << today << "Operação S01 - Prestação de serviços - Converter em NFS-e até 10/06/2026";
        QTest::newRow("issued, overdue")
            << "Prestação de serviços"
            << "2" << today.addDays(-1)
            << "Operação S01 - Prestação de serv… - Conversão em NFS-e vencida em 09/06/2026";
        QTest::newRow("not issued") << "Prestação de serviços"
                                    << "1" << QDate() << "Operação S01 - Prestação de serviços";
        QTest::newRow("substituted keeps no deadline")
            << "Prestação de serviços"
            << "3" << today.addDays(3) << "Operação S01 - Prestação de serviços";
        QTest::newRow("unknown type") << ""
                                      << "1" << QDate() << "Operação S01";
        QTest::newRow("long name gives way")
            << "Manutenção e suporte técnico 24h"
            << "2" << today.addDays(-30)
            << "Operação S01 - Manutenção e supo… - Conversão em NFS-e vencida em 11/05/2026";
    }
    void footer() {
        QFETCH(QString, name);
        QFETCH(QString, emission);
        QFETCH(QDate, deadline);
        QFETCH(QString, expected);
        const QString text = server::InvoiceFooter("S01", name, emission, deadline, QDate(2026, 6, 10));
        QCOMPARE(text, expected);
        QVERIFY(text.size() <= server::kFooterSize);
    }

    // Calls the server cannot run are answered with the protocol's error, whatever they hold.
    void dispatcherChecksEveryCall_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        const auto call = [](const char* method, const QByteArray& args) -> QByteArray {
            return QByteArray("{\"server\":\"Kpv41000.rdmEmissaoRPS\",\"method\":\"") + method +
                   "\",\"args\":" + args + "}";
        };
        QTest::newRow("not JSON") << QByteArray("GetNotaFiscal(1)") << 400 << "bad_request"
                                  << "A requisição não é um JSON válido";
        QTest::newRow("JSON array") << QByteArray("[1,2]") << 400 << "bad_request"
                                    << "A requisição não é um objeto JSON.";
        QTest::newRow("no method") << QByteArray("{\"server\":\"Kpv41000.rdmEmissaoRPS\",\"args\":[]}") << 400
                                   << "bad_request"
                                   << "A requisição deve ter";
        QTest::newRow("object argument")
            << call("PreparaImpressao", "[{\"a\":1},\"1\"]") << 400 << "bad_request"
            << "Os argumentos devem ser textos";
        QTest::newRow("unknown server")
            << QByteArray("{\"server\":\"Kpv99.rdmOutro\",\"method\":\"GetTipoOper\",\"args\":[]}") << 404
            << "unknown_server"
            << "Servidor desconhecido: \"Kpv99.rdmOutro\"";
        QTest::newRow("unknown method") << call("ApagaTudo", "[]") << 404 << "unknown_method"
                                        << "Método desconhecido em Kpv41000.rdmEmissaoRPS: \"ApagaTudo\".";
        QTest::newRow("method names keep their case")
            << call("preparaimpressao", "[\"0001\",\"1\"]") << 404 << "unknown_method"
            << "Método desconhecido";
        QTest::newRow("too few arguments")
            << call("GetNotaFiscal", "[\"\",\"T\",\"01\"]") << 422 << "argument_count"
            << "O método GetNotaFiscal espera 11 argumentos e recebeu 3.";
        QTest::newRow("too many arguments")
            << call("CancelaEmissao", "[\"0001\",\"1\",\"x\"]") << 422 << "argument_count"
            << "O método CancelaEmissao espera 2 argumentos e recebeu 3.";
        QTest::newRow("number for a text") << call("PreparaImpressao", "[1,\"1\"]") << 422 << "argument_type"
                                           << "O argumento 1 de PreparaImpressao deve ser um texto.";
        QTest::newRow("null for a text")
            << call("GetTipoOper", "[null,\"T\",\"S\"]") << 422 << "argument_type"
            << "O argumento 1 de GetTipoOper deve ser um texto.";
        QTest::newRow("not a date") << call("GetNotaFiscal",
                                            "[\"\",\"T\",\"01\",\"\",\"\",\"\",\"T\",\"31/01/2026\","
                                            "\"2026-01-31\",\"S\",\"_1\"]")
                                    << 422 << "argument_type"
                                    << "O argumento 8 de GetNotaFiscal deve ser uma data";
        QTest::newRow("impossible date") << call("GetNotaFiscal",
                                                 "[\"\",\"T\",\"01\",\"\",\"\",\"\",\"T\",\"2026-01-01\","
                                                 "\"2026-02-30\",\"S\",\"_1\"]")
                                         << 422 << "argument_type"
                                         << "O argumento 9 de GetNotaFiscal deve ser uma data";
        QTest::newRow("bad situation list") << call("GetNotaFiscal",
                                                    "[\"\",\"T\",\"01\",\"\",\"\",\"\",\"T\",\"2026-01-01\","
                                                    "\"2026-01-31\",\"S\",\"_9\"]")
                                            << 422 << "invalid_argument"
                                            << "Lista de situações de RPS inválida";
        QTest::newRow("bad registration choice")
            << call("GetInscrMunicip", "[\"01\",\"\",\"X\"]") << 422 << "invalid_argument"
            << "O terceiro argumento de GetInscrMunicip";
        QTest::newRow("bad direction")
            << call("GetTipoOper", "[\"\",\"T\",\"S \"]") << 422 << "invalid_argument"
            << "Direção da operação inválida: \"S \"";
        QTest::newRow("a good call") << call("GetTipoOper", "[\"\",\"T\",\"S\"]") << 200 << ""
                                     << "";
        QTest::newRow("date with a time")
            << call("GetNotaFiscal",
                    "[\"\",\"T\",\"01\",\"\",\"\",\"\",\"T\","
                    "\"2026-01-01T00:00:00\",\"2026-01-31T23:59:59\",\"S\",\"_1\"]")
            << 200 << ""
            << "";
    }
    void dispatcherChecksEveryCall() {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, code);
        QFETCH(QString, message);
        if (!db_.isValid()) {
            settings_.path = dir_.filePath(QStringLiteral("rules.db"));
            db_ = db::OpenDatabase(settings_, QStringLiteral("rules"));
        }
        std::variant<server::CheckedCall, server::CallReply> checked = server::RemoteDispatcher::check(body);
        server::CallReply reply;
        if (auto* fault = std::get_if<server::CallReply>(&checked)) {
            reply = *fault;
        } else {
            const std::unique_ptr<db::Connection> connection = db::Connect(settings_);
            server::TrdmEmissaoRPS module(*connection, QDeadlineTimer(10000));
            try {
                reply = server::RemoteDispatcher::run(module, std::get<server::CheckedCall>(checked));
            } catch (const server::ServerFault& e) {
                reply = server::FaultReply(std::get<server::CheckedCall>(checked).method(), e);
            }
        }
        QCOMPARE(reply.httpStatus, status);
        const QVariant payload = protocol::DecodeReply(reply.body);
        if (status == 200) {
            QVERIFY(payload.canConvert<protocol::DataPacket>());
            QVERIFY2(reply.outcome.startsWith("ok"), qPrintable(reply.outcome));
            return;
        }
        QVERIFY(payload.metaType() == QMetaType::fromType<protocol::Fault>());
        const protocol::Fault fault = payload.value<protocol::Fault>();
        QCOMPARE(fault.code, code);
        QVERIFY2(fault.message.startsWith(message), qPrintable(fault.message));
        QCOMPARE(reply.outcome, QStringLiteral("error %1: %2").arg(code, fault.message));
    }

    // An invoice whose ledger holds two standing numbers: the cancellation marks both before it sees the
    // inconsistency, and its refusal must leave both as they were.
    void refusedCancellationWritesNothing() {
        db::DatabaseSettings s;
        s.path = dir_.filePath(QStringLiteral("ledger.db"));
        QSqlDatabase db = db::OpenDatabase(s, QStringLiteral("ledger"));
        QSqlQuery seed(db);
        QVERIFY(seed.exec(QStringLiteral(
            "INSERT INTO NOTAFISCAL (CDFILIAL, NRLANCTONF, CDEMPRESA, CDFILIEMIT, CDINSCESTA, CDINSCMUNI, "
            "CDSERIE, NRNOTAFISC, CDCLIENTE, IDOPERACAO, CDTIPOOPER, DTENTRSAID, DTEMISSAO, VRNOTAFISC, "
            "CDSERIERPS, NRRPS, IDEMISSAORPS, IDTRANSMISRPS) VALUES ('0001', '0000000001', '01', '0001', "
            "'110042490114', '11122233', '1', '1', '000001', 'S', '01', '2026-05-04 09:00:00', "
            "'2026-05-04 09:00:00', 100, 'RPS', '8', '2', '1')")));
        for (const char* number : {"7", "8"}) {
            QVERIFY(
                seed.exec(QStringLiteral("INSERT INTO RPSEMITIDO (CDEMPRESA, CDINSCMUNI, CDSERIERPS, NRRPS, "
                                         "CDFILIAL, NRLANCTONF, DTEMISRPS, IDSITRPS, DTSITRPS) VALUES "
                                         "('01', '11122233', 'RPS', %1, '0001', '0000000001', "
                                         "'2026-05-04 09:00:00', 'E', '2026-05-04 09:00:00')")
                              .arg(QLatin1String(number))));
        }

        const std::unique_ptr<db::Connection> connection = db::Connect(s);
        server::TrdmEmissaoRPS module(*connection, QDeadlineTimer(10000));
        const server::Status status =
            module.CancelaEmissao(QStringLiteral("0001"), QStringLiteral("0000000001"));
        QCOMPARE(status.code, QStringLiteral("N"));
        QCOMPARE(status.text,
                 QStringLiteral("O RPS nº 8 da série RPS não consta como emitido no controle de RPS."));
        QSqlQuery ledger(db);
        QVERIFY(ledger.exec(QStringLiteral("SELECT IDSITRPS FROM RPSEMITIDO ORDER BY NRRPS")));
        QStringList situations;
        while (ledger.next()) situations << ledger.value(0).toString();
        QCOMPARE(situations, (QStringList{"E", "E"}));
    }

    // Another process keeps the database's write lock: the call gives up at the server's write deadline
    // with the protocol's busy error, and answers normally once the lock is gone.
    void writeBlockedPastItsDeadlineIsAnsweredBusy() {
        db::DatabaseSettings s;
        s.path = dir_.filePath(QStringLiteral("busy.db"));
        QSqlDatabase db = db::OpenDatabase(s, QStringLiteral("busy"));
        std::atomic<bool> locked{false};
        std::atomic<bool> release{false};
        QThread* holder = QThread::create([&] {
            {
                QSqlDatabase other = db::OpenDatabase(s, QStringLiteral("busy-holder"));
                QSqlQuery q(other);
                q.exec(QStringLiteral("BEGIN IMMEDIATE"));
                locked = true;
                while (!release) QThread::msleep(20);
                q.exec(QStringLiteral("ROLLBACK"));
            }
            db::CloseDatabase(QStringLiteral("busy-holder"));
        });
        holder->start();
        QTRY_VERIFY(locked.load());

        const std::unique_ptr<db::Connection> connection = db::Connect(s);
        const auto prepara = [&] {
            server::TrdmEmissaoRPS module(*connection, QDeadlineTimer(1000));
            return module.PreparaImpressao(QStringLiteral("0001"), QStringLiteral("0000000001"));
        };
        QString busy;
        try {
            prepara();
        } catch (const db::BusyError& e) {
            busy = e.message();
        }
        release = true;
        holder->wait();
        delete holder;
        QCOMPARE(busy, QStringLiteral("O banco de dados esteve ocupado com outras gravações por mais "
                                      "de 1 s; nada foi gravado. Tente novamente."));
        const server::Status after = prepara();
        QCOMPARE(after.text,
                 QStringLiteral("Nota fiscal não encontrada (filial 0001, lançamento 0000000001)."));
    }

    void cleanupTestCase() {
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("rules"));
        QSqlDatabase::removeDatabase(QStringLiteral("ledger"));
        QSqlDatabase::removeDatabase(QStringLiteral("busy"));
    }
};

QTEST_GUILESS_MAIN(ServerRules)
#include "test_server_rules.moc"
