#pragma once
// Fonts for embedding in a fixed-layout document: the font a text was drawn with, reduced to
// the glyphs of the characters used (HarfBuzz's subsetter), as an OpenType or TrueType file.
// A document so made renders the same on a machine without the font.
#include <QByteArray>
#include <QRawFont>
#include <QString>
#include <memory>

namespace karvell {

// The font files of the faces drawn with, reassembled once and kept for the next documents of
// a run that makes many (an archive's vouchers, each its own OFD file): a CJK face's file is
// tens of megabytes. Safe to share between threads.
class FontFileCache {
public:
    FontFileCache();
    ~FontFileCache();
    FontFileCache(const FontFileCache&) = delete;
    FontFileCache& operator=(const FontFileCache&) = delete;
    // FontFileOf(font), made on the first call for its face.
    QByteArray FileOf(const QRawFont& font);

private:
    struct Files;
    std::unique_ptr<Files> m_files;
};

// The font file of `font` holding the glyphs `chars` need (with their layout tables and the
// character map); empty when the font's tables cannot be read or subset. The face's whole file
// comes from `cache` when one is given.
QByteArray SubsetFontFile(const QRawFont& font, const QString& chars,
                          FontFileCache* cache = nullptr);

// The font's file as its tables reassemble it (an sfnt of the tables Qt can read), for a face
// that may come from a collection; empty when the font has no readable tables.
QByteArray FontFileOf(const QRawFont& font);

} // namespace karvell
