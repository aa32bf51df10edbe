#pragma once

#include "appserver/invoice_state.h"
#include "protocol/fault_codes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <optional>
#include <variant>

namespace kpv::protocol {
struct MethodLayout;
}

namespace kpv::server {

class ServerFault;
class TrdmEmissaoRPS;

// The outcome of a call that succeeded, as its log line and its row of the audit trail say it.
inline const QString kSucceeded = QStringLiteral("ok");

// The answer to one call, ready for the wire and for the call's log line.
struct CallReply {
    int httpStatus = protocol::kPayloadStatus;
    QByteArray body;
    QString method;         // "-" when the request never named one
    QString outcome;        // "ok", "ok 120 rows", "refused: ...", "error <code>: ..."
    bool success = false;   // a payload, or the status "S": what a write answers only once it is committed
    bool recorded = false;  // a refusal that wrote its row of the audit trail, which a commit must keep
    int retryAfterSeconds = 0;  // a refusal that may be tried again after this (429)
    QStringList values{};       // what a status array carries after its text (PreparaImpressao: the RPS)
};

struct CheckedCall;
// What runs in a call's place, on the module of a worker or of the writer (its connection and deadline).
using CallWork = std::function<CallReply(TrdmEmissaoRPS& module, const CheckedCall& call)>;

// A call whose method and arguments were checked: what a worker runs.
struct CheckedCall {
    const protocol::MethodLayout* layout = nullptr;
    QVariantList args;  // texts, and QDate for the date arguments
    bool writes = false;
    // The server's own work in the method's place, or around it: the checks of the caller's account, a
    // sign-in, a session's last use. Empty: the method alone.
    CallWork work;
    QString name;  // the log's name of work that is no method

    QString method() const;
};

// Publishes "Kpv41000.rdmEmissaoRPS": decodes a call and checks the method and its arguments, then
// runs it on the module and encodes the payload.
class RemoteDispatcher {
  public:
    // A call ready to run, or the fault reply of one that cannot. Nothing it is sent makes it throw.
    static std::variant<CheckedCall, CallReply> check(const QByteArray& body) noexcept;
    // Throws what the module throws: db::DatabaseError and its kinds, ServerFault for an argument the
    // method cannot read.
    // Runs the call's work, or else its method.
    static CallReply run(TrdmEmissaoRPS& module, const CheckedCall& call);
    // The method alone.
    static CallReply method(TrdmEmissaoRPS& module, const CheckedCall& call);
    // The invoice a call gives an RPS number to, taking its series' counter: a lock another server's writes
    // may want too. None for a call that takes no counter.
    static std::optional<InvoicesReadAhead::Invoice> issuedInvoice(const CheckedCall& call);
};

CallReply FaultReply(const QString& method, const ServerFault& fault);

}  // namespace kpv::server
