#include "nfse/rps/issued_rps.h"

namespace kpv::nfse {

QString IssuedRps::describe() const {
    return QStringLiteral("RPS série %1 nº %2 (filial %3, lançamento %4)")
        .arg(series)
        .arg(number)
        .arg(branch, entry);
}

}  // namespace kpv::nfse
