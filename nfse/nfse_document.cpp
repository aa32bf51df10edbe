#include "nfse/nfse_document.h"

#include "nfse/dps_xml.h"
#include "nfse/schemas.h"
#include "nfse/xml_tree.h"

namespace kpv::nfse {

ReceivedNfse ReadNfse(const QByteArray& document) {
    const xml::Document parsed = xml::Parse(document, QStringLiteral("A NFS-e"));
    Validate(parsed.get(), Layout::Nfse);
    // Schema-valid, so each of these is there once. The rest of infNFSe is what the city says of the note.
    const xmlNode* infNfse = xml::Child(xmlDocGetRootElement(parsed.get()), "infNFSe");
    const xmlNode* infDps = xml::Child(xml::Child(infNfse, "DPS"), "infDPS");
    ReceivedNfse received;
    received.nNFSe = xml::Text(xml::Child(infNfse, "nNFSe"));
    received.dpsId = xml::Attribute(infDps, "Id");
    received.dps = ReadInfDps(infDps);
    return received;
}

}  // namespace kpv::nfse
