#include <QHash>
#include <QXmlStreamReader>

#include "output/archive.h"
#include "output/ofdzip.h"

namespace karvell {
namespace {

const QString kNs = QStringLiteral("http://www.ofdspec.org/2016");

// The text of every element named `name` in the OFD namespace; false when the part is no
// well-formed XML or its root is not `root`.
bool Read(const QByteArray& xml, const QString& root, const QString& name, QStringList* texts,
          QStringList* attributes = nullptr, const QString& attribute = {}) {
    QXmlStreamReader r(xml);
    bool first = true;
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement()) continue;
        if (first && (r.name() != root || r.namespaceUri() != kNs)) return false;
        first = false;
        if (attributes && r.attributes().hasAttribute(attribute))
            attributes->append(r.attributes().value(attribute).toString());
        if (r.namespaceUri() == kNs && r.name() == name) texts->append(r.readElementText());
    }
    return !r.hasError() && !first;
}

QString Join(const QString& dir, const QString& loc) {
    if (loc.startsWith(u'/')) return loc.mid(1);
    return dir.isEmpty() ? loc : dir + u'/' + loc;
}

QString DirOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash);
}

} // namespace

QStringList CheckOfdPackage(const QByteArray& ofd) {
    const auto parts = UnzipParts(ofd);
    if (!parts) return {QStringLiteral("不是可读的 OFD 压缩包（或其中某部分校验和不符）")};
    QHash<QString, QByteArray> byName;
    for (const auto& [name, bytes] : *parts)
        byName.insert(name, bytes);
    QStringList faults;
    QStringList roots;
    if (!Read(byName.value(QStringLiteral("OFD.xml")), QStringLiteral("OFD"),
              QStringLiteral("DocRoot"), &roots) ||
        roots.isEmpty())
        return {QStringLiteral("OFD.xml 缺失或格式不正确")};
    for (const QString& root : std::as_const(roots)) {
        QStringList pages, res, baseLocs;
        const QByteArray doc = byName.value(root);
        if (!Read(doc, QStringLiteral("Document"), QStringLiteral("PublicRes"), &res) ||
            !Read(doc, QStringLiteral("Document"), QStringLiteral("DocumentRes"), &res) ||
            !Read(doc, QStringLiteral("Document"), QStringLiteral("Page"), &pages, &baseLocs,
                  QStringLiteral("BaseLoc"))) {
            faults << QStringLiteral("%1 缺失或格式不正确").arg(root);
            continue;
        }
        const QString dir = DirOf(root);
        for (const QString& page : std::as_const(baseLocs)) {
            QStringList none;
            if (!Read(byName.value(Join(dir, page)), QStringLiteral("Page"),
                      QStringLiteral("PhysicalBox"), &none))
                faults << QStringLiteral("%1 缺失或格式不正确").arg(Join(dir, page));
        }
        for (const QString& r : std::as_const(res)) {
            QStringList files, base;
            const QString path = Join(dir, r);
            QStringList fonts;
            if (!Read(byName.value(path), QStringLiteral("Res"), QStringLiteral("FontFile"), &files,
                      &base, QStringLiteral("BaseLoc")) ||
                !Read(byName.value(path), QStringLiteral("Res"), QStringLiteral("MediaFile"),
                      &files)) {
                faults << QStringLiteral("%1 缺失或格式不正确").arg(path);
                continue;
            }
            const QString resDir = Join(DirOf(path), base.value(0));
            for (const QString& file : std::as_const(files))
                if (!byName.contains(Join(resDir, file)))
                    faults << QStringLiteral("%1 缺失").arg(Join(resDir, file));
        }
    }
    return faults;
}

} // namespace karvell
