#include "framework/core/package_info.h"

#include "framework/net/data_packet.h"

#include <QMetaType>

namespace kpv {

void FrameworkUnitInitialization() {
    qRegisterMetaType<net::DataPacket>();
}

void FrameworkUnitFinalization() {}

}  // namespace kpv
