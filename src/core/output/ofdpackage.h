#pragma once
// The package around an OFD document's pages: the entry file OFD.xml with the document's
// information, Doc_0/Document.xml, the resource lists with their files (fonts, pictures) and
// the pages' Content.xml, already deflated. A document made from recorded pages and one joined
// from parts are packaged by this one code.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSizeF>
#include <QString>
#include <functional>
#include <vector>

#include "output/ofdzip.h"

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

struct OfdFont {
    int id = 0;
    QString family; // as the cells name it
    bool italic = false;
    bool bold = false;
    QByteArray file; // the embedded font file; empty: a reader takes the font of that name
};

struct OfdImage {
    int id = 0;
    QByteArray png;
};

// A page's Content.xml, deflated for the package (DeflateForZip) and kept elsewhere.
struct OfdPage {
    int id = 0;
    qint64 size = 0;                  // of the XML
    quint32 crc = 0;                  // of the XML
    std::function<QByteArray()> load; // the deflated XML; may throw KarvellError
};

struct OfdPackage {
    QSizeF paper; // the first page's, mm
    int maxId = 0;
    std::vector<OfdFont> fonts;
    std::vector<OfdImage> images;
    std::vector<OfdPage> pages;
};

// This build's version, as a document names its creator's.
QString OfdCreatorVersion();

// Every part of the package; the document gets a fresh identifier each time.
OfdParts PackageParts(const OfdInfo& info, const OfdPackage& package);

} // namespace karvell
