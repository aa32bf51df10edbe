#pragma once

#include "protocol/protocol_export.h"

#include <QLatin1String>
#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

// The one-character codes the methods' arguments and answers carry (docs/protocol.md).
namespace kpv::protocol {

// "All": the operation-type and client arguments of GetNotaFiscal, the second argument of GetTipoOper,
// and the "all" parameter of the screens' lookup queries.
inline constexpr QLatin1String kAll{"T"};

// Direction of an invoice: Saída (outgoing) or Entrada (incoming).
inline constexpr QLatin1String kSaida{"S"};
inline constexpr QLatin1String kEntrada{"E"};
inline bool IsDirection(const QString& code) {
    return code == kSaida || code == kEntrada;
}

// Yes and no: element 0 of a status array, the tick marks of a packet's rows (IDCHECK, IDMARCADO), the
// "one"/"all" switch of GetInscrMunicip, and the application's yes/no columns.
inline constexpr QLatin1String kSim{"S"};
inline constexpr QLatin1String kNao{"N"};

// IDEMISSAORPS, the RPS of an invoice: not emitted, emitted, substituted by an NFS-e.
inline constexpr QLatin1String kNaoEmitido{"1"};
inline constexpr QLatin1String kEmitido{"2"};
inline constexpr QLatin1String kSubstituido{"3"};

// IDTRANSMISRPS, the invoice as an NFS-e: not transmitted; transmitted; transmitted with the city's return
// still pending; transmitted and accepted.
inline constexpr QLatin1String kNaoTransmitido{"1"};
inline constexpr QLatin1String kTransmitido{"2"};
inline constexpr QLatin1String kRetornoPendente{"3"};
inline constexpr QLatin1String kTransmitidoAceito{"4"};

// A code as the UTF-8 text of a column or of a packet's value.
constexpr std::string_view Utf8Of(QLatin1String code) {
    return {code.data(), static_cast<std::size_t>(code.size())};
}

// The RPS situations of GetNotaFiscal's last argument, concatenated: "_1" not emitted, "_2" emitted,
// "_3" substituted by an NFS-e (the IDEMISSAORPS codes after a mark).
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
