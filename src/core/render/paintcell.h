#pragma once
// Drawing one cell in document pixels on a painter whose transform is already set:
// fill, borders or grey grid lines, diagonals and text. Pictures are drawn by the caller.
#include <QColor>
#include <cstdint>

#include "platform/rect.h"

class QPainter;

namespace karvell {

class TReportCell;

// Pictures are stretched into the cell rectangle inset by this many pixels on each side.
inline constexpr int PICTURE_INSET = 3;

void PaintCell(QPainter& painter, const TReportCell& cell, bool printLook);

// Where the selection highlight of a cell goes, in document pixels: inside the pixels its own
// border lines (or the grey grid line and a neighbour's 1-px line on its left and top) cover,
// with a 1-px gap, so that a selected cell keeps every border visible, also between two
// selected cells. Empty for a cell too small to have an inside.
TRect SelectionArea(const TReportCell& cell);

} // namespace karvell
