#include "output/ofdjoin.h"

#include <QXmlStreamReader>
#include <climits>
#include <optional>
#include <vector>

#include "output/ofdzip.h"
#include "output/pagespool.h"
#include "platform/error.h"

namespace karvell {
namespace {

// The attributes that hold an object's number or refer to one, in the XML karvell writes.
bool IsIdAttribute(QByteArrayView name) {
    return name == "ID" || name == "Font" || name == "ResourceID";
}

// The page's XML with every object number and reference moved up by `offset`; nothing when a
// number is not one of the part's (1 to `maxId`). karvell escapes every quotation mark in
// texts and values, so `="` only ever opens an attribute's value.
std::optional<QByteArray> Renumbered(const QByteArray& xml, qint64 offset, qint64 maxId) {
    QByteArray out;
    out.reserve(xml.size() + xml.size() / 16);
    qsizetype from = 0;
    while (true) {
        const qsizetype open = xml.indexOf("=\"", from);
        if (open < 0) break;
        const qsizetype close = xml.indexOf('"', open + 2);
        if (close < 0) return std::nullopt;
        qsizetype name = open;
        while (name > 0 && xml[name - 1] != ' ')
            --name;
        if (!IsIdAttribute(QByteArrayView(xml).sliced(name, open - name))) {
            out.append(QByteArrayView(xml).sliced(from, close + 1 - from));
            from = close + 1;
            continue;
        }
        bool ok = false;
        const qint64 id = QByteArrayView(xml).sliced(open + 2, close - open - 2).toLongLong(&ok);
        if (!ok || id < 1 || id > maxId) return std::nullopt;
        out.append(QByteArrayView(xml).sliced(from, open + 2 - from));
        out.append(QByteArray::number(id + offset));
        out.append('"');
        from = close + 1;
    }
    out.append(QByteArrayView(xml).sliced(from));
    return out;
}

// What a part's Document.xml says.
struct PartDocument {
    qint64 maxId = 0;
    QSizeF paper;
    QString publicRes, documentRes;
    std::vector<std::pair<qint64, QString>> pages; // ID, BaseLoc
};

// A resource list's entries: ID and file name (FontFile, MediaFile), with the list's BaseLoc.
struct Resource {
    qint64 id = 0;
    QString file;
    QString family;
    bool italic = false, bold = false;
};
struct PartResources {
    QString baseLoc;
    std::vector<Resource> entries;
};

// Reads the document's elements in order, giving each one's name and attributes to `element`,
// then its text, if it has only text, to `text`. False when the XML is not well formed.
template <typename Element, typename Text>
bool Walk(const QByteArray& xml, Element&& element, Text&& text) {
    QXmlStreamReader reader(xml);
    QString current;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            current = reader.name().toString();
            element(current, reader.attributes());
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isWhitespace()) text(current, reader.text().toString());
            break;
        case QXmlStreamReader::EndElement:
            current.clear();
            break;
        default:
            break;
        }
    }
    return !reader.hasError();
}

qint64 Number(const QString& text) {
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    return ok ? n : -1;
}

} // namespace

OfdJoin::OfdJoin() = default;

OfdJoin::~OfdJoin() = default;

