// TNetConnection signing in to the real kpv-appserver, whose database holds accounts, through the
// interaction seam (the scripted user answers from its queue): before the first call goes through, again
// after a wrong password with the server's words, and again when the session expires in the middle of a
// print run, which goes on without losing or repeating a call.
#include "accounts_tool.h"
#include "appserver_process.h"
#include "framework/core/context.h"
#include "framework/net/connection.h"
#include "framework/ui/scripted_interaction.h"
#include "protocol/data_packet.h"
#include "protocol/fault.h"
#include "test_database.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kpv;

namespace {

const QString kPassword = QStringLiteral("senha-da-maria");

std::unique_ptr<net::TNetConnection> connectionTo(const AppServerProcess& server) {
    auto c = std::make_unique<net::TNetConnection>(nullptr, QStringLiteral("netEmissaoRPS"));
    c->ServerName = QStringLiteral("Kpv41000.rdmEmissaoRPS");
    c->SetHost(server.host());
    c->SetPort(server.port());
    c->SetConnected(true);
    return c;
}

// The methods and outcomes of the server's log, in order: "GetTipoOper ok 6 rows".
QStringList calls(const AppServerProcess& server) {
    static const QRegularExpression line(
        QStringLiteral("^\\S+ 127\\.0\\.0\\.1:\\d+ (\\S+) [0-9.]+ ms (\\S+)"),
        QRegularExpression::MultilineOption);
    QStringList out;
    for (auto it = line.globalMatch(server.log()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out << m.captured(1) + ' ' + m.captured(2);
    }
    return out;
}

}  // namespace

class SignIn : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    TestDatabase database_;
    std::unique_ptr<AppServerProcess> server_;
    kpv::ScriptedInteraction user_;

  private Q_SLOTS:
    void initTestCase() {
        database_ = TestDatabase::Sqlite(dir_.path());
        QString error;
        QVERIFY2(RunDemoData(database_, 300, 5, QDate(2026, 6, 30), &error), qPrintable(error));
        QVERIFY2(AddAccount(database_, "maria", "emitir", kPassword, &error), qPrintable(error));
        server_ = std::make_unique<AppServerProcess>(database_);
        QVERIFY2(server_->start(&error), qPrintable(error));
        Context().webUser = QStringLiteral("maria");
        // Every connection proves the database first, as the host has it.
        net::SetDatabaseCheck([](const QString&, const QString&) {});
    }

    // The first call is answered "sign in first": the user is asked, the login filled in from [server] user,
    // asked again with the server's words after a wrong password, and the call then goes through. The
    // database check comes after the sign-in, and nothing ran before it.
    void signsInBeforeTheFirstCall() {
        user_.signInAnswers = {kpv::SignInAnswer{"maria", "errada"}, kpv::SignInAnswer{"maria", kPassword}};
        const auto connection = connectionTo(*server_);
        const QVariant answer = connection->AppServer().Call("GetTipoOper", {"", "T", "S"});
        QVERIFY(answer.canConvert<protocol::DataPacket>());
        const QString where = QStringLiteral("127.0.0.1:%1").arg(server_->port());
        QCOMPARE(user_.signInAsks.size(), 2);
        QCOMPARE(user_.signInAsks[0].server, where);
        QCOMPARE(user_.signInAsks[0].login, "maria");
        QCOMPARE(user_.signInAsks[0].problem, "");
        QCOMPARE(user_.signInAsks[1].problem, "Usuário ou senha incorretos.");
        QTRY_COMPARE(calls(*server_),
                     (QStringList{"IdentificaBanco error", "IniciaSessao error", "IniciaSessao ok",
                                  "IdentificaBanco ok", "GetTipoOper ok"}));
        // A second connection of the host to the same server uses the same session.
        QCOMPARE(connectionTo(*server_)
                     ->AppServer()
                     .Call("GetTipoOper", {"", "T", "E"})
                     .canConvert<protocol::DataPacket>(),
                 true);
        QCOMPARE(user_.signInAsks.size(), 2);
    }

