#include "appserver/endpoint.h"

#include "accounts/session_store.h"
#include "appserver/access_control.h"
#include "appserver/call_log.h"
#include "appserver/rdm_emissao_rps.h"
#include "appserver/remote_dispatcher.h"
#include "appserver/server_fault.h"
#include "appserver/sign_in.h"
#include "appserver/worker_pool.h"
#include "protocol/sign_in.h"

#include <QElapsedTimer>

namespace kpv::server {

namespace {

using protocol::FaultCode;

// Compares in time that does not depend on where the texts first differ.
bool sameSecret(const QByteArray& a, const QByteArray& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (qsizetype i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace

bool Endpoint::authorized(const HttpRequest& request) const {
    if (token_.isEmpty()) return true;
    return sameSecret(request.authorization, "Bearer " + token_.toUtf8());
}

void Endpoint::handle(const HttpRequest& request, const Responder& respond) {
    // Timed from the whole request to the answer delivered; the log line waits for the delivery.
    QElapsedTimer clock;
    clock.start();
    const auto send = [respond, peer = request.peer, &log = log_, clock](const CallReply& r) {
        respond({r.httpStatus, r.body,
                 [peer, &log, clock, method = r.method, outcome = r.outcome](bool delivered) {
                     log.write(peer, method, double(clock.nsecsElapsed()) / 1e6,
                               delivered ? outcome
                                         : QStringLiteral("undelivered (the client went away): ") + outcome);
                 },
                 r.retryAfterSeconds});
    };
    const QString none = QStringLiteral("-");
    if (QLatin1String(request.target) == protocol::kSessionTarget) return signIn_.handle(request, send);
    if (request.target != "/call") {
        return send(
            FaultReply(none, ServerFault::Of(FaultCode::NotFound, QString::fromUtf8(request.target))));
    }
    if (request.method != "POST") {
        return send(FaultReply(
            none, ServerFault::Of(FaultCode::MethodNotAllowed, QString::fromUtf8(request.method))));
    }
    const QByteArray bearer =
        request.authorization.startsWith("Bearer ") ? request.authorization.mid(7) : QByteArray();
    // A session is checked by the worker that runs the call, and the shared token is not asked for beside it.
    const Caller caller{accounts::IsSessionToken(bearer) ? accounts::SessionDigest(bearer) : QByteArray(),
                        request.address};
    const bool shared = caller.session.isEmpty();
    if (shared && !authorized(request) && access_.accountsRequired())
        return send(FaultReply(none, ServerFault::Of(FaultCode::SessionRequired)));
    if (shared && guard_.blocked(request.address, request.authorization))
        return send(FaultReply(none, ServerFault::Of(FaultCode::TooManyAttempts)));
    if (shared && !authorized(request)) {
        guard_.refused(request.address, request.authorization);
        return send(FaultReply(none, ServerFault::Of(FaultCode::Unauthorized)));
    }
    std::variant<CheckedCall, CallReply> checked = RemoteDispatcher::check(request.body);
    if (const auto* fault = std::get_if<CallReply>(&checked)) return send(*fault);
    CheckedCall& call = std::get<CheckedCall>(checked);
    call.work = [&access = access_, caller](TrdmEmissaoRPS& module, const CheckedCall& c) {
        return access.run(module, c, caller);
    };
    workers_.submit(std::move(call), send);
}

void Endpoint::rejected(const QString& peer, const ServerFault& fault) {
    log_.write(
        peer, QStringLiteral("-"), 0,
        QStringLiteral("error %1: %2 (HTTP %3)").arg(fault.code(), fault.message()).arg(fault.httpStatus()));
}

}  // namespace kpv::server
