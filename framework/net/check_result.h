#pragma once

#include "framework/framework_export.h"

#include <QVariant>

namespace kpv {

// What CheckResultServ's third argument asks of the payload.
enum TResultKind : int {
    rkAny = 0,  // a data packet or a status array
    rkDataPacket = 1,
    rkStatusArray = 2,
};

// Checks the result of an application-server call and returns its payload: a QVariant holding a
// kpv::protocol::DataPacket, or the status array {"S"|"N", text} as a QVariantList. A failed call (the
// transport's or the server's Fault), or a payload of another kind than `kind` asks for, raises
// kpv::Error with its Portuguese text when `show` is true and gives an invalid QVariant when false.
KPV_FRAMEWORK_EXPORT QVariant CheckResultServ(const QVariant& result, bool show, int kind);

}  // namespace kpv
