#include "render/paintcell.h"

#include <QPainter>

#include "format/amountformat.h"
#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/gbk.h"
#include "platform/textlayout.h"
#include "render/colorref.h"
#include "render/gdidraw.h"

namespace karvell {
namespace {

const QColor kGridColor(192, 192, 192);
const QColor kBlack(0, 0, 0);
const QColor kColumnLineColor(150, 150, 150);
const QColor kYuanLineColor(200, 40, 40);

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

// Left edge of digit column i of n (i = n gives the right edge).
int ColumnEdge(const TRect& r, int i, int n) {
    return r.left + int((qint64(r.right - r.left) * i + n / 2) / n);
}

// A digit-column cell ("[金额线N]"): N equal columns with thin separators, the one after 元
// (before the two decimals) heavier, as on printed voucher paper.
void DigitColumnLines(GdiBatch& shapes, const TReportCell& cell, const AmountFormat& amount) {
    const TRect& r = cell.CellRect;
    const int n = amount.columns;
    for (int i = 1; i < n; ++i) {
        const int x = ColumnEdge(r, i, n);
        const bool afterYuan = i == n - 2;
        shapes.Line(x, r.top + 1, x, r.bottom, afterYuan ? 2 : 1,
                    afterYuan ? kYuanLineColor : kColumnLineColor);
    }
}

// The text of a digit-column cell right-aligned one character per column, or "#" in every
// column when it has more characters than columns.
void PaintDigitColumnText(QPainter& painter, const TReportCell& cell, const AmountFormat& amount) {
    const TRect& r = cell.CellRect;
    const int n = amount.columns;
    if (cell.CellText.isEmpty()) return;
    const QColor color = ColorFromColorRef(cell.TextColor);
    if (!SpreadsInColumns(amount, cell.CellText)) { // a placeholder or function: as usual
        TextLayout::Draw(painter, cell.LogFont, cell.CellText, cell.TextRect,
                         HAlignFromInt(cell.HorzAlign), color);
        return;
    }
    QString chars = Gbk::Decode(cell.CellText);
    if (chars.size() > n) chars = QString(n, u'#');
    const int first = n - int(chars.size());
    QVector<TRect> columns;
    columns.reserve(chars.size());
    for (int k = 0; k < chars.size(); ++k)
        columns.append(TRect{ColumnEdge(r, first + k, n), cell.TextRect.top,
                             ColumnEdge(r, first + k + 1, n), cell.TextRect.bottom});
    TextLayout::DrawSpread(painter, cell.LogFont, chars, columns, cell.TextRect.top,
                           TRect{r.left, cell.TextRect.top, r.right, cell.TextRect.bottom}, color);
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
    if (ResolveColorRef(cell.BackGroundColor) != RGB(255, 255, 255))
        shapes.FillRect(r.left, r.top + 1, double(r.right) + 1, r.bottom,
                        ColorFromColorRef(cell.BackGroundColor));

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

    // The columns' separators are shapes too, drawn after the cell's own.
    const AmountFormat amount =
        cell.CellDispFormat.isEmpty() ? AmountFormat() : ParseAmountFormat(cell.CellDispFormat);
    if (amount.ValidColumns()) DigitColumnLines(shapes, cell, amount);
    shapes.End();

    if (amount.ValidColumns())
        PaintDigitColumnText(painter, cell, amount);
    else if (!cell.CellText.isEmpty())
        TextLayout::Draw(painter, cell.LogFont, cell.CellText, cell.TextRect,
                         HAlignFromInt(cell.HorzAlign), ColorFromColorRef(cell.TextColor));
    if (background != Qt::TransparentMode) painter.setBackgroundMode(background);
    if (antialias) painter.setRenderHint(QPainter::Antialiasing, true);
}

} // namespace karvell
