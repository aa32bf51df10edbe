#pragma once

#include "appserver/http_server.h"
#include "appserver/token_guard.h"

#include <QString>

namespace kpv::server {

class AccessControl;
class CallLog;
class ServerFault;
class SignIn;
class WorkerPool;

// The HTTP face of the remote data module: POST /call with a session token (POST /session signs in), or
// with the shared token when one is configured and the database holds no account. A call that passes is
// checked and handed to the workers, which check its session and rights; its log line is written once its
// answer has reached the client, or has failed to.
class Endpoint {
  public:
    Endpoint(QString token, WorkerPool& workers, CallLog& log, AccessControl& access, SignIn& signIn)
        : token_(std::move(token)),
          workers_(workers),
          log_(log),
          access_(access),
          signIn_(signIn),
          guard_(log) {}

    void handle(const HttpRequest& request, const Responder& respond);
    void rejected(const QString& peer, const ServerFault& fault);

  private:
    bool authorized(const HttpRequest& request) const;

    QString token_;
    WorkerPool& workers_;
    CallLog& log_;
    AccessControl& access_;
    SignIn& signIn_;
    TokenGuard guard_;
};

}  // namespace kpv::server
