#pragma once
// The colours a design stores: an RGB value (0x00BBGGRR) or, with bit 31 set, the index of a
// system colour in the low bits (the framework's symbolic form, e.g. 0x80000008 for the window
// text). Every place that draws a cell colour — the screen, the printer, the PDF output and the
// in-place editor — turns a stored value into a colour through ColorFromColorRef, so a symbolic
// value is never drawn as a raw number. Template files keep the value exactly as stored.
#include <QColor>
#include <cstdint>

#include "model/reportcell.h"

namespace karvell {

inline constexpr COLORREF SYS_COLOR_FLAG = 0x80000000u;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWTEXT = 8;
// The window-text colour in its symbolic form.
inline constexpr COLORREF clWindowText = SYS_COLOR_FLAG | COLOR_WINDOWTEXT;

inline constexpr bool IsSystemColor(COLORREF c) {
    return (c & SYS_COLOR_FLAG) != 0;
}
// The RGB value of a system colour index (the standard desktop scheme: window text black,
// window white, …); unknown indexes give black.
COLORREF SysColorRgb(int index);
// A stored value as plain RGB: symbolic values resolved, the unused top byte of RGB values
// ignored.
COLORREF ResolveColorRef(COLORREF c);
// A stored value as the colour to draw.
QColor ColorFromColorRef(COLORREF c);
// A drawn colour as an RGB value.
COLORREF ColorRefFromColor(const QColor& color);

} // namespace karvell
