#include "output/ofddocument.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDate>
#include <QUuid>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>

#include "output/ofdfont.h"
#include "platform/atomicfile.h"

namespace karvell {
namespace {

const QString kNs = QStringLiteral("http://www.ofdspec.org/2016");

// Millimetres with three decimals, trailing zeros dropped.
QString Num(double v) {
    if (!std::isfinite(v)) v = 0;
    QString s = QString::number(v, 'f', 3);
    while (s.endsWith(u'0'))
        s.chop(1);
    if (s.endsWith(u'.')) s.chop(1);
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}

QString Box(const QRectF& r) {
    return Num(r.x()) + u' ' + Num(r.y()) + u' ' + Num(r.width()) + u' ' + Num(r.height());
}

QString Rgb(const QColor& c) {
    return QStringLiteral("%1 %2 %3").arg(c.red()).arg(c.green()).arg(c.blue());
}

// XML cannot hold most control characters; a cell's text drawn with them shows none.
QString XmlSafe(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() >= 0x20 || c == u'\t') out += c;
    return out;
}

struct Xml {
    QByteArray bytes;
    QBuffer buffer{&bytes};
    QXmlStreamWriter w{&buffer};
    explicit Xml(const QString& root) {
        buffer.open(QIODevice::WriteOnly);
        w.writeStartDocument();
        w.writeNamespace(kNs, QStringLiteral("ofd"));
        w.writeStartElement(kNs, root);
    }
    void Start(const QString& name) { w.writeStartElement(kNs, name); }
    void End() { w.writeEndElement(); }
    void Text(const QString& name, const QString& value) {
        w.writeTextElement(kNs, name, XmlSafe(value));
    }
    void Attr(const QString& name, const QString& value) { w.writeAttribute(name, value); }
    void Attr(const QString& name, int value) { w.writeAttribute(name, QString::number(value)); }
    void Color(const QString& name, const QColor& c) {
        Start(name);
        Attr(QStringLiteral("Value"), Rgb(c));
        if (c.alpha() != 255) Attr(QStringLiteral("Alpha"), c.alpha());
        End();
    }
    QByteArray Finish() {
        w.writeEndDocument();
        return bytes;
    }
};

// The path's outline relative to `origin`, in the abbreviated path syntax.
QString PathData(const QPainterPath& path, QPointF origin) {
    QStringList out;
    const auto pt = [&](const QPainterPath::Element& e) {
        return Num(e.x - origin.x()) + u' ' + Num(e.y - origin.y());
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (e.isMoveTo()) {
            out << QStringLiteral("M ") + pt(e);
        } else if (e.isLineTo()) {
            out << QStringLiteral("L ") + pt(e);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            out << QStringLiteral("B ") + pt(e) + u' ' + pt(path.elementAt(i + 1)) + u' ' +
                       pt(path.elementAt(i + 2));
            i += 2;
        }
    }
    return out.join(u' ');
}

QByteArray FontFileName(int id, const QByteArray& file) {
    return "font_" + QByteArray::number(id) + (file.startsWith("OTTO") ? ".otf" : ".ttf");
}

} // namespace

int OfdWeight(int weight) {
    return std::clamp((weight + 50) / 100 * 100, 0, 1000);
}

OfdDocument::Font& OfdDocument::FontFor(const RecordedText& text) {
    const QString family = text.font.family();
    const int weight = OfdWeight(text.font.weight());
    const bool italic = text.font.italic();
    for (Font& f : m_fonts)
        // One resource per face drawn with, whatever the size.
        if (f.family == family && f.weight == weight && f.italic == italic &&
            f.raw.familyName() == text.rawFont.familyName() &&
            f.raw.styleName() == text.rawFont.styleName())
            return f;
    Font f;
    f.id = NewId();
    f.family = family;
    f.weight = weight;
    f.italic = italic;
    f.raw = text.rawFont;
    m_fonts.push_back(f);
    return m_fonts.back();
}

int OfdDocument::ImageFor(const QImage& image) {
    QByteArray png = EncodePng(image);
    const QByteArray hash = QCryptographicHash::hash(png, QCryptographicHash::Sha256);
    if (const auto it = m_imageIds.constFind(hash); it != m_imageIds.constEnd()) return *it;
    const int id = NewId();
    m_images.push_back({id, std::move(png)});
    m_imageIds.insert(hash, id);
    return id;
}