    // A user who gives up gets no call through, and reads why.
    void givingUpFailsTheCall() {
        AppServerProcess other(database_);
        QString error;
        QVERIFY2(other.start(&error), qPrintable(error));
        user_.signInAnswers.clear();
        const QVariant answer = connectionTo(other)->AppServer().Call("GetTipoOper", {"", "T", "S"});
        QVERIFY(answer.metaType() == QMetaType::fromType<protocol::Fault>());
        QCOMPARE(answer.value<protocol::Fault>().code, "sign_in_cancelled");
        QCOMPARE(
            answer.value<protocol::Fault>().message,
            QStringLiteral("Sem entrar com a sua conta não se usa o servidor de aplicação em 127.0.0.1:%1.")
                .arg(other.port()));
        QCOMPARE(other.stop(), 0);
    }

    // Three RPS printed one after the other; after the first the session expires (its last use is put back
    // a day). The second call is answered "expired", the user signs in again reading why, and the second and
    // third are issued once each: three numbers in a row, none lost, none twice.
    void expiredSessionResumesTheRun() {
        QStringList invoices;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sign-in-test");
            db.setDatabaseName(database_.path);
            QVERIFY(db.open());
            QSqlQuery q(db);
            // Three invoices of one branch numbered by one counter.
            QVERIFY(
                q.exec(QStringLiteral("SELECT NF.NRLANCTONF, R.CDEMPRESA || R.CDINSCMUNI || R.CDSERIERPS") +
                       kIssuableInvoices + " AND NF.CDFILIAL = '0001' ORDER BY 2, 1"));
            QString counter;
            while (q.next() && invoices.size() < 3) {
                if (q.value(1).toString() != counter) invoices.clear();
                counter = q.value(1).toString();
                invoices << q.value(0).toString();
            }
        }
        QSqlDatabase::removeDatabase("sign-in-test");
        QCOMPARE(invoices.size(), 3);

        const auto connection = connectionTo(*server_);
        QStringList numbers;
        for (const QString& entry : invoices) {
            if (entry == invoices[1]) {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "sign-in-expire");
                db.setDatabaseName(database_.path);
                QVERIFY(db.open());
                QVERIFY(QSqlQuery(db).exec("UPDATE SESSAOSERV SET DTULTIMOUSO = '2000-01-01 00:00:00'"));
                db.close();
                db = QSqlDatabase();
                QSqlDatabase::removeDatabase("sign-in-expire");
                QTest::qWait(3500);  // what the server remembers of the session is older by then
                user_.signInAsks.clear();
                user_.signInAnswers = {kpv::SignInAnswer{"maria", kPassword}};
            }
            const QStringList status =
                connection->AppServer().Call("PreparaImpressao", {"0001", entry}).toStringList();
            QCOMPARE(status.value(0), "S");
            numbers << status.value(3);
        }
        QCOMPARE(user_.signInAsks.size(), 1);
        QCOMPARE(user_.signInAsks[0].problem,
                 "A sessão de maria no servidor de aplicação expirou depois de 480 minutos sem uso; entre "
                 "novamente.");
        QCOMPARE(numbers[1].toLongLong(), numbers[0].toLongLong() + 1);
        QCOMPARE(numbers[2].toLongLong(), numbers[1].toLongLong() + 1);
        QTRY_COMPARE(calls(*server_).filter("PreparaImpressao"),
                     (QStringList{"PreparaImpressao ok", "PreparaImpressao error", "PreparaImpressao ok",
                                  "PreparaImpressao ok"}));
    }

    void cleanupTestCase() {
        net::SetDatabaseCheck({});
        QCOMPARE(server_->stop(), 0);
    }
};

QTEST_MAIN(SignIn)
#include "test_sign_in.moc"
