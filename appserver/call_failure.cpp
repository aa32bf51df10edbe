#include "appserver/call_failure.h"

#include "appserver/call_log.h"
#include "appserver/server_fault.h"
#include "db/database_error.h"

namespace kpv::server {

using protocol::FaultCode;

QString Seconds(std::chrono::milliseconds deadline) {
    return QString::number(std::chrono::ceil<std::chrono::seconds>(deadline).count());
}

CallReply LoggedFault(CallLog& log, const QString& method, const ServerFault& fault, const QString& detail) {
    const QString id = NewErrorId();
    log.note(QStringLiteral("error %1 of %2: %3").arg(id, method, detail));
    return FaultReply(
        method, ServerFault(fault.fault(), QStringLiteral("%1 (ocorrência %2)").arg(fault.message(), id)));
}

CallFailure FailureOf(const std::exception_ptr& failure, const QString& method, bool usable, CallLog& log,
                      std::chrono::milliseconds deadline) {
    try {
        std::rethrow_exception(failure);
    } catch (const db::CommitUnknownError& e) {
        return {LoggedFault(log, method, ServerFault::Of(FaultCode::CommitUnknown), e.message()), true,
                QString()};
    } catch (const db::ConnectionLostError& e) {
        // Nothing of the call was committed: the engine rolls back what a lost connection left open.
        return {LoggedFault(log, method, ServerFault::Of(FaultCode::DatabaseUnavailable), e.message()), true,
                e.message()};
    } catch (const db::DeadlineError& e) {
        return {LoggedFault(log, method,
                            ServerFault(FaultCode::DatabaseTimeout,
                                        QStringLiteral("O banco de dados não respondeu em %1 s; nada foi "
                                                       "gravado. Tente novamente em instantes")
                                            .arg(Seconds(deadline))),
                            e.message()),
                !usable, e.message()};
    } catch (const db::BusyError& e) {
        return {FaultReply(method, ServerFault(FaultCode::DatabaseBusy, e.message())), false, QString()};
    } catch (const db::DatabaseError& e) {
        return {LoggedFault(log, method, ServerFault::Of(FaultCode::DatabaseError, e.summary()), e.message()),
                !usable, QString()};
    } catch (const ServerFault& e) {
        return {FaultReply(method, e), false, QString()};
    } catch (const std::exception& e) {
        return {
            LoggedFault(log, method, ServerFault::Of(FaultCode::InternalError), QString::fromUtf8(e.what())),
            false, QString()};
    } catch (...) {
        return {LoggedFault(log, method, ServerFault::Of(FaultCode::InternalError),
                            QStringLiteral("an exception of unknown type")),
                false, QString()};
    }
}

}  // namespace kpv::server
