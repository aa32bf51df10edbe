#include "sample_dps.h"

using namespace kpv::nfse;

Dps SampleDps() {
    Dps dps;
    dps.tpAmb = Environment::RestrictedProduction;
    dps.dhEmi = QDateTime(QDate(2026, 3, 10), QTime(14, 30), Qt::OffsetFromUTC, -3 * 3600);
    dps.verAplic = QStringLiteral("KPV41000 1.0");
    dps.serie = QStringLiteral("1");
    dps.nDPS = 1542;
    dps.dCompet = QDate(2026, 3, 9);
    dps.cLocEmi = QStringLiteral("3550308");
    dps.prest.registration = Cnpj{QString::fromLatin1(kSampleProviderCnpj)};
    dps.prest.IM = QStringLiteral("12345678");
    Taker toma;
    toma.registration = Cnpj{QStringLiteral("45997418000153")};
    toma.IM = QStringLiteral("0012345");
    toma.xNome = QStringLiteral("Cliente Exemplo Comércio Ltda");
    Address end;
    end.place = NationalPlace{QStringLiteral("3304557"), QStringLiteral("20040002")};
    end.xLgr = QStringLiteral("Avenida Rio Branco");
    end.nro = QStringLiteral("156");
    end.xCpl = QStringLiteral("Sala 1201");
    end.xBairro = QStringLiteral("Centro");
    toma.end = end;
    toma.fone = QStringLiteral("2133334444");
    toma.email = QStringLiteral("fiscal@cliente.com.br");
    dps.toma = toma;
    dps.serv.cLocPrestacao = QStringLiteral("3550308");
    dps.serv.cTribNac = QStringLiteral("010101");
    dps.serv.xDescServ = QStringLiteral("Desenvolvimento de sistema sob encomenda");
    dps.valores.vServ = Decimal2::FromHundredths(1500050);
    dps.valores.pAliq = Decimal2::FromHundredths(200);
    dps.valores.totTrib = TaxTotalAmounts{Decimal2::FromHundredths(201307), Decimal2::FromHundredths(0),
                                          Decimal2::FromHundredths(30001)};
    return dps;
}
