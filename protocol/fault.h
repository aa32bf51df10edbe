#pragma once

#include <QMetaType>
#include <QString>

namespace kpv::protocol {

// A call that did not produce a payload: the transport failed, the answer was not understood, or the
// server reported an error that is not a refusal. `message` is the Portuguese text the user reads.
struct Fault {
    QString code;  // see docs/protocol.md ("transport", "timeout", "bad_reply", "unknown_method", ...)
    QString message;
};

}  // namespace kpv::protocol

Q_DECLARE_METATYPE(kpv::protocol::Fault)
