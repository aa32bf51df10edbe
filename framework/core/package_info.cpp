#include "framework/core/package_info.h"

#include "protocol/data_packet.h"

#include <QMetaType>

namespace kpv {

void FrameworkUnitInitialization() {
    qRegisterMetaType<protocol::DataPacket>();
}

void FrameworkUnitFinalization() {}

}  // namespace kpv
