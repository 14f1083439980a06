#include "output/xlsxjoin.h"

#include <QCryptographicHash>
#include <QHash>
#include <QXmlStreamReader>
#include <algorithm>
#include <optional>

#include "output/ofdzip.h"
#include "output/pagespool.h"
#include "output/xlsxsink.h"
#include "platform/atomicfile.h"
#include "platform/error.h"

namespace karvell {
namespace {

// Where an element is: its start tag from `start`, its content [contentBegin, contentEnd) and
// its end at `stop`; an empty element (<x/>) has no content.
struct Span {
    qsizetype start = 0, contentBegin = 0, contentEnd = 0, stop = 0;
};

// The first element `name` at or after `from`. The parts are libxlsxwriter's XML, where an
// element never holds another of its own name.
std::optional<Span> Find(const QByteArray& xml, QByteArrayView name, qsizetype from = 0) {
    const QByteArray open = '<' + name.toByteArray();
    qsizetype at = from;
    while (true) {
        at = xml.indexOf(open, at);
        if (at < 0) return std::nullopt;
        const qsizetype after = at + open.size();
        if (after < xml.size() && (xml[after] == ' ' || xml[after] == '>' || xml[after] == '/'))
            break;
        at = after;
    }
    const qsizetype close = xml.indexOf('>', at);
    if (close < 0) return std::nullopt;
    Span s;
    s.start = at;
    if (xml[close - 1] == '/') {
        s.contentBegin = s.contentEnd = s.stop = close + 1;
        return s;
    }
    s.contentBegin = close + 1;
    const QByteArray end = "</" + name.toByteArray() + '>';
    s.contentEnd = xml.indexOf(end, s.contentBegin);
    if (s.contentEnd < 0) return std::nullopt;
    s.stop = s.contentEnd + end.size();
    return s;
}

// The elements `name` in `content`, each whole, in order.
QList<QByteArray> Elements(const QByteArray& content, QByteArrayView name) {
    QList<QByteArray> out;
    qsizetype from = 0;
    while (const std::optional<Span> s = Find(content, name, from)) {
        out.append(content.mid(s->start, s->stop - s->start));
        from = s->stop;
    }
    return out;
}

// Where the value of attribute `name` of the start tag at `start` is: [*begin, *end).
bool AttributeAt(const QByteArray& xml, qsizetype start, QByteArrayView name, qsizetype* begin,
                 qsizetype* end) {
    const qsizetype close = xml.indexOf('>', start);
    if (close < 0) return false;
    const QByteArray key = ' ' + name.toByteArray() + "=\"";
    const qsizetype at = QByteArrayView(xml).sliced(start, close - start).indexOf(key);
    if (at < 0) return false;
    *begin = start + at + key.size();
    *end = xml.indexOf('"', *begin);
    return *end >= 0;
}

std::optional<qint64> IntAttribute(const QByteArray& element, QByteArrayView name) {
    qsizetype begin = 0, end = 0;
    if (!AttributeAt(element, 0, name, &begin, &end)) return std::nullopt;
    bool ok = false;
    const qint64 v = QByteArrayView(element).sliced(begin, end - begin).toLongLong(&ok);
    return ok && v >= 0 ? std::optional<qint64>(v) : std::nullopt;
}

// `element` with attribute `name` of its start tag set to `value`, where it has it.
QByteArray WithAttribute(QByteArray element, QByteArrayView name, const QByteArray& value) {
    qsizetype begin = 0, end = 0;
    if (AttributeAt(element, 0, name, &begin, &end)) element.replace(begin, end - begin, value);
    return element;
}

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8(); // & < > and "
}

// The section `name` of `xml` holding `children` instead of its own, with their count.
QByteArray WithSection(const QByteArray& xml, QByteArrayView name,
                       const QList<QByteArray>& children) {
    const std::optional<Span> s = Find(xml, name);
    if (!s) return xml;
    QByteArray start = xml.mid(s->start, s->contentBegin - s->start);
    if (start.endsWith("/>")) start.replace(start.size() - 2, 2, ">");
    start = WithAttribute(start, "count", QByteArray::number(children.size()));
    return xml.left(s->start) + start + children.join() + "</" + name.toByteArray() + '>' +
           xml.mid(s->stop);
}

// The attributes of every element `name` in `xml`, in order; nothing when it is not well formed.
std::optional<QList<QXmlStreamAttributes>> AllOf(const QByteArray& xml, QLatin1StringView name) {
    QList<QXmlStreamAttributes> out;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == name)
            out.append(reader.attributes());
    if (reader.hasError()) return std::nullopt;
    return out;
}

