#pragma once

#include "protocol/protocol_export.h"

#include <QLatin1String>
#include <QString>

#include <span>

// The faults the server answers in place of a payload (docs/protocol.md, section 4): each code once, with
// its HTTP status and the words it is said in. The server raises them by these names and the client knows
// them by these names.
namespace kpv::protocol {

// The HTTP status of every answer that is no fault: the answer carries its payload.
inline constexpr int kPayloadStatus = 200;

enum class FaultCode {
    BadRequest,
    HttpsRequired,
    TlsNotServed,
    Unauthorized,
    SessionRequired,
    SessionExpired,
    WrongPassword,
    AccountInactive,
    NotFound,
    UnknownServer,
    UnknownMethod,
    MethodNotAllowed,
    RequestTimeout,
    PayloadTooLarge,
    ArgumentCount,
    ArgumentType,
    InvalidArgument,
    HeaderTooLarge,
    TooManyAttempts,
    DatabaseError,
    InternalError,
    NotImplemented,
    DatabaseBusy,
    DatabaseTimeout,
    DatabaseUnavailable,
    CommitUnknown,
    TooManyConnections,
};

struct FaultDefinition {
    FaultCode fault;
    QLatin1String code;  // as the wire spells it
    int httpStatus;
    // The user's words (UTF-8), %1, %2... standing for what the situation fills in. Null where the words
    // are the situation's own: a method's reason, the database's, or one of the several a code is said in.
    const char* text;
};

// In the order of FaultCode.
KPV_PROTOCOL_EXPORT std::span<const FaultDefinition> FaultDefinitions();
KPV_PROTOCOL_EXPORT const FaultDefinition& DefinitionOf(FaultCode fault);
// The definition's words; empty where it has none.
KPV_PROTOCOL_EXPORT QString FaultText(FaultCode fault);

}  // namespace kpv::protocol
