#include "nfse/dps_xml.h"

#include "nfse/layout_time.h"
#include "nfse/nfse_error.h"
#include "nfse/xml_tree.h"

namespace kpv::nfse {

namespace {

using xml::AddElement;
using xml::AddOptionalText;
using xml::AddText;
using xml::Children;

// tpEmit: this system declares its own services, as the provider.
const QString kIssuedByProvider = QStringLiteral("1");

template <typename Code>
QString CodeText(Code code) {
    return QString::number(int(code));
}

template <typename Code>
Code CodeOf(const QString& text) {
    return Code(text.toInt());
}

// ---- writing

void WriteRegistration(xmlNode* parent, const PersonRegistration& registration) {
    if (const auto* cnpj = std::get_if<Cnpj>(&registration)) {
        AddText(parent, "CNPJ", cnpj->digits);
    } else if (const auto* cpf = std::get_if<Cpf>(&registration)) {
        AddText(parent, "CPF", cpf->digits);
    } else if (const auto* nif = std::get_if<Nif>(&registration)) {
        AddText(parent, "NIF", nif->number);
    } else {
        AddText(parent, "cNaoNIF", CodeText(std::get<NoNif>(registration).cNaoNIF));
    }
}

void WriteProvider(xmlNode* infDps, const Provider& prest) {
    if (prest.regApTribSN && prest.opSimpNac != SimplesNacional::MeEpp)
        throw NfseError(
            QStringLiteral("O regime de apuração do Simples Nacional (regApTribSN) só cabe ao prestador "
                           "optante como ME/EPP (opSimpNac 3), e este tem opSimpNac %1.")
                .arg(CodeText(prest.opSimpNac)));
    xmlNode* node = AddElement(infDps, "prest");
    std::visit(
        [node](const auto& registration) { WriteRegistration(node, PersonRegistration(registration)); },
        prest.registration);
    AddOptionalText(node, "IM", prest.IM);
    xmlNode* regTrib = AddElement(node, "regTrib");
    AddText(regTrib, "opSimpNac", CodeText(prest.opSimpNac));
    if (prest.regApTribSN) AddText(regTrib, "regApTribSN", CodeText(*prest.regApTribSN));
    AddText(regTrib, "regEspTrib", CodeText(prest.regEspTrib));
}

void WriteAddress(xmlNode* parent, const Address& address) {
    xmlNode* node = AddElement(parent, "end");
    if (const auto* national = std::get_if<NationalPlace>(&address.place)) {
        xmlNode* place = AddElement(node, "endNac");
        AddText(place, "cMun", national->cMun);
        AddText(place, "CEP", national->CEP);
    } else {
        const auto& foreign = std::get<ForeignPlace>(address.place);
        xmlNode* place = AddElement(node, "endExt");
        AddText(place, "cPais", foreign.cPais);
        AddText(place, "cEndPost", foreign.cEndPost);
        AddText(place, "xCidade", foreign.xCidade);
        AddText(place, "xEstProvReg", foreign.xEstProvReg);
    }
    AddText(node, "xLgr", address.xLgr);
    AddText(node, "nro", address.nro);
    AddOptionalText(node, "xCpl", address.xCpl);
    AddText(node, "xBairro", address.xBairro);
}

void WriteTaker(xmlNode* infDps, const Taker& toma) {
    xmlNode* node = AddElement(infDps, "toma");
    WriteRegistration(node, toma.registration);
    AddOptionalText(node, "IM", toma.IM);
    AddText(node, "xNome", toma.xNome);
    if (toma.end) WriteAddress(node, *toma.end);
    AddOptionalText(node, "fone", toma.fone);
    AddOptionalText(node, "email", toma.email);
}

void WriteService(xmlNode* infDps, const Service& serv) {
    xmlNode* node = AddElement(infDps, "serv");
    AddText(AddElement(node, "locPrest"), "cLocPrestacao", serv.cLocPrestacao);
    xmlNode* cServ = AddElement(node, "cServ");
    AddText(cServ, "cTribNac", serv.cTribNac);
    AddText(cServ, "xDescServ", serv.xDescServ);
}

void WriteTaxTotal(xmlNode* trib, const TaxTotal& total) {
    xmlNode* node = AddElement(trib, "totTrib");
    if (const auto* amounts = std::get_if<TaxTotalAmounts>(&total)) {
        xmlNode* v = AddElement(node, "vTotTrib");
        AddText(v, "vTotTribFed", amounts->vTotTribFed.text());
        AddText(v, "vTotTribEst", amounts->vTotTribEst.text());
        AddText(v, "vTotTribMun", amounts->vTotTribMun.text());
    } else if (const auto* rates = std::get_if<TaxTotalRates>(&total)) {
        xmlNode* p = AddElement(node, "pTotTrib");
        AddText(p, "pTotTribFed", rates->pTotTribFed.text());
        AddText(p, "pTotTribEst", rates->pTotTribEst.text());
        AddText(p, "pTotTribMun", rates->pTotTribMun.text());
    } else if (const auto* simples = std::get_if<TaxTotalSimplesNacional>(&total)) {
        AddText(node, "pTotTribSN", simples->pTotTribSN.text());
    } else {
        AddText(node, "indTotTrib", QStringLiteral("0"));
    }
}

void WriteValues(xmlNode* infDps, const Values& valores) {
    xmlNode* node = AddElement(infDps, "valores");
    AddText(AddElement(node, "vServPrest"), "vServ", valores.vServ.text());
    xmlNode* trib = AddElement(node, "trib");
    xmlNode* tribMun = AddElement(trib, "tribMun");
    AddText(tribMun, "tribISSQN", CodeText(valores.tribISSQN));
    if (valores.pAliq) AddText(tribMun, "pAliq", valores.pAliq->text());
    AddText(tribMun, "tpRetISSQN", CodeText(valores.tpRetISSQN));
    WriteTaxTotal(trib, valores.totTrib);
}

// ---- reading: the document is schema-valid, so every required element is there and in its place.

Decimal2 DecimalOf(const xmlNode* node) {
    const std::optional<Decimal2> value = Decimal2::FromText(xml::Text(node));
    if (!value) throw NfseError(QStringLiteral("O valor de %1 não é um número.").arg(xml::Path(node)));
    return *value;
}

Decimal2 TakeDecimal(Children& children, const char* name) {
    return DecimalOf(children.required(name));
}

PersonRegistration TakeRegistration(Children& children) {
    if (children.next("CNPJ")) return Cnpj{children.text("CNPJ")};
    if (children.next("CPF")) return Cpf{children.text("CPF")};
    if (children.next("NIF")) return Nif{children.text("NIF")};
    return NoNif{CodeOf<NoNifReason>(children.text("cNaoNIF"))};
}

Provider ReadProvider(const xmlNode* node) {
    Children children(node);
    Provider prest;
    if (children.next("CNPJ")) {
        prest.registration = Cnpj{children.text("CNPJ")};
    } else if (children.next("CPF")) {
        prest.registration = Cpf{children.text("CPF")};
    }
    prest.IM = children.text("IM");
    Children regTrib(children.required("regTrib"));
    children.finish();
    prest.opSimpNac = CodeOf<SimplesNacional>(regTrib.text("opSimpNac"));
    if (regTrib.next("regApTribSN"))
        prest.regApTribSN = CodeOf<SimplesNacionalRegime>(regTrib.text("regApTribSN"));
    prest.regEspTrib = CodeOf<SpecialTaxRegime>(regTrib.text("regEspTrib"));
    regTrib.finish();
    return prest;
}

Address ReadAddress(const xmlNode* node) {
    Children children(node);
    Address address;
    if (const xmlNode* national = children.take("endNac")) {
        Children place(national);
        NationalPlace nationalPlace;
        nationalPlace.cMun = place.text("cMun");
        nationalPlace.CEP = place.text("CEP");
        address.place = nationalPlace;
    } else if (const xmlNode* foreign = children.take("endExt")) {
        Children place(foreign);
        ForeignPlace foreignPlace;
        foreignPlace.cPais = place.text("cPais");
        foreignPlace.cEndPost = place.text("cEndPost");
        foreignPlace.xCidade = place.text("xCidade");
        foreignPlace.xEstProvReg = place.text("xEstProvReg");
        address.place = foreignPlace;
    } else {
        throw NfseError(QStringLiteral("O endereço %1 não diz o município nem o país.").arg(xml::Path(node)));
    }
    address.xLgr = children.text("xLgr");
    address.nro = children.text("nro");
    address.xCpl = children.text("xCpl");
    address.xBairro = children.text("xBairro");
    children.finish();
    return address;
}

Taker ReadTaker(const xmlNode* node) {
    Children children(node);
    Taker toma;
    toma.registration = TakeRegistration(children);
    toma.IM = children.text("IM");
    toma.xNome = children.text("xNome");
    if (const xmlNode* end = children.take("end")) toma.end = ReadAddress(end);
    toma.fone = children.text("fone");
    toma.email = children.text("email");
    children.finish();
    return toma;
}

Service ReadService(const xmlNode* node) {
    Children children(node);
    Service serv;
    Children locPrest(children.required("locPrest"));
    serv.cLocPrestacao = locPrest.text("cLocPrestacao");
    locPrest.finish();
    Children cServ(children.required("cServ"));
    serv.cTribNac = cServ.text("cTribNac");
    serv.xDescServ = cServ.text("xDescServ");
    cServ.finish();
    children.finish();
    return serv;
}

TaxTotal ReadTaxTotal(const xmlNode* node) {
    Children children(node);
    TaxTotal total;
    if (const xmlNode* amounts = children.take("vTotTrib")) {
        Children v(amounts);
        total = TaxTotalAmounts{TakeDecimal(v, "vTotTribFed"), TakeDecimal(v, "vTotTribEst"),
                                TakeDecimal(v, "vTotTribMun")};
    } else if (const xmlNode* rates = children.take("pTotTrib")) {
        Children p(rates);
        total = TaxTotalRates{TakeDecimal(p, "pTotTribFed"), TakeDecimal(p, "pTotTribEst"),
                              TakeDecimal(p, "pTotTribMun")};
    } else if (children.next("pTotTribSN")) {
        total = TaxTotalSimplesNacional{TakeDecimal(children, "pTotTribSN")};
    } else {
        children.take("indTotTrib");
    }
    children.finish();
    return total;
}

Values ReadValues(const xmlNode* node) {
    Children children(node);
    Values valores;
    Children vServPrest(children.required("vServPrest"));
    valores.vServ = TakeDecimal(vServPrest, "vServ");
    vServPrest.finish();
    Children trib(children.required("trib"));
    children.finish();
    Children tribMun(trib.required("tribMun"));
    valores.tribISSQN = CodeOf<IssqnTaxation>(tribMun.text("tribISSQN"));
    if (tribMun.next("pAliq")) valores.pAliq = TakeDecimal(tribMun, "pAliq");
    valores.tpRetISSQN = CodeOf<IssqnWithholding>(tribMun.text("tpRetISSQN"));
    tribMun.finish();
    valores.totTrib = ReadTaxTotal(trib.required("totTrib"));
    trib.finish();
    return valores;
}

}  // namespace

xmlNode* WriteInfDps(xmlNode* dpsElement, const Dps& dps) {
    xmlNode* infDps = AddElement(dpsElement, "infDPS");
    xmlNewProp(infDps, reinterpret_cast<const xmlChar*>("Id"),
               reinterpret_cast<const xmlChar*>(DpsId(dps).toUtf8().constData()));
    AddText(infDps, "tpAmb", CodeText(dps.tpAmb));
    AddText(infDps, "dhEmi", LayoutDateTime(dps.dhEmi));
    AddText(infDps, "verAplic", dps.verAplic);
    AddText(infDps, "serie", dps.serie);
    AddText(infDps, "nDPS", QString::number(dps.nDPS));
    AddText(infDps, "dCompet", LayoutDate(dps.dCompet));
    AddText(infDps, "tpEmit", kIssuedByProvider);
    AddText(infDps, "cLocEmi", dps.cLocEmi);
    WriteProvider(infDps, dps.prest);
    if (dps.toma) WriteTaker(infDps, *dps.toma);
    WriteService(infDps, dps.serv);
    WriteValues(infDps, dps.valores);
    return infDps;
}

Dps ReadInfDps(const xmlNode* infDps) {
    Children children(infDps);
    Dps dps;
    dps.tpAmb = CodeOf<Environment>(children.text("tpAmb"));
    dps.dhEmi = ParseLayoutDateTime(children.text("dhEmi"));
    dps.verAplic = children.text("verAplic");
    dps.serie = children.text("serie");
    dps.nDPS = children.text("nDPS").toLongLong();
    dps.dCompet = ParseLayoutDate(children.text("dCompet"));
    if (const xmlNode* tpEmit = children.required("tpEmit"); xml::Text(tpEmit) != kIssuedByProvider)
        throw NfseError(
            QStringLiteral("A DPS não foi emitida pelo prestador (tpEmit %1).").arg(xml::Text(tpEmit)));
    dps.cLocEmi = children.text("cLocEmi");
    dps.prest = ReadProvider(children.required("prest"));
    if (const xmlNode* toma = children.take("toma")) dps.toma = ReadTaker(toma);
    dps.serv = ReadService(children.required("serv"));
    dps.valores = ReadValues(children.required("valores"));
    children.finish();

    const QString id = xml::Attribute(infDps, "Id");
    if (id != DpsId(dps))
        throw NfseError(
            QStringLiteral("O Id %1 da DPS não é o que os seus valores formam (%2).").arg(id, DpsId(dps)));
    return dps;
}

}  // namespace kpv::nfse
