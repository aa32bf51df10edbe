#pragma once

#include "protocol/codes.h"

#include <QString>

#include <string_view>

namespace kpv::protocol {

// The RPS codes of an invoice row (IDEMISSAORPS, IDTRANSMISRPS of GetNotaFiscal) and what they mean to
// the screen and to the server alike. Each code is judged by its first character; an empty code matches
// nothing.
class InvoiceStatus {
  public:
    // IDEMISSAORPS and IDTRANSMISRPS, as codes.h names them.
    InvoiceStatus(const QString& idEmissaoRPS, const QString& idTransmisRPS)
        : emissao_(first(idEmissaoRPS)), transmis_(first(idTransmisRPS)) {}
    // The codes as a column holds them, in UTF-8: whole lists are judged without a QString per row.
    InvoiceStatus(std::string_view idEmissaoRPS, std::string_view idTransmisRPS)
        : emissao_(first(idEmissaoRPS)), transmis_(first(idTransmisRPS)) {}

    bool notEmitted() const { return emissao_ == charOf(kNaoEmitido); }
    bool emitted() const { return emissao_ == charOf(kEmitido); }
    bool substituted() const { return emissao_ == charOf(kSubstituido); }
    bool notTransmitted() const { return transmis_ == charOf(kNaoTransmitido); }
    bool transmitted() const {
        return transmis_ == charOf(kTransmitido) || returnPending() ||
               transmis_ == charOf(kTransmitidoAceito);
    }

    // Only an invoice whose RPS is not emitted and that is not transmitted can be ticked and issued.
    bool eligible() const { return notEmitted() && notTransmitted(); }
    // The tick box is drawn grey: emitted, substituted or transmitted.
    bool greyed() const { return emitted() || substituted() || transmitted(); }
    // Cancelling the emission is offered: not transmitted, or transmitted with the city's return pending.
    bool cancellable() const { return notTransmitted() || returnPending(); }

  private:
    bool returnPending() const { return transmis_ == charOf(kRetornoPendente); }

    static constexpr char16_t charOf(QLatin1String code) { return code.front().unicode(); }
    // Codes are digits; any other first character, or none, matches nothing.
    static char16_t first(const QString& code) { return code.isEmpty() ? 0 : code.front().unicode(); }
    static char16_t first(std::string_view code) {
        return code.empty() ? 0 : static_cast<char16_t>(static_cast<unsigned char>(code.front()));
    }

    char16_t emissao_;
    char16_t transmis_;
};

}  // namespace kpv::protocol
