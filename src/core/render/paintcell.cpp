#include "render/paintcell.h"

#include <QPainter>

#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/textlayout.h"
#include "render/gdidraw.h"

namespace karvell {
namespace {

const QColor kGridColor(192, 192, 192);
const QColor kBlack(0, 0, 0);

QColor FromColorRef(COLORREF c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

int Mid(int a, int b) {
    return int((double(a) + double(b)) / 2 + 0.5);
}

// One edge: a black border when it is set; otherwise, in edit look and where `gridHere` allows,
// the grey grid line that shows the cell's outline on screen.
void Edge(GdiBatch& shapes, bool printLook, bool border, int width, bool gridHere, int x1, int y1,
          int x2, int y2) {
    if (border)
        shapes.Line(x1, y1, x2, y2, width, kBlack);
    else if (!printLook && gridHere)
        shapes.Line(x1, y1, x2, y2, 1, kGridColor);
}

} // namespace

void PaintCell(QPainter& painter, const TReportCell& cell, bool printLook) {
    if (cell.OwnerCell) return; // the merge top paints the whole block
    // Only what differs is set and put back: a printer writes its whole state on every save.
    const bool antialias = painter.testRenderHint(QPainter::Antialiasing);
    const Qt::BGMode background = painter.backgroundMode();
    if (antialias) painter.setRenderHint(QPainter::Antialiasing, false);
    if (background != Qt::TransparentMode) painter.setBackgroundMode(Qt::TransparentMode);

    const TRect& r = cell.CellRect;
    // Fill, edges and diagonals in one batch: a printer gets one change of state for them all.
    GdiBatch shapes(painter);
    if (cell.BackGroundColor != RGB(255, 255, 255))
        shapes.FillRect(r.left, r.top + 1, double(r.right) + 1, r.bottom,
                        FromColorRef(cell.BackGroundColor));

    // Neighbours share edges: a cell's left grid line is its left neighbour's right one, and
    // only the first line draws grid lines on top.
    const bool firstInLine = cell.CellIndex == 0;
    const bool firstLine = cell.OwnerLine && cell.OwnerLine->Index == 0;
    Edge(shapes, printLook, cell.LeftLine, cell.LeftLineWidth, firstInLine, r.left, r.top, r.left,
         r.bottom);
    Edge(shapes, printLook, cell.TopLine, cell.TopLineWidth, firstLine, r.left, r.top, r.right,
         r.top);
    Edge(shapes, printLook, cell.RightLine, cell.RightLineWidth, true, r.right, r.top, r.right,
         r.bottom);
    Edge(shapes, printLook, cell.BottomLine, cell.BottomLineWidth, true, r.left, r.bottom, r.right,
         r.bottom);

    const uint32_t d = cell.DiagonalFlags;
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    if (d & DIAG_LT_RB) shapes.Diagonal(L + 1, T + 1, R - 1, B - 1, kBlack);
    if (d & DIAG_LT_RM) shapes.Diagonal(L + 1, T + 1, R - 1, Mid(T, B), kBlack);
    if (d & DIAG_LT_BM) shapes.Diagonal(L + 1, T + 1, Mid(L, R), B - 1, kBlack);
    if (d & DIAG_RT_LB) shapes.Diagonal(R - 1, T + 1, L + 1, B - 1, kBlack);
    if (d & DIAG_RT_LM) shapes.Diagonal(R - 1, T + 1, L + 1, Mid(T, B), kBlack);
    if (d & DIAG_RT_BM) shapes.Diagonal(R - 1, T + 1, Mid(L, R), B - 1, kBlack);

    shapes.End();

    if (!cell.CellText.isEmpty())
        TextLayout::Draw(painter, cell.LogFont, cell.CellText, cell.TextRect,
                         HAlignFromInt(cell.HorzAlign), FromColorRef(cell.TextColor));
    if (background != Qt::TransparentMode) painter.setBackgroundMode(background);
    if (antialias) painter.setRenderHint(QPainter::Antialiasing, true);
}

} // namespace karvell
