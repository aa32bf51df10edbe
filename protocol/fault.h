#pragma once

#include "protocol/fault_codes.h"

#include <QMetaType>
#include <QString>

namespace kpv::protocol {

// A call that did not produce a payload: the transport failed, the answer was not understood, or the
// server reported an error that is not a refusal. `message` is the Portuguese text the user reads.
struct Fault {
    // A FaultCode's as the wire spells it, or one of the client's own (docs/protocol.md, section 4).
    QString code;
    QString message;

    bool is(FaultCode fault) const { return code == DefinitionOf(fault).code; }
};

}  // namespace kpv::protocol

Q_DECLARE_METATYPE(kpv::protocol::Fault)
