#pragma once

#include "appserver/remote_dispatcher.h"

#include <QDeadlineTimer>

#include <functional>

namespace kpv::db {
class Connection;
}

namespace kpv::server {

// A write of the server's own for the writer (a session opened or used, a sign-in's row of the trail): it
// runs in a savepoint of the writer's transaction, kept whole or not at all, and answers success once the
// group is committed.
CheckedCall OwnWrite(const QString& name, std::function<void(db::Connection&)> write);

class WorkerPool;
// Hands the write to the pool's writer and waits for its answer, until `deadline` at most.
CallReply WriteAndWait(WorkerPool& pool, CheckedCall write, const QDeadlineTimer& deadline);

}  // namespace kpv::server
