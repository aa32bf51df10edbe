#pragma once

#include <QByteArray>
#include <QString>

#include <libxml/tree.h>

#include <memory>

// The few libxml2 tree operations the layouts need, with the library's own escaping and ownership.
namespace kpv::nfse::xml {

struct FreeDocument {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<xmlDoc, FreeDocument>;

// A new document whose root `rootName` is in `ns`, the default namespace.
Document NewDocument(const char* rootName, const char* ns);
// Parses `bytes` without touching the network, loading a DTD or expanding entities. Throws NfseError
// that names `what` ("A NFS-e") and the parser's complaint.
Document Parse(const QByteArray& bytes, const QString& what);
// UTF-8 with its XML declaration, no indentation added.
QByteArray Serialize(xmlDoc* document);

// A child element in the parent's namespace.
xmlNode* AddElement(xmlNode* parent, const char* name);
// A child element holding `text`, escaped by libxml2. Throws NfseError when the text holds a character
// that XML 1.0 cannot carry (a control character), naming the element.
xmlNode* AddText(xmlNode* parent, const char* name, const QString& text);
// Skipped when `text` is empty: the layout's optional values.
void AddOptionalText(xmlNode* parent, const char* name, const QString& text);

QString Text(const xmlNode* node);
QString Attribute(const xmlNode* node, const char* name);
// "DPS/infDPS/serv/cServ": the element's local names from the root, for messages.
QString Path(const xmlNode* node);
bool Named(const xmlNode* node, const char* name);
// The first child element named `name`, or null.
const xmlNode* Child(const xmlNode* parent, const char* name);

// Reads an element's child elements in document order, as a schema-valid document lays them out: each
// call takes the next child when it has the asked name.
class Children {
  public:
    explicit Children(const xmlNode* parent);

    const xmlNode* take(const char* name);
    // The next child, which must be `name`; throws NfseError naming the child found in its place.
    const xmlNode* required(const char* name);
    // The next child's text, or an empty text when the next child is not `name`.
    QString text(const char* name);
    bool next(const char* name) const { return Named(next_, name); }
    // Throws NfseError naming the first child not taken: a value this system does not keep would be lost.
    void finish() const;

  private:
    const xmlNode* next_;
};

}  // namespace kpv::nfse::xml
