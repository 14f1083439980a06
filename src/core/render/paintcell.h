#pragma once
// Drawing one cell in document pixels on a painter whose transform is already set:
// fill, borders or grey grid lines, diagonals and text. Pictures are drawn by the caller.
#include <QColor>
#include <cstdint>

class QPainter;

namespace karvell {

class TReportCell;

// Pictures are stretched into the cell rectangle inset by this many pixels on each side.
inline constexpr int PICTURE_INSET = 3;

void PaintCell(QPainter& painter, const TReportCell& cell, bool printLook);

} // namespace karvell