void OfdDocument::AddPage(const RecordedPage& page) {
    if (m_pages.empty()) m_firstPaper = page.paper;
    Page out;
    out.id = NewId();
    Xml x(QStringLiteral("Page"));
    x.Start(QStringLiteral("Area"));
    x.Text(QStringLiteral("PhysicalBox"), Box(QRectF(QPointF(), page.paper)));
    x.End();
    x.Start(QStringLiteral("Content"));
    x.Start(QStringLiteral("Layer"));
    x.Attr(QStringLiteral("ID"), NewId());
    for (const RecordedItem& item : page.items) {
        if (const auto* path = std::get_if<RecordedPath>(&item)) {
            const double half = path->stroke.isValid() ? path->lineWidth / 2 : 0;
            const QRectF bounds = path->path.boundingRect().adjusted(-half, -half, half, half);
            x.Start(QStringLiteral("PathObject"));
            x.Attr(QStringLiteral("ID"), NewId());
            x.Attr(QStringLiteral("Boundary"), Box(bounds));
            if (path->stroke.isValid())
                x.Attr(QStringLiteral("LineWidth"), Num(path->lineWidth));
            else
                x.Attr(QStringLiteral("Stroke"), QStringLiteral("false"));
            if (path->fill.isValid()) x.Attr(QStringLiteral("Fill"), QStringLiteral("true"));
            if (path->stroke.isValid()) x.Color(QStringLiteral("StrokeColor"), path->stroke);
            if (path->fill.isValid()) x.Color(QStringLiteral("FillColor"), path->fill);
            x.Text(QStringLiteral("AbbreviatedData"), PathData(path->path, bounds.topLeft()));
            x.End();
        } else if (const auto* text = std::get_if<RecordedText>(&item)) {
            Font& font = FontFor(*text);
            for (char32_t c : text->text.toUcs4())
                font.chars.insert(c);
            double width = text->size;
            for (double a : text->advances)
                width += a;
            // The text's box: its clip where it has one (the cell), else the line's extent.
            const QRectF bounds = text->clip.isValid()
                                      ? text->clip
                                      : QRectF(text->origin.x(), text->origin.y() - text->size,
                                               width, text->size * 1.5);
            x.Start(QStringLiteral("TextObject"));
            x.Attr(QStringLiteral("ID"), NewId());
            x.Attr(QStringLiteral("Boundary"), Box(bounds));
            x.Attr(QStringLiteral("Font"), font.id);
            x.Attr(QStringLiteral("Size"), Num(text->size));
            if (font.weight != 400) x.Attr(QStringLiteral("Weight"), font.weight);
            if (font.italic) x.Attr(QStringLiteral("Italic"), QStringLiteral("true"));
            x.Color(QStringLiteral("FillColor"), text->color);
            x.Start(QStringLiteral("TextCode"));
            x.Attr(QStringLiteral("X"), Num(text->origin.x() - bounds.x()));
            x.Attr(QStringLiteral("Y"), Num(text->origin.y() - bounds.y()));
            if (!text->advances.isEmpty()) {
                QStringList deltas;
                for (double a : text->advances)
                    deltas << Num(a);
                x.Attr(QStringLiteral("DeltaX"), deltas.join(u' '));
            }
            x.w.writeCharacters(XmlSafe(text->text));
            x.End();
            x.End();
        } else if (const auto* image = std::get_if<RecordedImage>(&item)) {
            const int resource = ImageFor(image->image);
            const QRectF& r = image->rect;
            x.Start(QStringLiteral("ImageObject"));
            x.Attr(QStringLiteral("ID"), NewId());
            x.Attr(QStringLiteral("Boundary"), Box(r));
            // An image fills the unit square of its transform.
            x.Attr(QStringLiteral("CTM"), Num(r.width()) + QStringLiteral(" 0 0 ") +
                                              Num(r.height()) + QStringLiteral(" 0 0"));
            x.Attr(QStringLiteral("ResourceID"), resource);
            x.End();
        }
    }
    x.End(); // Layer
    x.End(); // Content
    const QByteArray xml = x.Finish();
    out.size = xml.size();
    if (!m_contents) m_contents = std::make_unique<TPageSpool>();
    m_contents->Append(qCompress(xml, 1));
    m_pages.push_back(out);
}

QByteArray OfdDocument::DocumentRes() const {
    Xml x(QStringLiteral("Res"));
    x.Attr(QStringLiteral("BaseLoc"), QStringLiteral("Res"));
    x.Start(QStringLiteral("MultiMedias"));
    for (const Image& image : m_images) {
        x.Start(QStringLiteral("MultiMedia"));
        x.Attr(QStringLiteral("ID"), image.id);
        x.Attr(QStringLiteral("Type"), QStringLiteral("Image"));
        x.Attr(QStringLiteral("Format"), QStringLiteral("PNG"));
        x.Text(QStringLiteral("MediaFile"), QStringLiteral("image_%1.png").arg(image.id));
        x.End();
    }
    x.End();
    return x.Finish();
}

