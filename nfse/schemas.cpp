#include "nfse/schemas.h"

#include "nfse/dps_xml.h"
#include "nfse/nfse_error.h"
#include "nfse/xml_libraries.h"
#include "nfse/xml_tree.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <libxml/xmlschemas.h>

#include <memory>

namespace kpv::nfse {

namespace {

const char* FileName(Layout layout) {
    return layout == Layout::Dps ? "DPS_v1.00.xsd" : "NFSe_v1.00.xsd";
}

QString DocumentName(Layout layout) {
    return layout == Layout::Dps ? QStringLiteral("A DPS") : QStringLiteral("A NFS-e");
}

// libxml2 opens each complaint with the element (and attribute) it is about, the namespace in braces; the
// path from the root says more, so it takes that place.
void CollectComplaint(void* complaints, xmlErrorPtr error) {
    static const QRegularExpression opening(QStringLiteral("^Element '[^']*'(?:, attribute '([^']*)')?: "));
    QString complaint = QString::fromUtf8(error->message).trimmed();
    complaint.remove(u'{' + QString::fromLatin1(kLayoutNamespace) + u'}');
    const auto* node = static_cast<const xmlNode*>(error->node);
    if (node != nullptr && node->type == XML_ELEMENT_NODE) {
        const QRegularExpressionMatch match = opening.match(complaint);
        QString where = xml::Path(node);
        if (match.hasMatch()) {
            if (match.hasCaptured(1)) where += QStringLiteral(", atributo ") + match.captured(1);
            complaint = complaint.mid(match.capturedLength());
        }
        complaint = QStringLiteral("no elemento %1: %2").arg(where, complaint);
    }
    static_cast<QStringList*>(complaints)->append(complaint);
}

class Schema {
  public:
    explicit Schema(Layout layout) {
        if (QCoreApplication::instance() == nullptr)
            throw NfseError(
                QStringLiteral("Os esquemas da NFS-e são procurados ao lado do programa, que ainda "
                               "não tem o seu QCoreApplication."));
        const QString path = QCoreApplication::applicationDirPath() +
                             QStringLiteral("/schemas/nfse-nacional-1.00/") +
                             QString::fromLatin1(FileName(layout));
        if (!QFileInfo::exists(path))
            throw NfseError(QStringLiteral("O esquema da NFS-e %1 não foi encontrado.").arg(path));
        std::unique_ptr<xmlSchemaParserCtxt, decltype(&xmlSchemaFreeParserCtxt)> parser(
            xmlSchemaNewParserCtxt(path.toUtf8().constData()), &xmlSchemaFreeParserCtxt);
        QStringList complaints;
        xmlSchemaSetParserStructuredErrors(parser.get(), CollectComplaint, &complaints);
        schema_ = xmlSchemaParse(parser.get());
        if (schema_ == nullptr)
            throw NfseError(QStringLiteral("O esquema da NFS-e %1 não pôde ser lido: %2")
                                .arg(path, complaints.join(u"; ")));
    }
    ~Schema() { xmlSchemaFree(schema_); }
    Schema(const Schema&) = delete;
    Schema& operator=(const Schema&) = delete;

    xmlSchema* get() const { return schema_; }

  private:
    xmlSchema* schema_ = nullptr;
};

const Schema& SchemaOf(Layout layout) {
    if (layout == Layout::Dps) {
        static const Schema dps(Layout::Dps);
        return dps;
    }
    static const Schema nfse(Layout::Nfse);
    return nfse;
}

}  // namespace

void Validate(xmlDoc* document, Layout layout) {
    EnsureXmlLibraries();
    const Schema& schema = SchemaOf(layout);
    std::unique_ptr<xmlSchemaValidCtxt, decltype(&xmlSchemaFreeValidCtxt)> validation(
        xmlSchemaNewValidCtxt(schema.get()), &xmlSchemaFreeValidCtxt);
    QStringList complaints;
    xmlSchemaSetValidStructuredErrors(validation.get(), CollectComplaint, &complaints);
    const int result = xmlSchemaValidateDoc(validation.get(), document);
    if (result == 0) return;
    if (complaints.isEmpty()) complaints << QStringLiteral("o validador parou com o código %1").arg(result);
    throw NfseError(
        QStringLiteral("%1 não segue o esquema %2: %3")
            .arg(DocumentName(layout), QString::fromLatin1(FileName(layout)), complaints.join(u"; ")));
}

}  // namespace kpv::nfse
