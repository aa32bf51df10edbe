#include "nfse/dps.h"

#include "nfse/layout_time.h"
#include "nfse/nfse_error.h"

#include <tuple>

namespace kpv::nfse {

namespace {

constexpr qint64 kLargestDpsNumber = 999'999'999'999'999;  // 15 digits

bool Digits(const QString& text, qsizetype least, qsizetype most) {
    if (text.size() < least || text.size() > most) return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    return true;
}

QString ProviderKindAndRegistration(const std::variant<Cnpj, Cpf>& registration) {
    if (const Cnpj* cnpj = std::get_if<Cnpj>(&registration)) {
        if (!Digits(cnpj->digits, 14, 14))
            throw NfseError(
                QStringLiteral("O CNPJ do prestador \"%1\" não serve para a DPS: deve ter 14 algarismos.")
                    .arg(cnpj->digits));
        return u'2' + cnpj->digits;
    }
    const QString& cpf = std::get<Cpf>(registration).digits;
    if (!Digits(cpf, 11, 11))
        throw NfseError(
            QStringLiteral("O CPF do prestador \"%1\" não serve para a DPS: deve ter 11 algarismos.")
                .arg(cpf));
    return u'1' + cpf.rightJustified(14, u'0');
}

}  // namespace

bool operator==(const Dps& a, const Dps& b) {
    const auto values = [](const Dps& d) {
        return std::tie(d.tpAmb, d.verAplic, d.serie, d.nDPS, d.dCompet, d.cLocEmi, d.prest, d.toma, d.serv,
                        d.valores);
    };
    return LayoutDateTime(a.dhEmi) == LayoutDateTime(b.dhEmi) && values(a) == values(b);
}

QString DpsId(const Dps& dps) {
    if (!Digits(dps.cLocEmi, 7, 7))
        throw NfseError(
            QStringLiteral("O código IBGE do município emissor \"%1\" não serve para a DPS: deve ter "
                           "7 algarismos.")
                .arg(dps.cLocEmi));
    if (!Digits(dps.serie, 1, 5))
        throw NfseError(QStringLiteral("A série \"%1\" não serve para a DPS: deve ter de 1 a 5 algarismos.")
                            .arg(dps.serie));
    if (dps.nDPS < 1 || dps.nDPS > kLargestDpsNumber)
        throw NfseError(QStringLiteral("O número %1 não serve para a DPS: deve ir de 1 a %2.")
                            .arg(dps.nDPS)
                            .arg(kLargestDpsNumber));
    return QStringLiteral("DPS") + dps.cLocEmi + ProviderKindAndRegistration(dps.prest.registration) +
           dps.serie.rightJustified(5, u'0') + QString::number(dps.nDPS).rightJustified(15, u'0');
}

}  // namespace kpv::nfse