QString Value(const QXmlStreamAttributes& a, QLatin1StringView name) {
    return a.value(name).toString();
}

// A relationship's target, resolved against the folder of the part that names it.
QString Resolved(const QString& folder, const QString& target) {
    QStringList path = folder.split(u'/', Qt::SkipEmptyParts);
    for (const QString& step : target.split(u'/', Qt::SkipEmptyParts)) {
        if (step == QLatin1String("..")) {
            if (!path.isEmpty()) path.removeLast();
        } else if (step != QLatin1String(".")) {
            path.append(step);
        }
    }
    return path.join(u'/');
}

QString Extension(const QString& path) {
    return path.mid(path.lastIndexOf(u'.') + 1);
}

// The cell formats a sheet's cells, rows and columns name moved up by `offset`; the sheet's
// view no longer selected unless `selected`. Texts cannot hold a "<", so every "<" opens a tag.
QByteArray RewrittenSheet(const QByteArray& xml, qint64 offset, bool selected, bool* ok) {
    QByteArray out;
    out.reserve(xml.size() + xml.size() / 32);
    qsizetype from = 0;
    *ok = true;
    for (qsizetype at = xml.indexOf('<'); at >= 0; at = xml.indexOf('<', at + 1)) {
        qsizetype nameEnd = at + 1;
        while (nameEnd < xml.size() && xml[nameEnd] != ' ' && xml[nameEnd] != '>' &&
               xml[nameEnd] != '/')
            ++nameEnd;
        const QByteArrayView name = QByteArrayView(xml).sliced(at + 1, nameEnd - at - 1);
        const QByteArrayView attribute = name == "c" || name == "row" ? QByteArrayView("s")
                                         : name == "col"              ? QByteArrayView("style")
                                         : name == "sheetView" && !selected
                                             ? QByteArrayView("tabSelected")
                                             : QByteArrayView();
        if (attribute.isEmpty()) continue;
        qsizetype begin = 0, end = 0;
        if (!AttributeAt(xml, at, attribute, &begin, &end)) continue;
        if (attribute == "tabSelected") { // the attribute goes: only the first sheet has it
            out.append(QByteArrayView(xml).sliced(from, begin - from - 14)); // ` tabSelected="`
            from = end + 1;
            continue;
        }
        out.append(QByteArrayView(xml).sliced(from, begin - from));
        {
            bool number = false;
            const qint64 style = QByteArrayView(xml).sliced(begin, end - begin).toLongLong(&number);
            if (!number || style < 0) *ok = false;
            out.append(QByteArray::number(style + offset));
        }
        from = end;
    }
    out.append(QByteArrayView(xml).sliced(from));
    return out;
}

struct Link {
    QString id, type, target;
};

QByteArray Relationships(const QList<Link>& links) {
    QByteArray out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const Link& link : links)
        out += "<Relationship Id=\"" + Escaped(link.id) + "\" Type=\"" + Escaped(link.type) +
               "\" Target=\"" + Escaped(link.target) + "\"/>";
    return out + "</Relationships>";
}

const QString kRelationships =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");

} // namespace

XlsxJoin::XlsxJoin() = default;

XlsxJoin::~XlsxJoin() = default;

