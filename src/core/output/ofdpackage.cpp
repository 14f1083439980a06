#include "output/ofdpackage.h"

#include <QDate>
#include <QUuid>

#include "output/ofdxml.h"

#ifndef KARVELL_VERSION
#define KARVELL_VERSION ""
#endif

namespace karvell {
namespace {

QByteArray FontFileName(int id, const QByteArray& file) {
    return "font_" + QByteArray::number(id) + (file.startsWith("OTTO") ? ".otf" : ".ttf");
}

QByteArray EntryXml(const OfdInfo& info) {
    OfdXml x("OFD");
    x.Attr("Version", std::string_view("1.0"));
    x.Attr("DocType", std::string_view("OFD"));
    x.Start("DocBody");
    x.Start("DocInfo");
    x.Text("DocID", QString::fromLatin1(QUuid::createUuid().toRfc4122().toHex()));
    if (!info.title.isEmpty()) x.Text("Title", XmlSafe(info.title));
    x.Text("CreationDate", QDate::currentDate().toString(Qt::ISODate));
    x.Text("Creator", QStringLiteral("karvell"));
    if (!info.creatorVersion.isEmpty()) x.Text("CreatorVersion", XmlSafe(info.creatorVersion));
    if (!info.customData.isEmpty()) {
        x.Start("CustomDatas");
        for (const auto& [name, value] : info.customData) {
            x.Start("CustomData");
            x.Attr("Name", XmlSafe(name));
            x.Characters(XmlSafe(value));
            x.End();
        }
        x.End();
    }
    x.End(); // DocInfo
    x.Text("DocRoot", QStringLiteral("Doc_0/Document.xml"));
    x.End();
    return x.Finish();
}

QByteArray DocumentXml(const OfdPackage& package) {
    OfdXml x("Document");
    x.Start("CommonData");
    x.Text("MaxUnitID", QString::number(package.maxId));
    x.Start("PageArea");
    x.TextNums("PhysicalBox", {0, 0, package.paper.width(), package.paper.height()});
    x.End();
    if (!package.fonts.empty()) x.Text("PublicRes", QStringLiteral("PublicRes.xml"));
    if (!package.images.empty()) x.Text("DocumentRes", QStringLiteral("DocumentRes.xml"));
    x.End();
    x.Start("Pages");
    for (size_t i = 0; i < package.pages.size(); ++i) {
        x.Start("Page");
        x.Attr("ID", package.pages[i].id);
        x.Attr("BaseLoc", QStringLiteral("Pages/Page_%1/Content.xml").arg(i));
        x.End();
    }
    x.End();
    return x.Finish();
}

QByteArray DocumentRes(const OfdPackage& package) {
    OfdXml x("Res");
    x.Attr("BaseLoc", std::string_view("Res"));
    x.Start("MultiMedias");
    for (const OfdImage& image : package.images) {
        x.Start("MultiMedia");
        x.Attr("ID", image.id);
        x.Attr("Type", std::string_view("Image"));
        x.Attr("Format", std::string_view("PNG"));
        x.Text("MediaFile", QStringLiteral("image_%1.png").arg(image.id));
        x.End();
    }
    x.End();
    return x.Finish();
}

} // namespace

QString OfdCreatorVersion() {
    return QStringLiteral(KARVELL_VERSION);
}

OfdParts PackageParts(const OfdInfo& info, const OfdPackage& package) {
    OfdParts parts;
    parts.append({QStringLiteral("OFD.xml"), EntryXml(info)});
    parts.append({QStringLiteral("Doc_0/Document.xml"), DocumentXml(package)});
    if (!package.fonts.empty()) {
        OfdXml x("Res");
        x.Attr("BaseLoc", std::string_view("Res"));
        x.Start("Fonts");
        for (const OfdFont& f : package.fonts) {
            x.Start("Font");
            x.Attr("ID", f.id);
            x.Attr("FontName", f.family);
            x.Attr("FamilyName", f.family);
            if (f.italic) x.Attr("Italic", std::string_view("true"));
            if (f.bold) x.Attr("Bold", std::string_view("true"));
            if (!f.file.isEmpty()) {
                const QString name = QString::fromLatin1(FontFileName(f.id, f.file));
                x.Text("FontFile", name);
                parts.append({QStringLiteral("Doc_0/Res/") + name, f.file});
            }
            x.End();
        }
        x.End();
        parts.append({QStringLiteral("Doc_0/PublicRes.xml"), x.Finish()});
    }
    if (!package.images.empty()) {
        parts.append({QStringLiteral("Doc_0/DocumentRes.xml"), DocumentRes(package)});
        for (const OfdImage& image : package.images)
            parts.append({QStringLiteral("Doc_0/Res/image_%1.png").arg(image.id), image.png});
    }
    for (size_t i = 0; i < package.pages.size(); ++i) {
        const OfdPage& page = package.pages[i];
        parts.append({QStringLiteral("Doc_0/Pages/Page_%1/Content.xml").arg(i), QByteArray(),
                      page.load, page.size, page.crc});
    }
    return parts;
}

} // namespace karvell
