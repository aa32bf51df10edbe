#include "nfse/xml_tree.h"

#include "nfse/nfse_error.h"
#include "nfse/xml_libraries.h"

#include <libxml/parser.h>

namespace kpv::nfse::xml {

namespace {

const xmlChar* Name(const char* name) {
    return reinterpret_cast<const xmlChar*>(name);
}

QString FromXml(const xmlChar* text) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

// XML 1.0 carries tab, line feed and carriage return, but no other control character, nor U+FFFE/U+FFFF.
bool XmlCharacter(char16_t c) {
    return c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == u'\t' || c == u'\n' || c == u'\r';
}

const xmlNode* NextElement(const xmlNode* node) {
    while (node != nullptr && node->type != XML_ELEMENT_NODE) node = node->next;
    return node;
}

}  // namespace

Document NewDocument(const char* rootName, const char* ns) {
    EnsureXmlLibraries();
    Document document(xmlNewDoc(Name("1.0")));
    xmlNode* root = xmlNewDocNode(document.get(), nullptr, Name(rootName), nullptr);
    xmlDocSetRootElement(document.get(), root);
    xmlSetNs(root, xmlNewNs(root, Name(ns), nullptr));
    return document;
}

Document Parse(const QByteArray& bytes, const QString& what) {
    EnsureXmlLibraries();
    std::unique_ptr<xmlParserCtxt, decltype(&xmlFreeParserCtxt)> context(xmlNewParserCtxt(),
                                                                         &xmlFreeParserCtxt);
    Document document(xmlCtxtReadMemory(context.get(), bytes.constData(), int(bytes.size()), nullptr, nullptr,
                                        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!document) {
        const xmlError* error = xmlCtxtGetLastError(context.get());
        const QString reason = error != nullptr && error->message != nullptr
                                   ? QString::fromUtf8(error->message).trimmed()
                                   : QStringLiteral("documento vazio");
        throw NfseError(QStringLiteral("%1 não é um XML legível (linha %2): %3")
                            .arg(what)
                            .arg(error != nullptr ? error->line : 0)
                            .arg(reason));
    }
    // A fiscal document declares no entities; refusing a DTD keeps entity tricks out of what is read.
    if (document->intSubset != nullptr)
        throw NfseError(QStringLiteral("%1 traz uma DTD, que os documentos fiscais não usam.").arg(what));
    return document;
}

QByteArray Serialize(xmlDoc* document) {
    xmlChar* memory = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(document, &memory, &size, "UTF-8");
    QByteArray bytes(reinterpret_cast<const char*>(memory), size);
    xmlFree(memory);
    return bytes;
}

xmlNode* AddElement(xmlNode* parent, const char* name) {
    return xmlNewChild(parent, parent->ns, Name(name), nullptr);
}

xmlNode* AddText(xmlNode* parent, const char* name, const QString& text) {
    for (const QChar c : text) {
        if (!XmlCharacter(c.unicode()))
            throw NfseError(QStringLiteral("O texto de %1/%2 tem um caractere que o XML não aceita (U+%3).")
                                .arg(Path(parent), QString::fromLatin1(name),
                                     QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0')));
    }
    return xmlNewTextChild(parent, parent->ns, Name(name), Name(text.toUtf8().constData()));
}

void AddOptionalText(xmlNode* parent, const char* name, const QString& text) {
    if (!text.isEmpty()) AddText(parent, name, text);
}

QString Text(const xmlNode* node) {
    xmlChar* content = xmlNodeGetContent(node);
    QString text = FromXml(content);
    xmlFree(content);
    return text;
}

QString Attribute(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, Name(name));
    QString text = FromXml(value);
    xmlFree(value);
    return text;
}

QString Path(const xmlNode* node) {
    QString path;
    for (; node != nullptr && node->type == XML_ELEMENT_NODE; node = node->parent) {
        path = path.isEmpty() ? FromXml(node->name) : FromXml(node->name) + u'/' + path;
    }
    return path;
}

bool Named(const xmlNode* node, const char* name) {
    return node != nullptr && xmlStrEqual(node->name, Name(name));
}

const xmlNode* Child(const xmlNode* parent, const char* name) {
    const xmlNode* child = NextElement(parent->children);
    while (child != nullptr && !Named(child, name)) child = NextElement(child->next);
    return child;
}

Children::Children(const xmlNode* parent) : next_(NextElement(parent->children)) {}

const xmlNode* Children::take(const char* name) {
    if (!Named(next_, name)) return nullptr;
    const xmlNode* taken = next_;
    next_ = NextElement(next_->next);
    return taken;
}

const xmlNode* Children::required(const char* name) {
    const xmlNode* taken = take(name);
    if (taken == nullptr) {
        if (next_ != nullptr) finish();
        throw NfseError(QStringLiteral("Falta o elemento %1 no documento.").arg(QString::fromLatin1(name)));
    }
    return taken;
}

QString Children::text(const char* name) {
    const xmlNode* node = take(name);
    return node != nullptr ? Text(node) : QString();
}

void Children::finish() const {
    if (next_ != nullptr)
        throw NfseError(
            QStringLiteral("O documento traz o elemento %1, que este sistema não lê.").arg(Path(next_)));
}

}  // namespace kpv::nfse::xml
