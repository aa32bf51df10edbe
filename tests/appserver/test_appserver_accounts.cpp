// Accounts on the real kpv-appserver, two of them over one SQLite file whose accounts kpv-accounts made:
// each right against each method, with no number spent on a refusal and a row of the trail for every write
// and every DPS handed out;
// one session on both servers, an account disabled stopping there at once; and the throttling of failed
// sign-ins per account and per address, the right password still getting in.
#include "accounts_tool.h"
#include "appserver_process.h"
#include "db/audit_trail.h"
#include "http_message.h"
#include "protocol/codec.h"
#include "test_certificate.h"
#include "test_database.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace kpv;

namespace {

const QString kPassword = QStringLiteral("senha-certa-1");

struct Reply {
    int status = 0;
    QVariant payload;
    QString code;  // of a fault
    QString message;
    int retryAfter = 0;

    QStringList status2() const { return payload.toStringList(); }
};

// One request on a connection of its own, from `from` (any address of the loopback network).
Reply request(const AppServerProcess& server, const QByteArray& target, const QByteArray& body,
              const QString& token = {}, const QString& from = QStringLiteral("127.0.0.1")) {
    QTcpSocket socket;
    socket.bind(QHostAddress(from));
    socket.connectToHost(server.host(), quint16(server.port()));
    Reply r;
    if (!socket.waitForConnected(5000)) return r;
    QByteArray head = "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n";
    if (!token.isEmpty()) head += "Authorization: Bearer " + token.toUtf8() + "\r\n";
    socket.write(head + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray buffer;
    std::optional<HttpMessage> answer;
    QElapsedTimer clock;
    clock.start();
    while (!(answer = TakeHttpMessage(buffer)) && clock.elapsed() < 15000) {
        socket.waitForReadyRead(100);
        buffer += socket.readAll();
    }
    if (!answer) return r;
    r.status = answer->status;
    r.retryAfter = answer->header("Retry-After").toInt();
    r.payload = protocol::DecodeReply(answer->body);
    if (r.payload.metaType() == QMetaType::fromType<protocol::Fault>()) {
        r.code = r.payload.value<protocol::Fault>().code;
        r.message = r.payload.value<protocol::Fault>().message;
    }
    return r;
}

// The fields of one CSV line (RFC 4180).
QStringList csvFields(const QString& line) {
    QStringList fields{QString()};
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            fields.last() += c;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields << QString();
        } else {
            fields.last() += c;
        }
    }
    return fields;
}

Reply signIn(const AppServerProcess& server, const QString& login, const QString& password,
             const QString& from = QStringLiteral("127.0.0.1")) {
    const QByteArray body = QJsonDocument(QJsonObject{{"login", login}, {"password", password}}).toJson();
    return request(server, "/session", body, {}, from);
}

QString tokenOf(const Reply& r) {
    return r.status == 200 ? r.status2().value(2) : QString();
}

Reply call(const AppServerProcess& server, const QString& token, const QString& method,
           const QStringList& args) {
    QJsonArray list;
    for (const QString& a : args) list.append(a);
    const QJsonObject body{{"server", "Kpv41000.rdmEmissaoRPS"}, {"method", method}, {"args", list}};
    return request(server, "/call", QJsonDocument(body).toJson(QJsonDocument::Compact), token);
}

}  // namespace

