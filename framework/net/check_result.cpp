#include "framework/net/check_result.h"

#include "framework/core/errors.h"
#include "protocol/data_packet.h"
#include "protocol/fault.h"

#include <algorithm>

namespace kpv {

namespace {

bool isStatusArray(const QVariant& v) {
    if (v.metaType() != QMetaType::fromType<QVariantList>()) return false;
    const QVariantList list = v.toList();
    if (list.size() < 2) return false;
    return std::all_of(list.begin(), list.end(),
                       [](const QVariant& e) { return e.metaType() == QMetaType::fromType<QString>(); });
}

QVariant refuse(bool show, const QString& message) {
    if (show) throw Error(message);
    return {};
}

}  // namespace

QVariant CheckResultServ(const QVariant& result, bool show, int kind) {
    if (result.metaType() == QMetaType::fromType<protocol::Fault>())
        return refuse(show, result.value<protocol::Fault>().message);
    const bool packet = result.metaType() == QMetaType::fromType<protocol::DataPacket>();
    const bool status = isStatusArray(result);
    const bool wanted = (packet && kind != rkStatusArray) || (status && kind != rkDataPacket);
    if (!wanted) {
        return refuse(show, packet || status
                                ? QStringLiteral("O servidor de aplicação devolveu um resultado de tipo "
                                                 "inesperado para esta chamada.")
                                : QStringLiteral("Resposta inesperada do servidor de aplicação."));
    }
    return result;
}

}  // namespace kpv
