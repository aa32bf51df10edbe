#pragma once

#include "nfse/decimal2.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <variant>

// The values of a DPS (Declaração de Prestação de Serviço, national NFS-e layout 1.00), named after the
// layout's elements. Optional texts left empty are not written; every other value is, so that a missing
// one is refused by the schema under its own name.
namespace kpv::nfse {

// tpAmb.
enum class Environment { Production = 1, RestrictedProduction = 2 };

// prest/regTrib/opSimpNac: the provider's standing in the Simples Nacional.
enum class SimplesNacional { NotOptant = 1, Mei = 2, MeEpp = 3 };
// prest/regTrib/regApTribSN, for an ME/EPP only: where its federal and municipal taxes are assessed.
enum class SimplesNacionalRegime { FederalAndMunicipalInSn = 1, MunicipalOutsideSn = 2, AllOutsideSn = 3 };
// prest/regTrib/regEspTrib.
enum class SpecialTaxRegime {
    None = 0,
    Cooperative = 1,
    Estimate = 2,
    MunicipalMicroenterprise = 3,
    NotaryOrRegistrar = 4,
    SelfEmployedProfessional = 5,
    ProfessionalSociety = 6,
};
// valores/trib/tribMun/tribISSQN.
enum class IssqnTaxation { Taxable = 1, ServiceExport = 2, NotLevied = 3, Immune = 4 };
// valores/trib/tribMun/tpRetISSQN.
enum class IssqnWithholding { NotWithheld = 1, ByTaker = 2, ByIntermediary = 3 };
// cNaoNIF: why a foreign person has no NIF.
enum class NoNifReason { NotInformed = 0, Exempt = 1, NotRequired = 2 };

// The registrations that name a person: CNPJ and CPF are digits only (14 and 11).
struct Cnpj {
    QString digits;
    bool operator==(const Cnpj&) const = default;
};
struct Cpf {
    QString digits;
    bool operator==(const Cpf&) const = default;
};
// A foreign person's tax number, or the reason there is none.
struct Nif {
    QString number;
    bool operator==(const Nif&) const = default;
};
struct NoNif {
    NoNifReason cNaoNIF = NoNifReason::NotRequired;
    bool operator==(const NoNif&) const = default;
};
// A taker: CNPJ for a legal person ("J"), CPF for a natural one ("F"), NIF or cNaoNIF for a foreign one
// ("E").
using PersonRegistration = std::variant<Cnpj, Cpf, Nif, NoNif>;

// end/endNac: a Brazilian place, by its IBGE municipality code (7 digits) and CEP (8 digits).
struct NationalPlace {
    QString cMun;
    QString CEP;
    bool operator==(const NationalPlace&) const = default;
};
// end/endExt: a place abroad, by its ISO country code ("US").
struct ForeignPlace {
    QString cPais;
    QString cEndPost;
    QString xCidade;
    QString xEstProvReg;
    bool operator==(const ForeignPlace&) const = default;
};
struct Address {
    std::variant<NationalPlace, ForeignPlace> place;
    QString xLgr;
    QString nro;
    QString xCpl;  // optional
    QString xBairro;
    bool operator==(const Address&) const = default;
};

// prest: the provider, who issues the DPS. Its name and address are not sent: the national register
// holds them.
struct Provider {
    std::variant<Cnpj, Cpf> registration;
    QString IM;  // optional
    SimplesNacional opSimpNac = SimplesNacional::NotOptant;
    std::optional<SimplesNacionalRegime> regApTribSN;  // only for SimplesNacional::MeEpp
    SpecialTaxRegime regEspTrib = SpecialTaxRegime::None;
    bool operator==(const Provider&) const = default;
};

// toma: the taker of the service.
struct Taker {
    PersonRegistration registration;
    QString IM;  // optional
    QString xNome;
    std::optional<Address> end;
    QString fone;   // optional; digits only
    QString email;  // optional
    bool operator==(const Taker&) const = default;
};

// serv: where the service was rendered (IBGE code), its national tax code (6 digits) and its description.
struct Service {
    QString cLocPrestacao;
    QString cTribNac;
    QString xDescServ;
    bool operator==(const Service&) const = default;
};

// valores/trib/totTrib: the approximate taxes of the service, in one of the layout's four forms.
struct TaxTotalNotInformed {  // indTotTrib = 0
    bool operator==(const TaxTotalNotInformed&) const = default;
};
struct TaxTotalAmounts {  // vTotTrib, R$
    Decimal2 vTotTribFed;
    Decimal2 vTotTribEst;
    Decimal2 vTotTribMun;
    bool operator==(const TaxTotalAmounts&) const = default;
};
struct TaxTotalRates {  // pTotTrib, %
    Decimal2 pTotTribFed;
    Decimal2 pTotTribEst;
    Decimal2 pTotTribMun;
    bool operator==(const TaxTotalRates&) const = default;
};
struct TaxTotalSimplesNacional {  // pTotTribSN, %
    Decimal2 pTotTribSN;
    bool operator==(const TaxTotalSimplesNacional&) const = default;
};
using TaxTotal = std::variant<TaxTotalNotInformed, TaxTotalAmounts, TaxTotalRates, TaxTotalSimplesNacional>;

// valores: the price of the service (vServPrest/vServ) and its municipal tax (trib/tribMun).
struct Values {
    Decimal2 vServ;
    IssqnTaxation tribISSQN = IssqnTaxation::Taxable;
    std::optional<Decimal2> pAliq;  // %, when the municipality of incidence does not set it itself
    IssqnWithholding tpRetISSQN = IssqnWithholding::NotWithheld;
    TaxTotal totTrib;
    bool operator==(const Values&) const = default;
};

struct Dps {
    Environment tpAmb = Environment::RestrictedProduction;
    QDateTime dhEmi;  // written to the second with its UTC offset, which must be whole hours
    QString verAplic;
    QString serie;  // 1 to 5 digits
    qint64 nDPS = 0;
    QDate dCompet;
    QString cLocEmi;  // IBGE code of the issuing municipality
    Provider prest;
    std::optional<Taker> toma;
    Service serv;
    Values valores;

    // Equal when they make the same document: dhEmi compares as written, to the second and with its offset.
    friend bool operator==(const Dps& a, const Dps& b);
};

// infDPS/@Id: "DPS", cLocEmi (7), 1 for a CPF or 2 for a CNPJ, the provider's registration (14), serie (5)
// and nDPS (15), left-padded with zeros. Throws NfseError naming the value that cannot make it.
QString DpsId(const Dps& dps);

}  // namespace kpv::nfse
