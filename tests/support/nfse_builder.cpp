#include "nfse_builder.h"

#include "nfse/dps_xml.h"
#include "nfse/layout_time.h"
#include "nfse/xml_signature.h"
#include "nfse/xml_tree.h"

using namespace kpv::nfse;

namespace {

const xmlChar* Text(const char* text) {
    return reinterpret_cast<const xmlChar*>(text);
}

// The access key: cLocEmi, environment, kind and number of the issuer's registration, the note's number,
// year and month, a code and a check digit; only its shape matters here.
QString NfseId(const Dps& dps, const QString& nNFSe) {
    const bool cnpj = std::holds_alternative<Cnpj>(dps.prest.registration);
    const QString registration = std::visit([](const auto& r) { return r.digits; }, dps.prest.registration);
    return QStringLiteral("NFS") + dps.cLocEmi + QString::number(int(dps.tpAmb)) + (cnpj ? u'2' : u'1') +
           registration.rightJustified(14, u'0') + nNFSe.rightJustified(13, u'0') +
           dps.dhEmi.toString(QStringLiteral("yyMM")) + QStringLiteral("000000001") + u'0';
}

}  // namespace

QByteArray BuildNfse(const QByteArray& signedDps, const QString& nNFSe, const Certificate& authority) {
    const xml::Document source = xml::Parse(signedDps, QStringLiteral("A DPS"));
    const xmlNode* dpsElement = xmlDocGetRootElement(source.get());
    const Dps dps = ReadInfDps(xml::Child(dpsElement, "infDPS"));

    xml::Document document = xml::NewDocument("NFSe", kLayoutNamespace);
    xmlNode* root = xmlDocGetRootElement(document.get());
    xmlNewProp(root, Text("versao"), Text("1.00"));
    xmlNode* inf = xml::AddElement(root, "infNFSe");
    xmlNewProp(inf, Text("Id"), Text(NfseId(dps, nNFSe).toUtf8().constData()));
    xml::AddText(inf, "xLocEmi", QStringLiteral("Município de teste"));
    xml::AddText(inf, "xLocPrestacao", QStringLiteral("Município de teste"));
    xml::AddText(inf, "nNFSe", nNFSe);
    xml::AddText(inf, "xTribNac", QStringLiteral("Serviço de teste"));
    xml::AddText(inf, "verAplic", QStringLiteral("nfse-teste"));
    xml::AddText(inf, "ambGer", QStringLiteral("2"));
    xml::AddText(inf, "tpEmis", QStringLiteral("1"));
    xml::AddText(inf, "procEmi", QStringLiteral("1"));
    xml::AddText(inf, "cStat", QStringLiteral("100"));
    xml::AddText(inf, "dhProc", LayoutDateTime(dps.dhEmi.addSecs(3600)));
    xml::AddText(inf, "nDFSe", nNFSe);
    xmlNode* emit = xml::AddElement(inf, "emit");
    if (const auto* cnpj = std::get_if<Cnpj>(&dps.prest.registration)) {
        xml::AddText(emit, "CNPJ", cnpj->digits);
    } else {
        xml::AddText(emit, "CPF", std::get<Cpf>(dps.prest.registration).digits);
    }
    xml::AddOptionalText(emit, "IM", dps.prest.IM);
    xml::AddText(emit, "xNome", QStringLiteral("PRESTADOR DE TESTE"));
    xmlNode* address = xml::AddElement(emit, "enderNac");
    xml::AddText(address, "xLgr", QStringLiteral("Rua de Teste"));
    xml::AddText(address, "nro", QStringLiteral("1"));
    xml::AddText(address, "xBairro", QStringLiteral("Centro"));
    xml::AddText(address, "cMun", dps.cLocEmi);
    xml::AddText(address, "UF", QStringLiteral("SP"));
    xml::AddText(address, "CEP", QStringLiteral("01001000"));
    xml::AddText(xml::AddElement(inf, "valores"), "vLiq", dps.valores.vServ.text());
    xmlAddChild(inf, xmlDocCopyNode(const_cast<xmlNode*>(dpsElement), document.get(), 1));

    SignEnveloped(inf, authority, SignatureAlgorithm::RsaSha1);
    return xml::Serialize(document.get());
}
