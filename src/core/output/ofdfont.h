#pragma once
// Fonts for embedding in a fixed-layout document: the font a text was drawn with, reduced to
// the glyphs of the characters used (HarfBuzz's subsetter), as an OpenType or TrueType file.
// A document so made renders the same on a machine without the font.
#include <QByteArray>
#include <QRawFont>
#include <QString>

namespace karvell {

// The font file of `font` holding the glyphs `chars` need (with their layout tables and the
// character map); empty when the font's tables cannot be read or subset.
QByteArray SubsetFontFile(const QRawFont& font, const QString& chars);

// The font's file as its tables reassemble it (an sfnt of the tables Qt can read), for a face
// that may come from a collection; empty when the font has no readable tables.
QByteArray FontFileOf(const QRawFont& font);

} // namespace karvell
