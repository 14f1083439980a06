#include "render/paintcell.h"

#include <QPainter>

#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/textlayout.h"
#include "render/colorref.h"
#include "render/gdidraw.h"

namespace karvell {
namespace {

const QColor kGridColor(192, 192, 192);
const QColor kBlack(0, 0, 0);

int Mid(int a, int b) {
    return int((double(a) + double(b)) / 2 + 0.5);
}

// One edge: a black border when it is set; otherwise, in edit look and where `gridHere` allows,
// the grey grid line that shows the cell's outline on screen.
void Edge(QPainter& painter, bool printLook, bool border, int width, bool gridHere, int x1, int y1,
          int x2, int y2) {
    if (border)
        GdiLine(painter, x1, y1, x2, y2, width, kBlack);
    else if (!printLook && gridHere)
        GdiLine(painter, x1, y1, x2, y2, 1, kGridColor);
}

} // namespace

QColor FromColorRef(uint32_t c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

void PaintCell(QPainter& painter, const TReportCell& cell, bool printLook) {
    if (cell.OwnerCell) return; // the merge top paints the whole block
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBackgroundMode(Qt::TransparentMode);

    const TRect& r = cell.CellRect;
    if (ResolveColorRef(cell.BackGroundColor) != RGB(255, 255, 255))
        GdiFillRect(painter, r.left, r.top + 1, double(r.right) + 1, r.bottom,
                    ColorFromColorRef(cell.BackGroundColor));

    // Neighbours share edges: a cell's left grid line is its left neighbour's right one, and
    // only the first line draws grid lines on top.
    const bool firstInLine = cell.CellIndex == 0;
    const bool firstLine = cell.OwnerLine && cell.OwnerLine->Index == 0;
    Edge(painter, printLook, cell.LeftLine, cell.LeftLineWidth, firstInLine, r.left, r.top, r.left,
         r.bottom);
    Edge(painter, printLook, cell.TopLine, cell.TopLineWidth, firstLine, r.left, r.top, r.right,
         r.top);
    Edge(painter, printLook, cell.RightLine, cell.RightLineWidth, true, r.right, r.top, r.right,
         r.bottom);
    Edge(painter, printLook, cell.BottomLine, cell.BottomLineWidth, true, r.left, r.bottom, r.right,
         r.bottom);

    const uint32_t d = cell.DiagonalFlags;
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    if (d & DIAG_LT_RB) GdiDiagonal(painter, L + 1, T + 1, R - 1, B - 1, kBlack);
    if (d & DIAG_LT_RM) GdiDiagonal(painter, L + 1, T + 1, R - 1, Mid(T, B), kBlack);
    if (d & DIAG_LT_BM) GdiDiagonal(painter, L + 1, T + 1, Mid(L, R), B - 1, kBlack);
    if (d & DIAG_RT_LB) GdiDiagonal(painter, R - 1, T + 1, L + 1, B - 1, kBlack);
    if (d & DIAG_RT_LM) GdiDiagonal(painter, R - 1, T + 1, L + 1, Mid(T, B), kBlack);
    if (d & DIAG_RT_BM) GdiDiagonal(painter, R - 1, T + 1, Mid(L, R), B - 1, kBlack);

    if (!cell.CellText.isEmpty())
        TextLayout::Draw(painter, cell.LogFont, cell.CellText, cell.TextRect,
                         HAlignFromInt(cell.HorzAlign), ColorFromColorRef(cell.TextColor));
    painter.restore();
}

} // namespace karvell