void XlsxJoin::Add(const QString& part) {
    JoinPart in(part, QStringLiteral("XLSX"));
    const QByteArray core = in.Read(QStringLiteral("docProps/core.xml"));
    const QByteArray workbook = in.Read(QStringLiteral("xl/workbook.xml"));
    if (!core.contains("<dc:creator>karvell</dc:creator>"))
        throw in.Foreign(QStringLiteral("创建者不是 karvell"));
    // What a joined workbook could not keep: shared texts (karvell writes texts in the cells),
    // names that point into sheets.
    if (in.ReadIfThere(QStringLiteral("xl/sharedStrings.xml")) ||
        workbook.contains("<definedNames"))
        throw in.Foreign(QStringLiteral("含有共享文本或定义的名称"));

    // The part's formats, after those of the parts before.
    const QByteArray styles = in.Read(QStringLiteral("xl/styles.xml"));
    const auto section = [&](QByteArrayView name, QByteArrayView child) {
        const std::optional<Span> s = Find(styles, name);
        return s ? Elements(styles.mid(s->contentBegin, s->contentEnd - s->contentBegin), child)
                 : QList<QByteArray>();
    };
    const QList<QByteArray> fonts = section("fonts", "font"), fills = section("fills", "fill"),
                            borders = section("borders", "border"), xfs = section("cellXfs", "xf");
    if (fonts.isEmpty() || fills.isEmpty() || borders.isEmpty() || xfs.isEmpty())
        throw in.Foreign(QStringLiteral("styles.xml 不完整"));
    QHash<qint64, qint64> numFmtIds; // the part's own number formats (164 on) and the joined
    for (const QByteArray& format : section("numFmts", "numFmt")) {
        const std::optional<qint64> id = IntAttribute(format, "numFmtId");
        if (!id) throw in.Foreign(QStringLiteral("styles.xml 的数字格式不对"));
        const qint64 joined = 164 + m_numFmts.size();
        numFmtIds.insert(*id, joined);
        m_numFmts.append(WithAttribute(format, "numFmtId", QByteArray::number(joined)));
    }
    const qint64 xfOffset = m_xfs.size();
    for (const QByteArray& xf : xfs) {
        const std::optional<qint64> font = IntAttribute(xf, "fontId"),
                                    fill = IntAttribute(xf, "fillId"),
                                    border = IntAttribute(xf, "borderId"),
                                    format = IntAttribute(xf, "numFmtId");
        if (!font || !fill || !border || !format || *font >= fonts.size() ||
            *fill >= fills.size() || *border >= borders.size() ||
            (*format >= 164 && !numFmtIds.contains(*format)))
            throw in.Foreign(QStringLiteral("styles.xml 的格式引用不对"));
        QByteArray joined = WithAttribute(xf, "fontId", QByteArray::number(*font + m_fonts.size()));
        joined = WithAttribute(joined, "fillId", QByteArray::number(*fill + m_fills.size()));
        joined = WithAttribute(joined, "borderId", QByteArray::number(*border + m_borders.size()));
        if (*format >= 164)
            joined = WithAttribute(joined, "numFmtId", QByteArray::number(numFmtIds[*format]));
        m_xfs.append(joined);
    }
    m_fonts += fonts;
    m_fills += fills;
    m_borders += borders;

    if (m_first.isEmpty()) {
        m_first = styles;
        m_workbook = workbook;
        m_core = core;
        m_app = in.Read(QStringLiteral("docProps/app.xml"));
        m_rootRels = in.Read(QStringLiteral("_rels/.rels"));
        m_theme = in.Read(QStringLiteral("xl/theme/theme1.xml"));
    }
    const std::optional<QList<QXmlStreamAttributes>> defaults =
        AllOf(in.Read(QStringLiteral("[Content_Types].xml")), QLatin1StringView("Default"));
    if (!defaults) throw in.Foreign(QStringLiteral("[Content_Types].xml 不可读"));
    // One type an extension: the first part's where two parts differ.
    for (const QXmlStreamAttributes& d : *defaults) {
        const QString extension = Value(d, QLatin1StringView("Extension"));
        if (std::none_of(m_contentTypes.begin(), m_contentTypes.end(), [&](const QString& e) {
                return e.section(u'\n', 0, 0).compare(extension, Qt::CaseInsensitive) == 0;
            }))
            m_contentTypes.append(extension + u'\n' + Value(d, QLatin1StringView("ContentType")));
    }

    // The worksheets, in the workbook's order.
    const std::optional<QList<QXmlStreamAttributes>> sheets =
        AllOf(workbook, QLatin1StringView("sheet"));
    const std::optional<QList<QXmlStreamAttributes>> links = AllOf(
        in.Read(QStringLiteral("xl/_rels/workbook.xml.rels")), QLatin1StringView("Relationship"));
    if (!sheets || !links || sheets->isEmpty())
        throw in.Foreign(QStringLiteral("workbook.xml 不可读或没有工作表"));
    if (!m_spool) m_spool = std::make_unique<TPageSpool>();
    for (const QXmlStreamAttributes& sheet : *sheets) {
        QString target;
        for (const QXmlStreamAttributes& link : *links)
            if (Value(link, QLatin1StringView("Id")) == Value(sheet, QLatin1StringView("r:id")))
                target = Resolved(QStringLiteral("xl"), Value(link, QLatin1StringView("Target")));
        if (target.isEmpty()) throw in.Foreign(QStringLiteral("找不到工作表的文件"));
        bool ok = false;
        const QByteArray xml = RewrittenSheet(in.Read(target), xfOffset, m_sheets.empty(), &ok);
        if (!ok) throw in.Foreign(QStringLiteral("%1 的格式编号不对").arg(target));

        Sheet out;
        QStringList taken;
        for (const Sheet& s : m_sheets)
            taken.append(s.name);
        // Named as the whole batch names a sheet whose name an earlier one has.
        out.name = TXlsxSink::SheetName(Value(sheet, QLatin1StringView("name")), taken);
        // A drawing (pictures) of the sheet, renumbered after those of the sheets before.
        const QString folder = target.left(target.lastIndexOf(u'/'));
        const QString relsName = folder + QStringLiteral("/_rels/") +
                                 target.mid(target.lastIndexOf(u'/') + 1) + QStringLiteral(".rels");
        if (const std::optional<QByteArray> rels = in.ReadIfThere(relsName)) {
            const std::optional<QList<QXmlStreamAttributes>> sheetLinks =
                AllOf(*rels, QLatin1StringView("Relationship"));
            if (!sheetLinks) throw in.Foreign(QStringLiteral("%1 不可读").arg(relsName));
            QList<Link> kept;
            for (const QXmlStreamAttributes& link : *sheetLinks) {
                const QString type = Value(link, QLatin1StringView("Type"));
                if (type != kRelationships + QStringLiteral("drawing"))
                    throw in.Foreign(QStringLiteral("工作表含有不能合并的关系（%1）").arg(type));
                const QString drawing = Resolved(folder, Value(link, QLatin1StringView("Target")));
                const QString drawingFolder = drawing.left(drawing.lastIndexOf(u'/'));
                const int number = int(m_drawings.size()) + 1;
                QList<Link> images;
                const QString drawingRels = drawingFolder + QStringLiteral("/_rels/") +
                                            drawing.mid(drawing.lastIndexOf(u'/') + 1) +
                                            QStringLiteral(".rels");
                const std::optional<QList<QXmlStreamAttributes>> imageLinks =
                    AllOf(in.Read(drawingRels), QLatin1StringView("Relationship"));
                if (!imageLinks) throw in.Foreign(QStringLiteral("%1 不可读").arg(drawingRels));
                for (const QXmlStreamAttributes& image : *imageLinks) {
                    const QString media =
                        Resolved(drawingFolder, Value(image, QLatin1StringView("Target")));
                    // A picture shown on several sheets is stored once, as in the whole batch.
                    const QByteArray bytes = in.Read(media);
                    const QByteArray key =
                        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256) +
                        Extension(media).toUtf8();
                    QString name = m_mediaNames.value(key);
                    if (name.isEmpty()) {
                        name = QStringLiteral("image%1.%2")
                                   .arg(m_media.size() + 1)
                                   .arg(Extension(media));
                        m_media.push_back({QStringLiteral("xl/media/") + name, bytes});
                        m_mediaNames.insert(key, name);
                    }
                    images.append({Value(image, QLatin1StringView("Id")),
                                   Value(image, QLatin1StringView("Type")),
                                   QStringLiteral("../media/") + name});
                }
                // The drawing names its pictures by relationship: their Ids are kept.
                m_drawings.push_back(
                    {QStringLiteral("xl/drawings/drawing%1.xml").arg(number), in.Read(drawing)});
                m_drawingRels.push_back(
                    {QStringLiteral("xl/drawings/_rels/drawing%1.xml.rels").arg(number),
                     Relationships(images)});
                kept.append({Value(link, QLatin1StringView("Id")), type,
                             QStringLiteral("../drawings/drawing%1.xml").arg(number)});
            }
            out.rels = Relationships(kept);
        }
        const DeflatedPart deflated = DeflateForZip(xml);
        m_spool->Append(deflated.deflated);
        out.size = deflated.size;
        out.crc = deflated.crc;
        m_sheets.push_back(out);
    }
}

