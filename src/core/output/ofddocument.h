#pragma once
// A fixed-layout (OFD) document made from recorded pages: each page's Content.xml (paths, texts
// and pictures in millimetres), the fonts drawn with (embedded, subset to the characters used)
// and the pictures (PNG), packaged by ofdpackage.h. Every part is referenced, nothing is
// encrypted, and there are no permissions, actions or external references.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QRawFont>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

#include "output/ofdpackage.h"
#include "output/ofdrecorder.h"
#include "output/pagespool.h"

namespace karvell {

class FontFileCache;

class OfdDocument {
public:
    OfdDocument();
    ~OfdDocument();
    OfdDocument(const OfdDocument&) = delete;
    OfdDocument& operator=(const OfdDocument&) = delete;

    // Takes a page. Its XML is written by a thread of the document's own, and deflated by a
    // second one, while the caller records the next page. Throws KarvellError when a page cannot be
    // kept (no temporary folder, a full disk): this page's reason or an earlier one's.
    void AddPage(RecordedPage page);
    int PageCount() const { return m_added; }
    // Font files to take the faces' from instead of reassembling them (optional; it must
    // outlive the document).
    void SetFontFiles(FontFileCache* cache) { m_fontFiles = cache; }
    // Every part of the package, once the pages taken are written (throws what stopped them);
    // the document gets a fresh identifier each time.
    OfdParts Parts(const OfdInfo& info);

private:
    // A face drawn with; known to the recording thread only, until the pages are written.
    struct Font {
        QString family; // as the cell names it
        int weight = 400;
        bool italic = false;
        QRawFont raw;
        QSet<char32_t> chars;
    };
    struct Image {
        int id = 0;
        QByteArray png;
    };
    struct Page {
        int id = 0;
        qint64 size = 0; // of its XML, which m_contents keeps deflated for the package
        quint32 crc = 0; // of its XML
    };
    // A text's font as the writing thread needs it: m_fonts may grow while it writes.
    struct TextFont {
        int index = 0; // in m_fonts
        int weight = 400;
        bool italic = false;
    };
    // A page on its way to the writing thread: the fonts of its texts resolved, in order, and
    // the texts' fonts let go, since Qt's font engines belong to the thread that made them.
    struct PendingPage {
        RecordedPage page;
        std::vector<TextFont> fonts;
    };
    // A page's XML on its way to the thread that deflates and keeps it.
    struct WrittenPage {
        int id = 0;
        QByteArray xml;
    };
    class Writer;

    int FontFor(const RecordedText& text);
    // What the writing threads do with a page: the first writes its XML, the second deflates
    // and keeps it.
    WrittenPage PageXml(const PendingPage& pending);
    void KeepPage(const WrittenPage& page);
    int NewId() { return ++m_maxId; }
    int ImageFor(const QImage& image);
    // Waits until every page taken is written; throws what stopped the writing.
    void Drain();

    // The recording thread's.
    FontFileCache* m_fontFiles = nullptr;
    std::vector<Font> m_fonts;
    int m_added = 0;
    QSizeF m_firstPaper;
    std::unique_ptr<Writer> m_writer;
    // The writing threads', read by the recording thread only after Drain(). m_pages and
    // m_contents are the keeping thread's, the others the XML thread's.
    int m_maxId = 0;
    std::vector<int> m_fontIds; // by index in m_fonts: given when its first text is written
    std::vector<Image> m_images;
    QHash<QByteArray, int> m_imageIds; // by the PNG's hash: a picture repeated is stored once
    std::vector<Page> m_pages;
    // The pages' XML in a scratch file: a long document's would not fit in memory. Made by the
    // recording thread (the first page), written by the keeping one.
    std::unique_ptr<TPageSpool> m_contents;
    qsizetype m_lastPageSize = 0; // the next page's XML is likely about as long
};

// Weight of an OFD text: the font weight rounded to a multiple of 100 between 0 and 1000.
int OfdWeight(int weight);

} // namespace karvell