class AppServerAccounts : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    TestDatabase database_;
    QSqlDatabase db_;  // the test's own look at the database
    std::unique_ptr<AppServerProcess> a_;
    std::unique_ptr<AppServerProcess> b_;
    QStringList issuable_;  // "branch|entry" of invoices of branch 0001 that can be given an RPS

    QString value(const QString& sql, const QVariantList& binds = {}) {
        QSqlQuery q(db_);
        q.prepare(sql);
        for (const QVariant& b : binds) q.addBindValue(b);
        if (!q.exec() || !q.next()) return QStringLiteral("<none>");
        return q.value(0).toString().trimmed();
    }
    // The counter an invoice's RPS number comes from.
    QString counterOf(const QString& branch, const QString& entry) {
        return value(
            "SELECT R.NRULTRPS FROM NOTAFISCAL NF JOIN SERIENF S ON S.CDEMPRESA = NF.CDEMPRESA AND "
            "S.CDINSCESTA = NF.CDINSCESTA AND S.CDINSCMUNI = NF.CDINSCMUNI AND S.CDSERIE = NF.CDSERIE JOIN "
            "SERIERPS R ON R.CDEMPRESA = NF.CDEMPRESA AND R.CDINSCMUNI = NF.CDINSCMUNI AND R.CDSERIERPS = "
            "S.CDSERIERPS WHERE NF.CDFILIAL = ? AND NF.NRLANCTONF = ?",
            {branch, entry});
    }
    int auditRows() { return value("SELECT COUNT(*) FROM AUDITORIASERV").toInt(); }

  private Q_SLOTS:
    void initTestCase() {
        database_ = TestDatabase::Sqlite(dir_.path());
        QString error;
        QVERIFY2(RunDemoData(database_, 1500, 11, QDate(2026, 6, 30), &error), qPrintable(error));
        for (const auto& [login, rights] :
             {std::pair{"leitor", "consultar"}, std::pair{"emissor", "emitir"},
              std::pair{"gerente", "emitir,cancelar"}, std::pair{"antigo", "emitir"}})
            QVERIFY2(AddAccount(database_, login, rights, kPassword, &error), qPrintable(error));
        db_ = QSqlDatabase::addDatabase("QSQLITE", "accounts-test");
        db_.setDatabaseName(database_.path);
        QVERIFY(db_.open());
        QSqlQuery q(db_);
        QVERIFY(q.exec(QStringLiteral("SELECT NF.CDFILIAL, NF.NRLANCTONF") + kIssuableInvoices +
                       " AND NF.CDFILIAL = '0001' ORDER BY NF.NRLANCTONF"));
        while (q.next()) issuable_ << q.value(0).toString() + '|' + q.value(1).toString();
        QVERIFY(issuable_.size() >= 10);
        QVERIFY(q.exec("SELECT F.NMFILIAL, COALESCE(F.NRCNPJFILI, E.NRCNPJEMPR) FROM FILIAL F JOIN EMPRESA E"
                       " ON E.CDEMPRESA = F.CDEMPRESA WHERE F.CDFILIAL = '0001'") &&
                q.next());
        TestCertificate certificate;
        QVERIFY2(
            MakeTestCertificate(dir_.path(), "filial-0001",
                                {q.value(0).toString().trimmed() + ':' + q.value(1).toString().trimmed(), {}},
                                &certificate, &error),
            qPrintable(error));
        AppServerLimits limits;
        limits.groups = QStringLiteral("[nfse]\ncertificate.0001=%1\ncertificatePassword.0001=%2\n")
                            .arg(certificate.pkcs12, certificate.password);
        a_ = std::make_unique<AppServerProcess>(database_, limits);
        b_ = std::make_unique<AppServerProcess>(database_, limits);
        QVERIFY2(a_->start(&error), qPrintable(error));
        QVERIFY2(b_->start(&error), qPrintable(error));
    }

    // Each right against each method: what the server answers, a refusal as a status array ({"N", reason})
    // that spends no number, and for each write a row of the trail saying who, from where, on which invoice
    // and RPS, and how it ended. Without a session nothing runs at all.
    void eachRightAgainstEachMethod_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("expected");  // "packet", "S", a refusal's text, or "401 <code>"
        const QString noIssue = QStringLiteral("Usuário %1 sem permissão para emitir o RPS.");
        const QString noCancel = QStringLiteral("Usuário %1 sem permissão para cancelar a emissão do RPS.");
        const QString noDps = QStringLiteral("Usuário %1 sem permissão para gerar a DPS do RPS.");
        for (const QString login : {"leitor", "emissor", "gerente"}) {
            const bool issues = login != u"leitor";
            const bool cancels = login == u"gerente";
            QTest::addRow("%s reads", qPrintable(login)) << login << "GetTipoOper"
                                                         << "packet";
            QTest::addRow("%s issues", qPrintable(login))
                << login << "PreparaImpressao" << (issues ? QStringLiteral("S") : noIssue.arg(login));
            QTest::addRow("%s cancels", qPrintable(login))
                << login << "CancelaEmissao" << (cancels ? QStringLiteral("S") : noCancel.arg(login));
            QTest::addRow("%s makes the DPS", qPrintable(login))
                << login << "GeraDPS" << (issues ? QStringLiteral("S") : noDps.arg(login));
        }
        QTest::newRow("nobody reads") << ""
                                      << "GetTipoOper"
                                      << "401 session_required";
        QTest::newRow("nobody issues") << ""
                                       << "PreparaImpressao"
                                       << "401 session_required";
    }
    void eachRightAgainstEachMethod() {
        QFETCH(QString, login);
        QFETCH(QString, method);
        QFETCH(QString, expected);
        const QString token = login.isEmpty() ? QString() : tokenOf(signIn(*a_, login, kPassword));
        QVERIFY(login.isEmpty() || !token.isEmpty());
        if (method == u"GetTipoOper") {
            const Reply r = call(*a_, token, method, {"", "T", "S"});
            if (expected == u"packet")
                QVERIFY(r.status == 200 && r.payload.canConvert<protocol::DataPacket>());
            else
                QCOMPARE(QStringLiteral("%1 %2").arg(r.status).arg(r.code), expected);
            return;
        }
        const QStringList invoice = issuable_.takeFirst().split('|');
        const QString &branch = invoice[0], &entry = invoice[1];
        if (method != u"PreparaImpressao") {
            const Reply issued =
                call(*a_, tokenOf(signIn(*a_, "gerente", kPassword)), "PreparaImpressao", invoice);
            QCOMPARE(issued.status2().value(0), "S");
        }
        const QString emission = value(
            "SELECT IDEMISSAORPS FROM NOTAFISCAL WHERE CDFILIAL = ? AND NRLANCTONF = ?", {branch, entry});
        const QString counter = counterOf(branch, entry);
        const int rows = auditRows();

        const Reply r = call(*a_, token, method, invoice);
        if (expected.startsWith("401")) {
            QCOMPARE(QStringLiteral("%1 %2").arg(r.status).arg(r.code), expected);
            QCOMPARE(auditRows(), rows);
        } else {
            QCOMPARE(r.status, 200);
            QCOMPARE(r.status2().value(0), expected == u"S" ? "S" : "N");
            if (expected != u"S") QCOMPARE(r.status2().value(1), expected);
            const QString trail =
                "SELECT %1 FROM AUDITORIASERV WHERE CDFILIAL = ? AND NRLANCTONF = ? AND DSACAO = ?"
                " ORDER BY CDAUDITORIA DESC";
            const QVariantList which{branch, entry, method};
            QCOMPARE(auditRows(), rows + 1);
            QCOMPARE(value(trail.arg("CDUSUARIO"), which), login);
            QCOMPARE(value(trail.arg("DSENDERECO"), which), "127.0.0.1");
            QCOMPARE(value(trail.arg("DSRESULTADO"), which),
                     expected == u"S" ? QStringLiteral("ok") : QString("refused: " + expected));
            const QString ledger =
                "SELECT %1 FROM RPSEMITIDO WHERE CDFILIAL = ? AND NRLANCTONF = ? ORDER BY NRRPS DESC";
            if (expected == u"S" || method == u"CancelaEmissao") {
                // The trail names the RPS the call was about, as the ledger holds it.
                QCOMPARE(value(trail.arg("NRRPS"), which), value(ledger.arg("NRRPS"), {branch, entry}));
            }
            if (expected == u"S" && method == u"PreparaImpressao") {
                QCOMPARE(counterOf(branch, entry).toLongLong(), counter.toLongLong() + 1);
                QCOMPARE(value(ledger.arg("CDUSUARIOEMIS"), {branch, entry}), login);
                return;
            }
            if (expected == u"S" && method == u"CancelaEmissao") {
                QCOMPARE(value(ledger.arg("IDSITRPS"), {branch, entry}), "C");
                QCOMPARE(value(ledger.arg("CDUSUARIOEMIS"), {branch, entry}), "gerente");
                QCOMPARE(value(ledger.arg("CDUSUARIOCANC"), {branch, entry}), login);
                return;
            }
        }
        if (expected == u"S")
            QVERIFY2(r.status2().value(2).contains("<DPS"), qPrintable(r.status2().join('\n')));
        // Refused, or read: no number spent, the invoice as it was.
        QCOMPARE(counterOf(branch, entry), counter);
        QCOMPARE(value("SELECT IDEMISSAORPS FROM NOTAFISCAL WHERE CDFILIAL = ? AND NRLANCTONF = ?",
                       {branch, entry}),
                 emission);
    }

    // kpv-accounts lists the trail: who signed in, issued and cancelled, in the order it happened.
    void theToolListsWhoDidWhat() {
        const AccountsRun run = RunAccountsTool(database_, {"audit", "--csv", "--user", "gerente"});
        QCOMPARE(run.exitCode, 0);
        QStringList actions;
        const QStringList lines = run.output.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.value(0),
                 "quando,usuario,endereco,acao,filial,lancamento,serie_rps,numero_rps,resultado");
        for (const QString& line : lines.mid(1)) {
            const QStringList fields = csvFields(line);
            QCOMPARE(fields.value(1), "gerente");
            QVERIFY2(QDateTime::fromString(fields.value(0), Qt::ISODate).isValid(), qPrintable(line));
            actions << fields.value(3) + ' ' + fields.value(8);
        }
        // The rights table above: made, then signed in, issued for the others' cancellations and its own, and
        // its own cancellation after its issue.
        QCOMPARE(actions.value(0), "kpv-accounts add ok: emitir,cancelar");
        QVERIFY2(actions.contains("IniciaSessao ok") && actions.contains("PreparaImpressao ok") &&
                     actions.contains("CancelaEmissao ok"),
                 qPrintable(actions.join('\n')));
        QVERIFY(actions.indexOf("PreparaImpressao ok") < actions.indexOf("CancelaEmissao ok"));
    }

    // --from and --to are whole local days: a row a millisecond before the first day is left out, one at its
    // first instant and one at the last instant of the last day are in, one at the next day's first is out.
    void theToolListsTheDaysAsked() {
        const QDateTime first = QDate(2026, 3, 10).startOfDay(), next = QDate(2026, 3, 12).startOfDay();
        const QList<QDateTime> written{first.addMSecs(-1), first, next.addMSecs(-1), next};
        for (const QDateTime& when : written) {
            QSqlQuery q(db_);
            q.prepare(
                "INSERT INTO AUDITORIASERV (CDAUDITORIA, DTAUDITORIA, CDUSUARIO, DSACAO, DSRESULTADO)"
                " VALUES (?, ?, 'dias', 'teste', ?)");
            q.addBindValue(db::NewAuditKey(when.toUTC()));
            q.addBindValue(when.toUTC().toString("yyyy-MM-dd HH:mm:ss"));
            q.addBindValue(when.toString(Qt::ISODateWithMs));
            QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        }
        const AccountsRun run = RunAccountsTool(
            database_, {"audit", "--csv", "--user", "dias", "--from", "2026-03-10", "--to", "2026-03-11"});
        QCOMPARE(run.exitCode, 0);
        QStringList listed;
        for (const QString& line : run.output.split('\n', Qt::SkipEmptyParts).mid(1))
            listed << csvFields(line).value(8);
        QCOMPARE(listed, (QStringList{written[1].toString(Qt::ISODateWithMs),
                                      written[2].toString(Qt::ISODateWithMs)}));
    }

    // A session opened on one server serves on every server over the database; an account disabled there
    // stops on both within their few seconds of memory, and signing in again is refused in its own words.
    void oneSessionOnEveryServer() {
        const QString token = tokenOf(signIn(*a_, "antigo", kPassword));
        QVERIFY(!token.isEmpty());
        QCOMPARE(call(*a_, token, "GetTipoOper", {"", "T", "E"}).status, 200);
        QCOMPARE(call(*b_, token, "GetTipoOper", {"", "T", "E"}).status, 200);
        QCOMPARE(call(*b_, QStringLiteral("kpvs.inventada"), "GetTipoOper", {"", "T", "E"}).code,
                 "session_expired");

        QCOMPARE(RunAccountsTool(database_, {"disable", "antigo"}).exitCode, 0);
        QElapsedTimer clock;
        clock.start();
        for (const AppServerProcess* server : {a_.get(), b_.get()}) {
            QTRY_COMPARE_WITH_TIMEOUT(call(*server, token, "GetTipoOper", {"", "T", "E"}).status, 401, 10000);
        }
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        const Reply again = signIn(*b_, "antigo", kPassword);
        QCOMPARE(again.status, 403);
        QCOMPARE(again.code, "account_inactive");
        QCOMPARE(again.message, "A conta antigo está desativada; peça ao administrador que a reative.");
        QCOMPARE(signIn(*b_, "antigo", "errada").message, "Usuário ou senha incorretos.");
    }

    // A flood of wrong passwords for one account from one address slows that account there, not its other
    // addresses nor the address's other accounts; an address that guesses many accounts is slowed for all of
    // them; and the right password gets in once the few seconds said are over.
    void throttlesByAccountAndByAddress() {
        const QString flood = QStringLiteral("127.0.0.2");
        for (int i = 0; i < 4; ++i) QCOMPARE(signIn(*a_, "emissor", "errada", flood).code, "wrong_password");
        const Reply slowed = signIn(*a_, "emissor", kPassword, flood);
        QCOMPARE(slowed.status, 429);
        QCOMPARE(slowed.code, "too_many_attempts");
        QVERIFY(slowed.retryAfter >= 1 && slowed.retryAfter <= 4);
        QCOMPARE(signIn(*a_, "emissor", kPassword, "127.0.0.3").status, 200);
        QCOMPARE(signIn(*a_, "gerente", kPassword, flood).status, 200);
        QTest::qWait(slowed.retryAfter * 1000);
        QCOMPARE(signIn(*a_, "emissor", kPassword, flood).status, 200);

        const QString guesser = QStringLiteral("127.0.0.4");
        for (int i = 0; i < 10; ++i)
            QCOMPARE(signIn(*a_, QStringLiteral("ninguem%1").arg(i), "errada", guesser).status, 401);
        const Reply guessing = signIn(*a_, "gerente", kPassword, guesser);
        QCOMPARE(guessing.status, 429);
        QCOMPARE(guessing.message,
                 QStringLiteral("Tentativas de entrada erradas demais vindas deste endereço; tente "
                                "de novo em %1 s.")
                     .arg(guessing.retryAfter));
        QCOMPARE(signIn(*a_, "gerente", kPassword).status, 200);
        QTest::qWait(guessing.retryAfter * 1000);
        QCOMPARE(signIn(*a_, "gerente", kPassword, guesser).status, 200);
    }

    void cleanupTestCase() {
        QCOMPARE(a_->stop(), 0);
        QCOMPARE(b_->stop(), 0);
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase("accounts-test");
    }
};

QTEST_GUILESS_MAIN(AppServerAccounts)
#include "test_appserver_accounts.moc"
