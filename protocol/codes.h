#pragma once

#include "protocol/protocol_export.h"

#include <QLatin1String>
#include <QString>
#include <QStringList>

#include <optional>

// The one-character codes the methods' arguments and answers carry (docs/protocol.md).
namespace kpv::protocol {

// "All": the operation-type and client arguments of GetNotaFiscal, the second argument of GetTipoOper.
inline constexpr QLatin1String kAll{"T"};

// Direction of an invoice: Saída (outgoing) or Entrada (incoming).
inline constexpr QLatin1String kSaida{"S"};
inline constexpr QLatin1String kEntrada{"E"};
inline bool IsDirection(const QString& code) {
    return code == kSaida || code == kEntrada;
}

// Element 0 of a status array, and the "one"/"all" switch of GetInscrMunicip.
inline constexpr QLatin1String kSim{"S"};
inline constexpr QLatin1String kNao{"N"};

// The RPS situations of GetNotaFiscal's last argument, concatenated: "_1" not emitted, "_2" emitted,
// "_3" substituted by an NFS-e.
KPV_PROTOCOL_EXPORT QString SituationList(bool naoEmitido, bool emitido, bool substituido);
// The IDEMISSAORPS codes a situation list selects ("_1_3" gives "1", "3"; any order, repeats ignored),
// or nothing when the text is not such a list. An empty list selects no code.
KPV_PROTOCOL_EXPORT std::optional<QStringList> SituationCodes(const QString& list);

// An operation type's key, as GetTipoOper's CHAVE and GetNotaFiscal's list ("S01,S05"): the direction
// letter and the two-character type code.
inline QString OperationKey(const QString& direction, const QString& type) {
    return direction + type;
}
inline constexpr QChar kOperationKeySeparator{u','};

}  // namespace kpv::protocol
