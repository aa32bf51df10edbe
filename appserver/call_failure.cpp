#include "appserver/call_failure.h"

#include "appserver/call_log.h"
#include "appserver/server_fault.h"
#include "db/database_error.h"

namespace kpv::server {

QString Seconds(std::chrono::milliseconds deadline) {
    return QString::number(std::chrono::ceil<std::chrono::seconds>(deadline).count());
}

CallReply LoggedFault(CallLog& log, const QString& method, int status, const QString& code,
                      const QString& text, const QString& detail) {
    const QString id = NewErrorId();
    log.note(QStringLiteral("error %1 of %2: %3").arg(id, method, detail));
    return FaultReply(method, status, code, QStringLiteral("%1 (ocorrência %2)").arg(text, id));
}

CallFailure FailureOf(const std::exception_ptr& failure, const QString& method, bool usable, CallLog& log,
                      std::chrono::milliseconds deadline) {
    try {
        std::rethrow_exception(failure);
    } catch (const db::CommitUnknownError& e) {
        return {
            LoggedFault(log, method, 503, QStringLiteral("commit_unknown"),
                        QStringLiteral("A conexão com o banco de dados caiu enquanto a gravação era "
                                       "confirmada, e não se sabe se ela foi feita. Repita a operação: uma "
                                       "nota fiscal já emitida não recebe outro número"),
                        e.message()),
            true, QString()};
    } catch (const db::ConnectionLostError& e) {
        // Nothing of the call was committed: the engine rolls back what a lost connection left open.
        return {LoggedFault(log, method, 503, QStringLiteral("database_unavailable"),
                            QStringLiteral("O banco de dados não está disponível no momento; tente novamente "
                                           "em instantes"),
                            e.message()),
                true, e.message()};
    } catch (const db::DeadlineError& e) {
        return {LoggedFault(log, method, 503, QStringLiteral("database_timeout"),
                            QStringLiteral("O banco de dados não respondeu em %1 s; nada foi gravado. Tente "
                                           "novamente em instantes")
                                .arg(Seconds(deadline)),
                            e.message()),
                !usable, e.message()};
    } catch (const db::BusyError& e) {
        return {FaultReply(method, 503, QStringLiteral("database_busy"), e.message()), false, QString()};
    } catch (const db::DatabaseError& e) {
        return {LoggedFault(log, method, 500, QStringLiteral("database_error"),
                            QStringLiteral("Erro no banco de dados: ") + e.summary(), e.message()),
                !usable, QString()};
    } catch (const ServerFault& e) {
        return {FaultReply(method, e.httpStatus(), e.code(), e.message()), false, QString()};
    } catch (const std::exception& e) {
        return {
            LoggedFault(log, method, 500, QStringLiteral("internal_error"),
                        QStringLiteral("Erro interno do servidor de aplicação"), QString::fromUtf8(e.what())),
            false, QString()};
    } catch (...) {
        return {LoggedFault(log, method, 500, QStringLiteral("internal_error"),
                            QStringLiteral("Erro interno do servidor de aplicação"),
                            QStringLiteral("an exception of unknown type")),
                false, QString()};
    }
}

}  // namespace kpv::server
