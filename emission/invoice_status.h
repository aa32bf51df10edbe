#pragma once

#include <QString>

namespace Cli_kpv41000 {

// What the status codes of an invoice row mean for ticking and painting; each code is judged by its
// first character, and an empty code matches nothing.
struct InvoiceStatus {
    QString idEmissaoRPS;   // "1" not emitted, "2" emitted, "3" substituted
    QString idTransmisRPS;  // "1" not transmitted, "2", "3", "4" transmitted

    // Only an invoice whose RPS is not emitted and that is not transmitted can be ticked.
    bool eligible() const { return first(idEmissaoRPS) == u'1' && first(idTransmisRPS) == u'1'; }
    bool transmitted() const {
        const QChar t = first(idTransmisRPS);
        return t == u'2' || t == u'3' || t == u'4';
    }
    // The tick box is drawn grey: emitted, substituted or transmitted.
    bool greyed() const {
        const QChar e = first(idEmissaoRPS);
        return e == u'2' || e == u'3' || transmitted();
    }
    // The cancel-emission command is offered on this row.
    bool cancellable() const {
        const QChar t = first(idTransmisRPS);
        return t == u'1' || t == u'3';
    }

  private:
    static QChar first(const QString& code) { return code.isEmpty() ? QChar() : code.front(); }
};

}  // namespace Cli_kpv41000
