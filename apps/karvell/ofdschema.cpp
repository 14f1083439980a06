#include "ofdschema.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include "output/ofdzip.h"
#include "platform/error.h"

namespace karvell::cli {
namespace {

constexpr const char* kSchemaFiles[] = {"Definitions.xsd", "OFD.xsd", "Document.xsd", "Res.xsd",
                                        "Page.xsd"};

// Collects the first error of a validation instead of printing it.
void Collect(void* context, xmlErrorPtr error) {
    auto* first = static_cast<QString*>(context);
    if (first->isEmpty() && error && error->message)
        *first = QStringLiteral("第 %1 行：%2")
                     .arg(error->line)
                     .arg(QString::fromUtf8(error->message).trimmed());
}

void Quiet(void*, const char*, ...) {}

} // namespace

struct OfdSchemas::Loaded {
    QTemporaryDir dir;
    xmlSchemaPtr ofd = nullptr, document = nullptr, res = nullptr, page = nullptr;
    ~Loaded() {
        for (xmlSchemaPtr s : {ofd, document, res, page})
            if (s) xmlSchemaFree(s);
    }
    xmlSchemaPtr Load(const char* name) {
        const QByteArray path = QFile::encodeName(QDir(dir.path()).filePath(QLatin1String(name)));
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(path.constData());
        if (!parser) return nullptr;
        xmlSchemaPtr schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
        return schema;
    }
};

OfdSchemas::OfdSchemas() : m(std::make_unique<Loaded>()) {
    xmlSetGenericErrorFunc(nullptr, Quiet);
    // The schemas include one another by file name: they are read from one folder.
    bool ok = m->dir.isValid();
    for (const char* name : kSchemaFiles) {
        QFile resource(QStringLiteral(":/ofd-xsd/") + QLatin1String(name));
        ok = ok && resource.open(QIODevice::ReadOnly);
        QFile copy(QDir(m->dir.path()).filePath(QLatin1String(name)));
        ok = ok && copy.open(QIODevice::WriteOnly) && copy.write(resource.readAll()) >= 0;
    }
    if (ok) {
        m->ofd = m->Load("OFD.xsd");
        m->document = m->Load("Document.xsd");
        m->res = m->Load("Res.xsd");
        m->page = m->Load("Page.xsd");
    }
    if (!m->ofd || !m->document || !m->res || !m->page)
        throw KarvellError(QStringLiteral("无法载入 OFD 的 XML 架构"));
}

OfdSchemas::~OfdSchemas() = default;

QStringList OfdSchemas::Check(const QByteArray& ofd) const {
    const auto parts = UnzipParts(ofd);
    if (!parts) return {};
    QStringList faults;
    for (const auto& [name, bytes] : *parts) {
        if (!name.endsWith(QLatin1String(".xml"))) continue;
        xmlSchemaPtr schema = name == QLatin1String("OFD.xml")                ? m->ofd
                              : name.endsWith(QLatin1String("/Document.xml")) ? m->document
                              : name.endsWith(QLatin1String("Res.xml"))       ? m->res
                              : name.endsWith(QLatin1String("/Content.xml"))  ? m->page
                                                                              : nullptr;
        if (!schema) {
            faults << QStringLiteral("%1：不是 OFD 的组成部分").arg(name);
            continue;
        }
        // No network, no external entities: the part is read as it stands.
        xmlDocPtr doc = xmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, nullptr,
                                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (!doc) {
            faults << QStringLiteral("%1：不是格式正确的 XML").arg(name);
            continue;
        }
        QString first;
        xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
        xmlSchemaSetValidStructuredErrors(validator, Collect, &first);
        const int result = xmlSchemaValidateDoc(validator, doc);
        xmlSchemaFreeValidCtxt(validator);
        xmlFreeDoc(doc);
        if (result != 0) faults << QStringLiteral("%1：不符合 OFD 架构（%2）").arg(name, first);
    }
    return faults;
}

} // namespace karvell::cli
