#pragma once
// LOGFONT: the byte-exact 60-byte ANSI structure that cells hold and template files store,
// and its mapping to QFont.
#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace karvell {

#pragma pack(push, 1)
struct LOGFONTA {
    int32_t lfHeight = 0;
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    char lfFaceName[32] = {};

    bool operator==(const LOGFONTA& o) const;
};
#pragma pack(pop)
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA must be exactly 60 bytes");

inline constexpr uint8_t DEFAULT_CHARSET = 1;

// The default cell font: 12 points (lfHeight -16 at 96 dpi), charset 1, face "宋体".
LOGFONTA DefaultCellFont();
// The 60 raw bytes (little-endian, as stored) and back. FromBytes needs exactly 60 bytes.
QByteArray LogFontToBytes(const LOGFONTA& f);
LOGFONTA LogFontFromBytes(const char* data60);
// Face name as Unicode (decoded from the GBK bytes up to the first NUL) and back
// (encoded to GBK, cut to 31 bytes at a character boundary, rest zero).
QString FaceName(const LOGFONTA& f);
void SetFaceName(LOGFONTA& f, const QString& face);

// QFont for a LOGFONT in document pixels: negative lfHeight is the em height in pixels,
// positive is the cell height (ascent + descent); weight 0 is normal.
QFont FontFromLogFont(const LOGFONTA& f);
// The LOGFONT for a font chosen in a font box or dialog: pixel size (or points at 96 dpi) as a
// negative lfHeight, weight, italic, underline, strike-out, face name; the other fields come from
// `base`, whose Windows face name is kept when the family is the one that name resolves to.
LOGFONTA LogFontFromFont(const QFont& font, const LOGFONTA& base = DefaultCellFont());
// The point size the font boxes and the font dialog show for a LOGFONT:
// ⌊⌊|lfHeight| × 720 / LOGPIXELSY⌋ / 10⌋ (lfHeight −16 gives 12).
int PointSizeOf(const LOGFONTA& f);
// MulDiv: a × b / c rounded to the nearest integer, halves away from zero; −1 when c is 0.
int MulDiv(int a, int b, int c);
// The LOGFONT of a formatting bar: the face, the height −MulDiv(points, LOGPIXELSY, 72), weight
// 700 or 400, italic and underline flags, DEFAULT_CHARSET; every other field zero.
LOGFONTA BarLogFont(const QString& face, int points, bool bold, bool italic, bool underline);
// The point size a size box's text says: optional blanks and a sign, then the digits, reading
// stops at the first other character (" 20", "+20", "14pt" → 20, 20, 14); `fallback` when
// there are no digits or the number is below 1.
int LeadingSize(const QString& text, int fallback = 9);
// Registers the Windows Chinese face names as substitutes of the installed CJK faces.
// Call once after the Qt application object exists.
void InstallFontSubstitutions();
// Windows face names offered in font boxes besides the installed families.
QStringList WindowsFaceNames();

} // namespace karvell