QByteArray OfdDocument::DocumentXml() const {
    Xml x(QStringLiteral("Document"));
    x.Start(QStringLiteral("CommonData"));
    x.Text(QStringLiteral("MaxUnitID"), QString::number(m_maxId));
    x.Start(QStringLiteral("PageArea"));
    x.Text(QStringLiteral("PhysicalBox"), Box(QRectF(QPointF(), m_firstPaper)));
    x.End();
    if (!m_fonts.empty()) x.Text(QStringLiteral("PublicRes"), QStringLiteral("PublicRes.xml"));
    if (!m_images.empty()) x.Text(QStringLiteral("DocumentRes"), QStringLiteral("DocumentRes.xml"));
    x.End();
    x.Start(QStringLiteral("Pages"));
    for (size_t i = 0; i < m_pages.size(); ++i) {
        x.Start(QStringLiteral("Page"));
        x.Attr(QStringLiteral("ID"), m_pages[i].id);
        x.Attr(QStringLiteral("BaseLoc"), QStringLiteral("Pages/Page_%1/Content.xml").arg(i));
        x.End();
    }
    x.End();
    return x.Finish();
}

QByteArray OfdDocument::EntryXml(const OfdInfo& info) const {
    Xml x(QStringLiteral("OFD"));
    x.Attr(QStringLiteral("Version"), QStringLiteral("1.0"));
    x.Attr(QStringLiteral("DocType"), QStringLiteral("OFD"));
    x.Start(QStringLiteral("DocBody"));
    x.Start(QStringLiteral("DocInfo"));
    x.Text(QStringLiteral("DocID"), QString::fromLatin1(QUuid::createUuid().toRfc4122().toHex()));
    if (!info.title.isEmpty()) x.Text(QStringLiteral("Title"), info.title);
    x.Text(QStringLiteral("CreationDate"), QDate::currentDate().toString(Qt::ISODate));
    x.Text(QStringLiteral("Creator"), QStringLiteral("karvell"));
    if (!info.creatorVersion.isEmpty())
        x.Text(QStringLiteral("CreatorVersion"), info.creatorVersion);
    if (!info.customData.isEmpty()) {
        x.Start(QStringLiteral("CustomDatas"));
        for (const auto& [name, value] : info.customData) {
            x.Start(QStringLiteral("CustomData"));
            x.Attr(QStringLiteral("Name"), XmlSafe(name));
            x.w.writeCharacters(XmlSafe(value));
            x.End();
        }
        x.End();
    }
    x.End(); // DocInfo
    x.Text(QStringLiteral("DocRoot"), QStringLiteral("Doc_0/Document.xml"));
    x.End();
    return x.Finish();
}

OfdParts OfdDocument::Parts(const OfdInfo& info) const {
    OfdParts parts;
    parts.append({QStringLiteral("OFD.xml"), EntryXml(info)});
    parts.append({QStringLiteral("Doc_0/Document.xml"), DocumentXml()});
    if (!m_fonts.empty()) {
        // Fonts are subset once every page is in: each holds the characters of all pages.
        Xml x(QStringLiteral("Res"));
        x.Attr(QStringLiteral("BaseLoc"), QStringLiteral("Res"));
        x.Start(QStringLiteral("Fonts"));
        for (const Font& f : m_fonts) {
            QList<char32_t> chars(f.chars.begin(), f.chars.end());
            std::sort(chars.begin(), chars.end());
            const QByteArray file =
                SubsetFontFile(f.raw, QString::fromUcs4(chars.constData(), chars.size()));
            x.Start(QStringLiteral("Font"));
            x.Attr(QStringLiteral("ID"), f.id);
            x.Attr(QStringLiteral("FontName"), f.family);
            x.Attr(QStringLiteral("FamilyName"), f.family);
            if (f.italic) x.Attr(QStringLiteral("Italic"), QStringLiteral("true"));
            if (f.weight >= 600) x.Attr(QStringLiteral("Bold"), QStringLiteral("true"));
            if (!file.isEmpty()) {
                // Without a file a reader takes the font of that name from its system.
                const QString name = QString::fromLatin1(FontFileName(f.id, file));
                x.Text(QStringLiteral("FontFile"), name);
                parts.append({QStringLiteral("Doc_0/Res/") + name, file});
            }
            x.End();
        }
        x.End();
        parts.append({QStringLiteral("Doc_0/PublicRes.xml"), x.Finish()});
    }
    if (!m_images.empty()) {
        parts.append({QStringLiteral("Doc_0/DocumentRes.xml"), DocumentRes()});
        for (const Image& image : m_images)
            parts.append({QStringLiteral("Doc_0/Res/image_%1.png").arg(image.id), image.png});
    }
    for (size_t i = 0; i < m_pages.size(); ++i)
        parts.append({QStringLiteral("Doc_0/Pages/Page_%1/Content.xml").arg(i), QByteArray(), true,
                      [spool = m_contents.get(), i] { return spool->Page(int(i)); },
                      m_pages[i].size});
    return parts;
}

} // namespace karvell