void OfdJoin::Add(const QString& part) {
    JoinPart in(part, QStringLiteral("OFD"));

    QString creator, root;
    if (!Walk(
            in.Read(QStringLiteral("OFD.xml")), [](const QString&, const QXmlStreamAttributes&) {},
            [&](const QString& name, const QString& value) {
                if (name == QLatin1String("Creator")) creator = value;
                if (name == QLatin1String("DocRoot")) root = value;
            }) ||
        creator != QLatin1String("karvell") || root != QLatin1String("Doc_0/Document.xml"))
        throw in.Foreign(QStringLiteral("OFD.xml 不是 karvell 写的"));

    PartDocument doc;
    bool inPageArea = false;
    const bool documentRead = Walk(
        in.Read(root),
        [&](const QString& name, const QXmlStreamAttributes& a) {
            if (name == QLatin1String("PageArea")) inPageArea = true;
            if (name == QLatin1String("Page"))
                doc.pages.emplace_back(Number(a.value(QLatin1String("ID")).toString()),
                                       a.value(QLatin1String("BaseLoc")).toString());
        },
        [&](const QString& name, const QString& value) {
            if (name == QLatin1String("MaxUnitID")) doc.maxId = Number(value);
            if (name == QLatin1String("PublicRes")) doc.publicRes = value;
            if (name == QLatin1String("DocumentRes")) doc.documentRes = value;
            if (name == QLatin1String("PhysicalBox") && inPageArea) {
                const QStringList box = value.split(u' ', Qt::SkipEmptyParts);
                if (box.size() == 4) doc.paper = QSizeF(box[2].toDouble(), box[3].toDouble());
                inPageArea = false;
            }
        });
    const qint64 offset = m_package.maxId;
    if (!documentRead || doc.maxId < 1 || doc.pages.empty() || doc.maxId > INT_MAX - offset)
        throw in.Foreign(QStringLiteral("Document.xml 不可读或对象编号不对"));

    // The resource lists: fonts and pictures, numbered after the parts before.
    const auto resources = [&](const QString& list) {
        PartResources out;
        if (list.isEmpty()) return out;
        const bool ok = Walk(
            in.Read(QStringLiteral("Doc_0/") + list),
            [&](const QString& name, const QXmlStreamAttributes& a) {
                if (name == QLatin1String("Res"))
                    out.baseLoc = a.value(QLatin1String("BaseLoc")).toString();
                if (name != QLatin1String("Font") && name != QLatin1String("MultiMedia")) return;
                Resource r;
                r.id = Number(a.value(QLatin1String("ID")).toString());
                r.family = a.value(QLatin1String("FontName")).toString();
                r.italic = a.value(QLatin1String("Italic")) == QLatin1String("true");
                r.bold = a.value(QLatin1String("Bold")) == QLatin1String("true");
                out.entries.push_back(r);
            },
            [&](const QString& name, const QString& value) {
                if ((name == QLatin1String("FontFile") || name == QLatin1String("MediaFile")) &&
                    !out.entries.empty())
                    out.entries.back().file = value;
            });
        if (!ok) throw in.Foreign(QStringLiteral("%1 不可读").arg(list));
        for (const Resource& r : out.entries)
            if (r.id < 1 || r.id > doc.maxId)
                throw in.Foreign(QStringLiteral("%1 的编号不对").arg(list));
        return out;
    };
    const QString resDir = QStringLiteral("Doc_0/%1/");
    const PartResources fonts = resources(doc.publicRes);
    for (const Resource& r : fonts.entries)
        m_package.fonts.push_back(
            {int(r.id + offset), r.family, r.italic, r.bold,
             r.file.isEmpty() ? QByteArray() : in.Read(resDir.arg(fonts.baseLoc) + r.file)});
    const PartResources images = resources(doc.documentRes);
    for (const Resource& r : images.entries)
        m_package.images.push_back(
            {int(r.id + offset), in.Read(resDir.arg(images.baseLoc) + r.file)});

    if (m_package.pages.empty()) m_package.paper = doc.paper;
    if (!m_pages) m_pages = std::make_unique<TPageSpool>();
    for (const auto& [id, baseLoc] : doc.pages) {
        if (id < 1 || id > doc.maxId) throw in.Foreign(QStringLiteral("页的编号不对"));
        const std::optional<QByteArray> xml =
            Renumbered(in.Read(QStringLiteral("Doc_0/") + baseLoc), offset, doc.maxId);
        if (!xml) throw in.Foreign(QStringLiteral("%1 的对象编号不对").arg(baseLoc));
        const DeflatedPart deflated = DeflateForZip(*xml);
        m_pages->Append(deflated.deflated);
        m_package.pages.push_back(
            {int(id + offset), deflated.size, deflated.crc,
             [spool = m_pages.get(), index = m_pages->Count() - 1] { return spool->Page(index); }});
    }
    m_package.maxId = int(offset + doc.maxId);
}

void OfdJoin::Save(AtomicFile& file, const OfdInfo& info) const {
    SaveZip(PackageParts(info, m_package), file);
}

} // namespace karvell
