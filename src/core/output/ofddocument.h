#pragma once
// The parts of a fixed-layout (OFD) package made from recorded pages: the entry file OFD.xml
// with the document's information, Doc_0/Document.xml, the resource files with the fonts
// (embedded, subset to the characters used) and the pictures (PNG), and one Content.xml per
// page. Everything is in millimetres; every part is referenced, nothing is encrypted, and
// there are no permissions, actions or external references.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QRawFont>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

#include "output/ofdrecorder.h"
#include "output/ofdzip.h"
#include "output/pagespool.h"

namespace karvell {

// What the entry file says about the document.
struct OfdInfo {
    QString title;
    QString creatorVersion;
    // Name and value pairs kept with the document (a voucher's master fields, as printed).
    QList<QPair<QString, QString>> customData;
};

// The package's parts in the order they are stored.
using OfdParts = QList<ZipPart>;

class OfdDocument {
public:
    // Throws KarvellError when a page cannot be kept (no temporary folder, a full disk).
    void AddPage(const RecordedPage& page);
    int PageCount() const { return int(m_pages.size()); }
    // Every part of the package; the document gets a fresh identifier each time.
    OfdParts Parts(const OfdInfo& info) const;

private:
    struct Font {
        int id = 0;
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
    int NewId() { return ++m_maxId; }
    Font& FontFor(const RecordedText& text);
    int ImageFor(const QImage& image);
    QByteArray DocumentRes() const;
    QByteArray DocumentXml() const;
    QByteArray EntryXml(const OfdInfo& info) const;

    int m_maxId = 0;
    std::vector<Font> m_fonts;
    std::vector<Image> m_images;
    QHash<QByteArray, int> m_imageIds; // by the PNG's hash: a picture repeated is stored once
    std::vector<Page> m_pages;
    // The pages' XML in a scratch file: a long document's would not fit in memory.
    std::unique_ptr<TPageSpool> m_contents;
    QSizeF m_firstPaper;
    qsizetype m_lastPageSize = 0; // the next page's XML is likely about as long
};

// Weight of an OFD text: the font weight rounded to a multiple of 100 between 0 and 1000.
int OfdWeight(int weight);

} // namespace karvell
