#pragma once

#include <QDeadlineTimer>

#include <ibase.h>

#include <atomic>

namespace kpv::db {

// One thread for the whole process watches the deadlines of the Firebird statements that are running: at
// its deadline a statement is cancelled, and one still running a while later (a server that stopped
// answering) has its connection closed under it, marked lost.
class FirebirdWatchdog {
  public:
    // A ticket for the watch of one call into the client library on `attachment`.
    static int Arm(isc_db_handle* attachment, const QDeadlineTimer& deadline, std::atomic<bool>* lost);
    static void Disarm(int ticket);
};

}  // namespace kpv::db
