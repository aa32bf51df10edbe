// kpv-accounts: the accounts of the people who sign in to the application servers, and their audit trail.
#include "accounts/account_store.h"
#include "accounts/audit_listing.h"
#include "accounts/password_hash.h"
#include "accounts/password_prompt.h"
#include "accounts/session_store.h"
#include "db/audit_trail.h"
#include "db/connection.h"
#include "db/database.h"
#include "db/database_error.h"
#include "db/write_transaction.h"
#include "settings/settings_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <functional>

#include <unistd.h>

namespace {

using namespace kpv;

constexpr int kUsage = 2;
constexpr int kWriteDeadlineMs = 10000;

const char* const kCommands =
    "usage: kpv-accounts [--config kpv.ini] COMMAND\n"
    "  add LOGIN --name \"Full name\" --rights emitir,cancelar,consultar\n"
    "  disable LOGIN | enable LOGIN | password LOGIN\n"
    "  rights LOGIN --rights LIST\n"
    "  list\n"
    "  audit [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--user LOGIN] [--csv]\n"
    "Passwords are read from the terminal without echo, or from standard input.\n";

int fail(const QString& message, int code = 1) {
    std::fprintf(stderr, "kpv-accounts: %s\n", message.toUtf8().constData());
    return code;
}

// The server's tables, created in a database an earlier version made; never a database of its own.
std::unique_ptr<db::Connection> openDatabase(const db::DatabaseSettings& database) {
    if (database.engine != db::Engine::SQLite && database.engine != db::Engine::Firebird) {
        throw db::DatabaseError(
            QStringLiteral("as contas ficam no banco do servidor de aplicação, que é SQLite ou Firebird"));
    }
    const QString name = QStringLiteral("kpv-accounts");
    {
        QSqlDatabase db = db::OpenExistingDatabase(database, name);
        db::InstallSchema(db);
    }
    db::CloseDatabase(name);
    return db::Connect(database);
}

// Runs a change of an account and its row of the trail in one transaction. `change` answers false when
// there is no such account.
int changeAccount(db::Connection& connection, const QString& login, const QString& command,
                  const QString& outcome, const std::function<bool(accounts::AccountStore&)>& change,
                  const QString& done) {
    bool found = true;
    db::RunWriteTransaction(
        connection,
        [&] {
            accounts::AccountStore store(connection);
            found = change(store);
            if (!found) return false;
            db::RecordAudit(connection, {login,
                                         db::LocalOperator(),
                                         QStringLiteral("kpv-accounts ") + command,
                                         {},
                                         {},
                                         {},
                                         {},
                                         outcome});
            return true;
        },
        QDeadlineTimer(kWriteDeadlineMs));
    if (!found) return fail(QStringLiteral("não há conta %1").arg(login));
    std::printf("%s\n", done.toUtf8().constData());
    return 0;
}

int listAccounts(db::Connection& connection) {
    const auto line = [](const QString& login, const QString& name, const QString& state,
                         const QString& rights) {
        const QString text = login.leftJustified(30) + QLatin1Char(' ') + name.leftJustified(40) +
                             QLatin1Char(' ') + state.leftJustified(10) + QLatin1Char(' ') + rights;
        std::printf("%s\n", text.toUtf8().constData());
    };
    line(QStringLiteral("login"), QStringLiteral("nome"), QStringLiteral("situação"),
         QStringLiteral("direitos"));
    for (const accounts::Account& a : accounts::AccountStore(connection).all()) {
        line(a.login, a.name, a.active ? QStringLiteral("ativa") : QStringLiteral("desativada"),
             a.rights.text());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kpv-accounts"));

    QCommandLineParser options;
    options.setApplicationDescription(QString::fromLatin1(kCommands));
    options.addHelpOption();
    const QCommandLineOption config("config", "Configuration file (kpv.ini) with the server's [database].",
                                    "file", "kpv.ini");
    const QCommandLineOption name("name", "Full name of the account (add).", "name");
    const QCommandLineOption rights("rights", "Rights: emitir, cancelar, consultar, joined by commas.",
                                    "list");
    const QCommandLineOption from("from", "First day of the audit listing.", "date");
    const QCommandLineOption to("to", "Last day of the audit listing.", "date");
    const QCommandLineOption user("user", "Only this account's rows of the audit trail.", "login");
    const QCommandLineOption csv("csv", "The audit trail as CSV.");
    options.addOptions({config, name, rights, from, to, user, csv});
    options.addPositionalArgument("command", "add, disable, enable, password, rights, list or audit.");
    options.process(app);

    const QStringList args = options.positionalArguments();
    const QString command = args.value(0);
    const bool needsLogin = command == u"add" || command == u"disable" || command == u"enable" ||
                            command == u"password" || command == u"rights";
    if (!needsLogin && command != u"list" && command != u"audit")
        return fail(QStringLiteral("comando desconhecido: \"%1\"\n%2").arg(command, QLatin1String(kCommands)),
                    kUsage);
    if (args.size() != (needsLogin ? 2 : 1))
        return fail(QStringLiteral("argumentos errados para %1\n%2").arg(command, QLatin1String(kCommands)),
                    kUsage);
    const QString login = accounts::NormalizeLogin(args.value(1));
    if (needsLogin && !accounts::IsValidLogin(login)) {
        return fail(
            QStringLiteral("login inválido: \"%1\" (de 1 a 30 letras minúsculas, dígitos, \".\", \"_\" "
                           "ou \"-\")")
                .arg(args.value(1)),
            kUsage);
    }
    std::optional<accounts::Rights> chosen;
    if (command == u"add" || command == u"rights") {
        QString error;
        chosen = accounts::Rights::Parse(options.value(rights), &error);
        if (!chosen) return fail(error, kUsage);
    }
    if (command == u"add" && options.value(name).trimmed().isEmpty())
        return fail(QStringLiteral("informe o nome completo da conta com --name"), kUsage);
    accounts::AuditFilter filter;
    for (const auto& [option, day] : {std::pair{&from, &filter.from}, std::pair{&to, &filter.to}}) {
        if (!options.isSet(*option)) continue;
        *day = QDate::fromString(options.value(*option), Qt::ISODate);
        if (!day->isValid())
            return fail(QStringLiteral("data inválida: %1 (esperado AAAA-MM-DD)").arg(options.value(*option)),
                        kUsage);
    }
    filter.login = accounts::NormalizeLogin(options.value(user));

    try {
        const settings::SettingsFile ini(options.value(config));
        const std::unique_ptr<db::Connection> connection = openDatabase(db::ReadServerDatabaseSettings(ini));
        if (command == u"list") return listAccounts(*connection);
        if (command == u"audit") {
            // Long listings sent to a file say how far they are on the terminal.
            const bool tellProgress = isatty(STDERR_FILENO) && !isatty(STDOUT_FILENO);
            accounts::ListAudit(*connection, filter, options.isSet(csv), stdout,
                                [tellProgress](qint64 done, qint64 total) {
                                    if (!tellProgress) return;
                                    std::fprintf(stderr, "\rkpv-accounts: %lld de %lld linhas%s",
                                                 static_cast<long long>(done), static_cast<long long>(total),
                                                 done == total ? "\n" : "");
                                });
            return 0;
        }
        if (command == u"disable" || command == u"enable") {
            const bool active = command == u"enable";
            return changeAccount(
                *connection, login, command, QStringLiteral("ok"),
                [&](accounts::AccountStore& store) {
                    if (!store.setActive(login, active)) return false;
                    // A disabled account's sessions end; enabled again, it signs in anew.
                    accounts::SessionStore(*connection).endAll(login);
                    return true;
                },
                active ? QStringLiteral("conta %1 reativada").arg(login)
                       : QStringLiteral("conta %1 desativada: suas sessões terminaram").arg(login));
        }
        if (command == u"rights") {
            return changeAccount(
                *connection, login, command, QStringLiteral("ok: ") + chosen->text(),
                [&](accounts::AccountStore& store) { return store.setRights(login, *chosen); },
                QStringLiteral("conta %1: %2").arg(login, chosen->text()));
        }
        // Said before the password is asked for.
        const bool exists = accounts::AccountStore(*connection).find(login).has_value();
        if (command == u"password" && !exists) return fail(QStringLiteral("não há conta %1").arg(login));
        if (command == u"add" && exists) return fail(QStringLiteral("a conta %1 já existe").arg(login));
        QString error;
        const std::optional<QString> password = accounts::ReadNewPassword(login, &error);
        if (!password) return fail(error);
        const QString hash = accounts::HashPassword(*password);
        if (command == u"password") {
            return changeAccount(
                *connection, login, command, QStringLiteral("ok"),
                [&](accounts::AccountStore& store) {
                    if (!store.setPasswordHash(login, hash)) return false;
                    accounts::SessionStore(*connection).endAll(login);
                    return true;
                },
                QStringLiteral("senha de %1 trocada: suas sessões terminaram").arg(login));
        }
        const accounts::Account account{login, options.value(name).trimmed(), hash, true, *chosen};
        return changeAccount(
            *connection, login, command, QStringLiteral("ok: ") + chosen->text(),
            [&](accounts::AccountStore& store) {
                store.add(account);
                return true;
            },
            QStringLiteral("conta %1 incluída (%2); todo servidor sobre este banco passa a exigir que cada "
                           "usuário entre com a sua conta")
                .arg(login, chosen->text()));
    } catch (const settings::ConfigurationError& e) {
        return fail(e.message());
    } catch (const accounts::AccountError& e) {
        return fail(e.message());
    } catch (const db::DatabaseError& e) {
        return fail(e.message());
    } catch (const std::exception& e) {
        return fail(QString::fromUtf8(e.what()));
    }
}
