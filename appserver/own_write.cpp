#include "appserver/own_write.h"

#include "appserver/rdm_emissao_rps.h"
#include "appserver/server_fault.h"
#include "appserver/worker_pool.h"
#include "db/savepoint.h"

#include <future>
#include <memory>

namespace kpv::server {

CheckedCall OwnWrite(const QString& name, std::function<void(db::Connection&)> write) {
    CheckedCall call;
    call.writes = true;
    call.name = name;
    call.work = [name, write = std::move(write)](TrdmEmissaoRPS& module, const CheckedCall&) {
        db::Savepoint savepoint(module.connection());
        write(module.connection());
        savepoint.release();
        return CallReply{protocol::kPayloadStatus, {}, name, kSucceeded, true};
    };
    return call;
}

CallReply WriteAndWait(WorkerPool& pool, CheckedCall write, const QDeadlineTimer& deadline) {
    const QString name = write.method();
    auto answered = std::make_shared<std::promise<CallReply>>();
    std::future<CallReply> reply = answered->get_future();
    pool.submit(std::move(write), [answered](const CallReply& r) { answered->set_value(r); });
    if (reply.wait_for(std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()))) ==
        std::future_status::ready)
        return reply.get();
    return FaultReply(name, ServerFault(protocol::FaultCode::DatabaseTimeout,
                                        QStringLiteral("O banco de dados não confirmou a gravação a tempo; "
                                                       "tente novamente em instantes.")));
}

}  // namespace kpv::server
