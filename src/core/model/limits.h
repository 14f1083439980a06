#pragma once
// How large a document may be. One set of limits serves the editing operations (which clamp
// to them), the template reader (which refuses what lies outside them) and the writer (which
// only ever meets values the operations and the layout produce): whatever is saved loads again,
// and whatever loads can be painted and printed.
#include <QSize>
#include <algorithm>
#include <cstdint>

#include "platform/dpi.h"

namespace karvell {

// A page is at most 16,384 px a side: 4.3 m of paper at 96 px per inch, more than the longest
// paper a printer's settings can describe (3,276.7 mm).
inline constexpr int32_t MAX_PAGE_PX = 16384;
// A size the user gives (cell width, dragged line height, border width, cell margin, a margin
// in pixels) is at most a page.
inline constexpr int32_t MAX_SIZE_PX = MAX_PAGE_PX;
// Margins in whole millimetres: their pixel value stays within a page.
inline constexpr int32_t MAX_MARGIN_MM = MAX_PAGE_PX * 25 / LOGPIXELSX;
// Positions and measured heights (line tops, rectangles, the height a text needs) are sums over
// many lines and cells; the layout clamps them here so that no sum overflows 32 bits.
inline constexpr int32_t MAX_EDGE_PX = 1 << 28;
// Stored positions and rectangles: a clamped sum plus a height or a shift stays below this, and
// the arithmetic on them before the next relayout stays inside 32 bits.
inline constexpr int32_t MAX_POSITION_PX = 1 << 30;
// A template stream is at most 256 MiB; the reader refuses a longer one before reading it.
inline constexpr int64_t MAX_TEMPLATE_BYTES = int64_t(256) << 20;
// An image painted from a page (PNG output, offscreen rendering) has at most 64 Mi pixels
// (256 MiB in 32-bit colour).
inline constexpr int64_t MAX_IMAGE_PIXELS = int64_t(64) << 20;

inline int32_t ClampEdge(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, -MAX_EDGE_PX, MAX_EDGE_PX));
}
// A size from an operation: 0 … MAX_SIZE_PX.
inline int32_t ClampSize(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, 0, MAX_SIZE_PX));
}
inline int32_t ClampMarginMm(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, 0, MAX_MARGIN_MM));
}
inline bool ImageSizeAllowed(const QSize& size) {
    return size.width() > 0 && size.height() > 0 &&
           int64_t(size.width()) * size.height() <= MAX_IMAGE_PIXELS;
}

} // namespace karvell
