#pragma once
// Keeps the text of written PDF files extractable as the characters that were drawn.
//
// Qt's PDF engine writes one ToUnicode map per embedded font and gives each glyph the lowest
// code point the font maps to it. Some CJK fonts (the Noto CJK faces) share one glyph between
// an ideograph and a Kangxi or supplementary radical (一 and ⼀, 大 and ⼤), so a reader would
// extract the radical. PdfTextFixer learns which characters were drawn in which fonts and
// rewrites those ToUnicode entries to the ideograph that was actually drawn. The fixes are made
// object by object as the file is written (pdfjoin.h), which keeps its cross-reference table
// exact.
#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include "platform/logfont.h"

namespace karvell {

class PdfTextFixer {
public:
    // Records text drawn with the font (GBK bytes, as cells hold it).
    void AddText(const LOGFONTA& font, const QByteArray& gbkText);
    // Learns what another fixer learnt (a part of the same file painted elsewhere).
    void Merge(const PdfTextFixer& other);
    // Radical code point → the drawn ideograph that shares its glyph in one of the fonts.
    QHash<char16_t, char16_t> Aliases() const;
    // The PDF with every aliased ToUnicode entry rewritten; the input unchanged when there is
    // nothing to do or the file's structure is not the one Qt writes.
    QByteArray Fix(const QByteArray& pdf) const;

    // The rewrite itself, for a given alias table (in memory, for small files).
    static QByteArray RewriteToUnicode(const QByteArray& pdf,
                                       const QHash<char16_t, char16_t>& aliases);
    // Gives the font dictionaries the subset tag their embedded font already carries
    // ("/BaseFont /ABCDEF+Name"), so that readers know the font is a subset.
    static QByteArray TagSubsetFonts(const QByteArray& pdf);

private:
    QSet<QByteArray> m_fonts; // the LOGFONTs whose families are in m_families
    QSet<QString> m_families;
    QSet<char16_t> m_chars;
};

// The fixes of single objects, as the joiner writes them.

// The objects that "/ToUnicode N 0 R" names in an object's dictionary.
QList<int> ToUnicodeReferences(const QByteArray& object);
// A ToUnicode map object ("N 0 obj\n<< /Length L >>\nstream\n…") with its entries rewritten;
// any other object, and a compressed map, as it is.
QByteArray RewriteToUnicodeObject(const QByteArray& object,
                                  const QHash<char16_t, char16_t>& aliases);

// Subset tags for font dictionaries. Qt writes a font's descriptor (its /FontName carries the
// tag, "QMAAAA+Name") before its dictionaries, which name the font without it; objects given in
// file order, each dictionary takes the tag of the last descriptor of its name before it. A
// file joined from parts holds one subset of a font per part, each with its own tag.
class SubsetTags {
public:
    // The object with its dictionary's /BaseFont tagged; learns the descriptor it holds.
    QByteArray Apply(const QByteArray& object);

private:
    QHash<QByteArray, QByteArray> m_tagOf; // font name → tag of its last descriptor
};

} // namespace karvell
