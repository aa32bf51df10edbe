#pragma once

#include "appserver/remote_dispatcher.h"

#include <QString>

#include <chrono>
#include <exception>

namespace kpv::server {

class CallLog;
class ServerFault;

// What a call that failed is answered, and what its failure says of the connection and the database.
struct CallFailure {
    CallReply reply;
    bool dropConnection = false;  // the connection cannot serve another call
    QString databaseDown;         // the database is taken for gone, for this reason; empty otherwise
};

// Classifies the failure of a call (db::DatabaseError and its kinds, ServerFault, anything else): the user
// reads a short text and an id, the detail goes to the log under it. `usable` tells whether the connection
// still works after it; `deadline` is the calls' deadline, for the texts.
CallFailure FailureOf(const std::exception_ptr& failure, const QString& method, bool usable, CallLog& log,
                      std::chrono::milliseconds deadline);

// The fault reply of a failure whose detail only the log keeps, under the id the user reads after the
// fault's words.
CallReply LoggedFault(CallLog& log, const QString& method, const ServerFault& fault, const QString& detail);

// Seconds for the texts: a deadline of 2500 ms reads "3 s".
QString Seconds(std::chrono::milliseconds deadline);

}  // namespace kpv::server