void XlsxJoin::Save(AtomicFile& file, const QString& title) const {
    QList<ZipPart> parts;
    const int count = int(m_sheets.size());

    QByteArray types = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
                       "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
    for (const QString& entry : m_contentTypes) {
        const QStringList pair = entry.split(u'\n');
        types += "<Default Extension=\"" + Escaped(pair.value(0)) + "\" ContentType=\"" +
                 Escaped(pair.value(1)) + "\"/>";
    }
    const auto override = [&types](const QString& part, const char* type) {
        types += "<Override PartName=\"/" + Escaped(part) + "\" ContentType=\"" + QByteArray(type) +
                 "\"/>";
    };
    override(QStringLiteral("docProps/app.xml"),
             "application/vnd.openxmlformats-officedocument.extended-properties+xml");
    override(QStringLiteral("docProps/core.xml"),
             "application/vnd.openxmlformats-package.core-properties+xml");
    override(QStringLiteral("xl/styles.xml"),
             "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml");
    override(QStringLiteral("xl/theme/theme1.xml"),
             "application/vnd.openxmlformats-officedocument.theme+xml");
    override(QStringLiteral("xl/workbook.xml"),
             "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
    for (int i = 1; i <= count; ++i)
        override(QStringLiteral("xl/worksheets/sheet%1.xml").arg(i),
                 "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml");
    for (const Named& drawing : m_drawings)
        override(drawing.path, "application/vnd.openxmlformats-officedocument.drawing+xml");
    types += "</Types>";
    parts.append({QStringLiteral("[Content_Types].xml"), types});
    parts.append({QStringLiteral("_rels/.rels"), m_rootRels});

    // The document's properties: its sheets' names, its title.
    QByteArray names;
    for (const Sheet& sheet : m_sheets)
        names += "<vt:lpstr>" + Escaped(sheet.name) + "</vt:lpstr>";
    QByteArray app = m_app;
    const std::optional<Span> heading = Find(app, "HeadingPairs");
    const std::optional<Span> titles = Find(app, "TitlesOfParts");
    if (heading && titles && titles->stop > heading->start)
        app = app.left(heading->start) +
              "<HeadingPairs><vt:vector size=\"2\" baseType=\"variant\"><vt:variant><vt:lpstr>"
              "Worksheets</vt:lpstr></vt:variant><vt:variant><vt:i4>" +
              QByteArray::number(count) +
              "</vt:i4></vt:variant></vt:vector></HeadingPairs><TitlesOfParts><vt:vector size=\"" +
              QByteArray::number(count) + "\" baseType=\"lpstr\">" + names +
              "</vt:vector></TitlesOfParts>" + app.mid(titles->stop);
    parts.append({QStringLiteral("docProps/app.xml"), app});
    QByteArray core = m_core;
    if (const std::optional<Span> t = Find(core, "dc:title"))
        core = core.left(t->contentBegin) + Escaped(title) + core.mid(t->contentEnd);
    parts.append({QStringLiteral("docProps/core.xml"), core});

    QList<Link> links;
    const auto link = [&links](const QString& type, const QString& target) {
        links.append(
            {QStringLiteral("rId%1").arg(links.size() + 1), kRelationships + type, target});
    };
    for (int i = 1; i <= count; ++i)
        link(QStringLiteral("worksheet"), QStringLiteral("worksheets/sheet%1.xml").arg(i));
    link(QStringLiteral("theme"), QStringLiteral("theme/theme1.xml"));
    link(QStringLiteral("styles"), QStringLiteral("styles.xml"));
    parts.append({QStringLiteral("xl/_rels/workbook.xml.rels"), Relationships(links)});
    QByteArray sheets;
    for (int i = 0; i < count; ++i)
        sheets += "<sheet name=\"" + Escaped(m_sheets[size_t(i)].name) + "\" sheetId=\"" +
                  QByteArray::number(i + 1) + "\" r:id=\"rId" + QByteArray::number(i + 1) + "\"/>";
    QByteArray workbook = m_workbook;
    if (const std::optional<Span> s = Find(workbook, "sheets"))
        workbook = workbook.left(s->contentBegin) + sheets + workbook.mid(s->contentEnd);
    parts.append({QStringLiteral("xl/workbook.xml"), workbook});

    QByteArray styles = m_first;
    if (!m_numFmts.isEmpty() && !Find(styles, "numFmts")) {
        const qsizetype fonts = styles.indexOf("<fonts");
        if (fonts >= 0) styles.insert(fonts, "<numFmts count=\"0\"/>");
    }
    styles = WithSection(styles, "numFmts", m_numFmts);
    styles = WithSection(styles, "fonts", m_fonts);
    styles = WithSection(styles, "fills", m_fills);
    styles = WithSection(styles, "borders", m_borders);
    styles = WithSection(styles, "cellXfs", m_xfs);
    parts.append({QStringLiteral("xl/styles.xml"), styles});
    parts.append({QStringLiteral("xl/theme/theme1.xml"), m_theme});

    for (int i = 0; i < count; ++i) {
        const Sheet& sheet = m_sheets[size_t(i)];
        parts.append({QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1), QByteArray(),
                      [spool = m_spool.get(), i] { return spool->Page(i); }, sheet.size,
                      sheet.crc});
        if (!sheet.rels.isEmpty())
            parts.append(
                {QStringLiteral("xl/worksheets/_rels/sheet%1.xml.rels").arg(i + 1), sheet.rels});
    }
    for (const std::vector<Named>* list : {&m_drawings, &m_drawingRels, &m_media})
        for (const Named& named : *list)
            parts.append({named.path, named.bytes});
    SaveZip(parts, file);
}

} // namespace karvell
