#pragma once

#include <QString>

namespace kpv::protocol {

// The RPS codes of an invoice row (IDEMISSAORPS, IDTRANSMISRPS of GetNotaFiscal) and what they mean to
// the screen and to the server alike. Each code is judged by its first character; an empty code matches
// nothing.
struct InvoiceStatus {
    QString idEmissaoRPS;   // "1" not emitted, "2" emitted, "3" substituted by an NFS-e
    QString idTransmisRPS;  // "1" not transmitted, "2", "3", "4" transmitted as an NFS-e

    bool notEmitted() const { return first(idEmissaoRPS) == u'1'; }
    bool emitted() const { return first(idEmissaoRPS) == u'2'; }
    bool substituted() const { return first(idEmissaoRPS) == u'3'; }
    bool notTransmitted() const { return first(idTransmisRPS) == u'1'; }
    bool transmitted() const {
        const QChar t = first(idTransmisRPS);
        return t == u'2' || t == u'3' || t == u'4';
    }

    // Only an invoice whose RPS is not emitted and that is not transmitted can be ticked and issued.
    bool eligible() const { return notEmitted() && notTransmitted(); }
    // The tick box is drawn grey: emitted, substituted or transmitted.
    bool greyed() const { return emitted() || substituted() || transmitted(); }
    // Cancelling the emission is offered: not transmitted, or transmitted with the city's return pending.
    bool cancellable() const {
        const QChar t = first(idTransmisRPS);
        return t == u'1' || t == u'3';
    }

  private:
    static QChar first(const QString& code) { return code.isEmpty() ? QChar() : code.front(); }
};

}  // namespace kpv::protocol
