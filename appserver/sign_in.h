#pragma once

#include "accounts/account.h"
#include "appserver/remote_dispatcher.h"
#include "appserver/sign_in_throttle.h"

#include <QDeadlineTimer>
#include <QString>

#include <functional>
#include <optional>

namespace kpv::server {

class AccessControl;
class WorkerPool;
struct HttpRequest;

// POST /session: the login and password checked against the account's hash on a worker, a session opened in
// the database by the writer, and the token answered with the account's full name. Every attempt the
// throttle lets through is recorded in the audit trail, the right password or not.
class SignIn {
  public:
    SignIn(WorkerPool& workers, AccessControl& access) : workers_(workers), access_(access) {}

    void handle(const HttpRequest& request, const std::function<void(const CallReply&)>& send);

  private:
    // What a verified attempt is answered, its row of the trail written first.
    CallReply answer(const QString& login, const std::optional<accounts::Account>& account,
                     bool rightPassword, const QString& address, const QDeadlineTimer& deadline);

    WorkerPool& workers_;
    AccessControl& access_;
    SignInThrottle throttle_;
};

}  // namespace kpv::server
