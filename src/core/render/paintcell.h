#pragma once
// Drawing one cell in document pixels on a painter whose transform is already set:
// fill, borders or grey grid lines, diagonals and text. Pictures are drawn by the caller.
class QPainter;

namespace karvell {

class TReportCell;

void PaintCell(QPainter& painter, const TReportCell& cell, bool printLook);

} // namespace karvell
