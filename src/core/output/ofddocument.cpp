#include "output/ofddocument.h"

#include <QCryptographicHash>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "output/ofdfont.h"
#include "output/ofdxml.h"
#include "platform/atomicfile.h"
#include "platform/boundedqueue.h"

namespace karvell {
namespace {

// Pages recorded ahead of the writing thread.
constexpr size_t kQueuedPages = 4;

// A rectangle as an OFD box: left, top, width, height.
void BoxAttr(OfdXml& x, std::string_view name, const QRectF& r) {
    x.Nums(name, {r.x(), r.y(), r.width(), r.height()});
}

void Color(OfdXml& x, std::string_view name, const QColor& c) {
    x.Start(name);
    char value[12]; // "255 255 255"
    char* p = value;
    for (int channel : {c.red(), c.green(), c.blue()}) {
        if (p != value) *p++ = ' ';
        p = std::to_chars(p, value + sizeof value, channel).ptr;
    }
    x.Attr("Value", std::string_view(value, size_t(p - value)));
    if (c.alpha() != 255) x.Attr("Alpha", qint64(c.alpha()));
    x.End();
}

// The path's outline relative to `origin`, in the abbreviated path syntax, into `out`.
void PathData(QByteArray& out, const QPainterPath& path, QPointF origin) {
    const auto pt = [&](const QPainterPath::Element& e) {
        out += ' ';
        AppendNum(out, e.x - origin.x());
        out += ' ';
        AppendNum(out, e.y - origin.y());
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (!out.isEmpty() &&
            (e.isMoveTo() || e.isLineTo() || (e.isCurveTo() && i + 2 < path.elementCount())))
            out += ' ';
        if (e.isMoveTo()) {
            out += 'M';
            pt(e);
        } else if (e.isLineTo()) {
            out += 'L';
            pt(e);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            out += 'B';
            pt(e);
            pt(path.elementAt(i + 1));
            pt(path.elementAt(i + 2));
            i += 2;
        }
    }
}

} // namespace

int OfdWeight(int weight) {
    return std::clamp((weight + 50) / 100 * 100, 0, 1000);
}

// The threads that write the pages, in the order they were taken: one writes each page's XML,
// the other deflates and keeps it. Deflating takes as long as writing, and the caller records
// the next pages meanwhile.
class OfdDocument::Writer {
public:
    explicit Writer(OfdDocument* document)
        : m_xmlThread([this, document] {
              Guarded([&] {
                  while (std::optional<PendingPage> page = m_pending.Pop())
                      m_written.Push(document->PageXml(*page));
              });
              m_written.Close(); // the pages written are still kept
          }),
          m_keepThread([this, document] {
              Guarded([&] {
                  while (std::optional<WrittenPage> page = m_written.Pop())
                      document->KeepPage(*page);
              });
          }) {}
    ~Writer() { Join(); }
    // Hands a page over; throws what stopped the writing, if anything has.
    void Push(PendingPage page) {
        if (m_failed) Finish();
        m_pending.Push(std::move(page));
    }
    // Waits for the pages handed over; throws what stopped their writing.
    void Finish() {
        Join();
        if (m_error) std::rethrow_exception(m_error);
    }

private:
    // Runs a thread's work; what stops it stops both threads, and the first reason is kept.
    void Guarded(const std::function<void()>& work) {
        try {
            work();
        } catch (...) {
            {
                std::lock_guard lock(m_errorMutex);
                if (!m_error) m_error = std::current_exception();
            }
            m_failed = true;
            m_pending.Close(); // pages still coming are dropped, not waited for
            m_written.Close();
        }
    }
    void Join() {
        m_pending.Close();
        if (m_xmlThread.joinable()) m_xmlThread.join();
        if (m_keepThread.joinable()) m_keepThread.join();
    }
    BoundedQueue<PendingPage> m_pending{kQueuedPages};
    BoundedQueue<WrittenPage> m_written{kQueuedPages};
    std::atomic<bool> m_failed = false;
    std::mutex m_errorMutex;
    std::exception_ptr m_error; // the first reason, under m_errorMutex until joined
    // Last: they start when everything they use exists.
    std::thread m_xmlThread;
    std::thread m_keepThread;
};

OfdDocument::OfdDocument() = default;

OfdDocument::~OfdDocument() {
    m_writer.reset(); // before anything its thread uses goes
}

int OfdDocument::FontFor(const RecordedText& text) {
    const QString family = text.font.family();
    const int weight = OfdWeight(text.font.weight());
    const bool italic = text.font.italic();
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        const Font& f = m_fonts[i];
        // One resource per face drawn with, whatever the size.
        if (f.family == family && f.weight == weight && f.italic == italic &&
            f.raw.familyName() == text.rawFont.familyName() &&
            f.raw.styleName() == text.rawFont.styleName())
            return int(i);
    }
    m_fonts.push_back({family, weight, italic, text.rawFont, {}});
    return int(m_fonts.size() - 1);
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

void OfdDocument::AddPage(RecordedPage page) {
    // Made here so that a missing temporary folder stops the first page.
    if (!m_contents) m_contents = std::make_unique<TPageSpool>();
    if (m_added == 0) m_firstPaper = page.paper;
    PendingPage pending;
    for (RecordedItem& item : page.items) {
        auto* text = std::get_if<RecordedText>(&item);
        if (!text) continue;
        const int font = FontFor(*text);
        for (char32_t c : text->text.toUcs4())
            m_fonts[size_t(font)].chars.insert(c);
        pending.fonts.push_back({font, m_fonts[size_t(font)].weight, m_fonts[size_t(font)].italic});
        text->font = QFont();
        text->rawFont = QRawFont();
    }
    pending.page = std::move(page);
    if (!m_writer) m_writer = std::make_unique<Writer>(this);
    m_writer->Push(std::move(pending));
    ++m_added;
}

void OfdDocument::Drain() {
    if (!m_writer) return;
    const std::unique_ptr<Writer> writer = std::move(m_writer);
    writer->Finish();
}

OfdDocument::WrittenPage OfdDocument::PageXml(const PendingPage& pending) {
    const RecordedPage& page = pending.page;
    size_t texts = 0; // texts written so far, for their fonts
    WrittenPage out;
    out.id = NewId();
    OfdXml x("Page", m_lastPageSize + m_lastPageSize / 4);
    x.Start("Area");
    x.TextNums("PhysicalBox", {0, 0, page.paper.width(), page.paper.height()});
    x.End();
    x.Start("Content");
    x.Start("Layer");
    x.Attr("ID", NewId());
    for (const RecordedItem& item : page.items) {
        if (const auto* path = std::get_if<RecordedPath>(&item)) {
            const double half = path->stroke.isValid() ? path->lineWidth / 2 : 0;
            const QRectF bounds = path->path.boundingRect().adjusted(-half, -half, half, half);
            x.Start("PathObject");
            x.Attr("ID", NewId());
            BoxAttr(x, "Boundary", bounds);
            if (path->stroke.isValid())
                x.Nums("LineWidth", {path->lineWidth});
            else
                x.Attr("Stroke", std::string_view("false"));
            if (path->fill.isValid()) x.Attr("Fill", std::string_view("true"));
            if (path->stroke.isValid()) Color(x, "StrokeColor", path->stroke);
            if (path->fill.isValid()) Color(x, "FillColor", path->fill);
            x.Start("AbbreviatedData");
            PathData(x.Buffer(), path->path, bounds.topLeft());
            x.PlainBuffer();
            x.End();
            x.End();
        } else if (const auto* text = std::get_if<RecordedText>(&item)) {
            // A font's resource is numbered where its first text is written.
            const TextFont& face = pending.fonts[texts++];
            const size_t font = size_t(face.index);
            if (font >= m_fontIds.size()) m_fontIds.resize(font + 1);
            if (m_fontIds[font] == 0) m_fontIds[font] = NewId();
            double width = text->size;
            for (double a : text->advances)
                width += a;
            // The text's box: its clip where it has one (the cell), else the line's extent.
            const QRectF bounds = text->clip.isValid()
                                      ? text->clip
                                      : QRectF(text->origin.x(), text->origin.y() - text->size,
                                               width, text->size * 1.5);
            x.Start("TextObject");
            x.Attr("ID", NewId());
            BoxAttr(x, "Boundary", bounds);
            x.Attr("Font", m_fontIds[font]);
            x.Nums("Size", {text->size});
            if (face.weight != 400) x.Attr("Weight", face.weight);
            if (face.italic) x.Attr("Italic", std::string_view("true"));
            Color(x, "FillColor", text->color);
            x.Start("TextCode");
            x.Nums("X", {text->origin.x() - bounds.x()});
            x.Nums("Y", {text->origin.y() - bounds.y()});
            if (!text->advances.isEmpty()) {
                AppendNums(x.Buffer(), text->advances);
                x.AttrBuffer("DeltaX");
            }
            x.Characters(XmlSafe(text->text));
            x.End();
            x.End();
        } else if (const auto* image = std::get_if<RecordedImage>(&item)) {
            const int resource = ImageFor(image->image);
            const QRectF& r = image->rect;
            x.Start("ImageObject");
            x.Attr("ID", NewId());
            BoxAttr(x, "Boundary", r);
            // An image fills the unit square of its transform.
            x.Nums("CTM", {r.width(), 0, 0, r.height(), 0, 0});
            x.Attr("ResourceID", resource);
            x.End();
        }
    }
    x.End(); // Layer
    x.End(); // Content
    out.xml = x.Finish();
    m_lastPageSize = out.xml.size();
    return out;
}

void OfdDocument::KeepPage(const WrittenPage& page) {
    // Deflated once, here: the package stores the page as it is kept.
    const DeflatedPart deflated = DeflateForZip(page.xml);
    m_contents->Append(deflated.deflated);
    m_pages.push_back({page.id, deflated.size, deflated.crc});
}

OfdParts OfdDocument::Parts(const OfdInfo& info) {
    Drain();
    OfdPackage package;
    package.paper = m_firstPaper;
    package.maxId = m_maxId;
    // Fonts are subset once every page is in: each holds the characters of all pages.
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        const Font& f = m_fonts[i];
        const int id = i < m_fontIds.size() ? m_fontIds[i] : 0;
        if (id == 0) continue; // no text of it was written
        QList<char32_t> chars(f.chars.begin(), f.chars.end());
        std::sort(chars.begin(), chars.end());
        package.fonts.push_back(
            {id, f.family, f.italic, f.weight >= 600,
             SubsetFontFile(f.raw, QString::fromUcs4(chars.constData(), chars.size()),
                            m_fontFiles)});
    }
    for (const Image& image : m_images)
        package.images.push_back({image.id, image.png});
    for (size_t i = 0; i < m_pages.size(); ++i)
        package.pages.push_back({m_pages[i].id, m_pages[i].size, m_pages[i].crc,
                                 [spool = m_contents.get(), i] { return spool->Page(int(i)); }});
    return PackageParts(info, package);
}

} // namespace karvell
