#include "render/colorref.h"

#include <array>

namespace karvell {
namespace {

// System colour indexes 0 … 30 in the standard desktop scheme.
constexpr std::array<COLORREF, 31> kSystemColors = {
    RGB(200, 200, 200), // 0 scroll bar
    RGB(0, 128, 128),   // 1 background (desktop)
    RGB(0, 84, 227),    // 2 active caption
    RGB(122, 150, 223), // 3 inactive caption
    RGB(236, 233, 216), // 4 menu
    RGB(255, 255, 255), // 5 window
    RGB(0, 0, 0),       // 6 window frame
    RGB(0, 0, 0),       // 7 menu text
    RGB(0, 0, 0),       // 8 window text
    RGB(255, 255, 255), // 9 caption text
    RGB(212, 208, 200), // 10 active border
    RGB(212, 208, 200), // 11 inactive border
    RGB(128, 128, 128), // 12 application workspace
    RGB(49, 106, 197),  // 13 highlight
    RGB(255, 255, 255), // 14 highlight text
    RGB(236, 233, 216), // 15 button face
    RGB(172, 168, 153), // 16 button shadow
    RGB(172, 168, 153), // 17 grey text
    RGB(0, 0, 0),       // 18 button text
    RGB(216, 228, 248), // 19 inactive caption text
    RGB(255, 255, 255), // 20 button highlight
    RGB(113, 111, 100), // 21 3-D dark shadow
    RGB(241, 239, 226), // 22 3-D light
    RGB(0, 0, 0),       // 23 tooltip text
    RGB(255, 255, 225), // 24 tooltip background
    RGB(181, 181, 181), // 25 (unused)
    RGB(0, 0, 128),     // 26 hot-tracked item
    RGB(61, 149, 255),  // 27 gradient active caption
    RGB(157, 185, 235), // 28 gradient inactive caption
    RGB(49, 106, 197),  // 29 menu highlight
    RGB(236, 233, 216), // 30 menu bar
};

} // namespace

COLORREF SysColorRgb(int index) {
    if (index < 0 || index >= int(kSystemColors.size())) return RGB(0, 0, 0);
    return kSystemColors[size_t(index)];
}

COLORREF ResolveColorRef(COLORREF c) {
    if (IsSystemColor(c)) return SysColorRgb(int(c & 0xFF));
    return c & 0x00FFFFFFu;
}

QColor ColorFromColorRef(COLORREF c) {
    const COLORREF rgb = ResolveColorRef(c);
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

COLORREF ColorRefFromColor(const QColor& color) {
    return RGB(color.red(), color.green(), color.blue());
}

} // namespace karvell
