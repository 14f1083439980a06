// Document state, page metrics, relayout and the selection list.
#include "model/reportdocument.h"

#include <QSizeF>
#include <algorithm>

#include "model/invariants.h"
#include "model/limits.h"
#include "platform/dpi.h"
#include "platform/printer.h"

namespace karvell {

TReportDocument::TReportDocument() {
    LeftMarginPx = MmToPx(LeftMargin);
    RightMarginPx = MmToPx(RightMargin);
    TopMarginPx = MmToPx(TopMargin);
    BottomMarginPx = MmToPx(BottomMargin);
    UpdatePageSize();
}

TReportDocument::~TReportDocument() {
    SelectedCells.clear();
    FocusCell = LastSelectedCell = EditingCell = nullptr;
    qDeleteAll(Lines);
    Lines.clear();
}

void TReportDocument::UpdatePageSize() {
    PrinterService& printers = PrinterService::Instance();
    const bool hasPrinter = printers.HasPrinter();
    if (!hasPrinter && CachedPageWidth != 0) {
        PageWidth = CachedPageWidth;
        PageHeight = CachedPageHeight;
    }
    if (CachedPageWidth == 0) {
        if (hasPrinter) {
            const QSize dots = printers.PrintableDots();
            PageWidth = Round05(static_cast<double>(dots.width()) / printers.DpiX() * LOGPIXELSX);
            PageHeight = Round05(static_cast<double>(dots.height()) / printers.DpiY() * LOGPIXELSY);
            PageWidth = std::clamp(PageWidth, 1, MAX_PAGE_PX);
            PageHeight = std::clamp(PageHeight, 1, MAX_PAGE_PX);
        } else {
            PageWidth = 768;
            PageHeight = 1058;
        }
    }
    CachedPageWidth = PageWidth;
    CachedPageHeight = PageHeight;
    m_windowSize = QSize(Round05(PageWidth * Zoom / 100.0), Round05(PageHeight * Zoom / 100.0));
    ViewResize(m_windowSize.width(), m_windowSize.height());
}

void TReportDocument::InvalidateLine(const TRect& r) {
    ViewInvalidate({r.left, r.top, r.right + 1, r.bottom + 1});
}

void TReportDocument::UpdateLines() {
    const int clientBottom = ViewClientBottom();
    LayoutLineList(Lines, TopMarginPx, [&](TReportLine* line, const TRect& old, const TRect& now) {
        const bool moved = old.left != now.left || old.top != now.top || old.right != now.right;
        const bool grew = old.bottom != now.bottom && now.top <= clientBottom;
        if (!moved && !grew) return;
        for (TReportCell* cell : line->Cells)
            if (cell->OwnerCell) ViewInvalidate(cell->OwnerCell->CellRect);
        InvalidateLine(old);
        InvalidateLine(now);
    });
    // Every structural operation ends here: the place to catch one that broke the structure.
    AssertInvariants(*this, "UpdateLines");
}

void TReportDocument::SetMargin(int left, int top, int right, int bottom) {
    // Held to the limits every saved template is read back with.
    left = ClampMarginMm(left);
    top = ClampMarginMm(top);
    right = ClampMarginMm(right);
    bottom = ClampMarginMm(bottom);
    if (left == LeftMargin && top == TopMargin && right == RightMargin && bottom == BottomMargin)
        return;
    LeftMargin = left;
    TopMargin = top;
    RightMargin = right;
    BottomMargin = bottom;
    LeftMarginPx = MmToPx(left);
    TopMarginPx = MmToPx(top);
    RightMarginPx = MmToPx(right);
    BottomMarginPx = MmToPx(bottom);
    UpdateLines();
    ViewRepaintAll();
}

TRect TReportDocument::GetMargin() const {
    return {LeftMargin, TopMargin, RightMargin, BottomMargin};
}

void TReportDocument::SetZoom(int percent) {
    Zoom = percent;
    UpdatePageSize();
    ViewRepaintAll();
}

void TReportDocument::ResetContent() {
    SelectedCells.clear();
    FocusCell = LastSelectedCell = nullptr;
    if (EditingCell) {
        ViewDestroyEditBox();
        EditingCell = nullptr;
    }
    ++m_removals;
    qDeleteAll(Lines);
    Lines.clear();
    ViewRepaintAll();
}

TReportCell* TReportDocument::CellFromPoint(QPoint p) const {
    TReportCell* answer = nullptr;
    for (TReportLine* line : Lines) {
        if (p.y() < line->LineTop || p.y() > line->LineTop + line->LineHeight()) continue;
        for (TReportCell* cell : line->Cells) {
            if (cell->CellRect.Contains(p.x(), p.y())) {
                answer = cell->OwnerCell ? cell->OwnerCell : cell;
                break;
            }
        }
    }
    return answer;
}

bool TReportDocument::AddSelectedCell(TReportCell* cell) {
    if (!cell || SelectedCells.contains(cell)) return false;
    SelectedCells.append(cell);
    LastSelectedCell = FocusCell = cell;
    SelectedFont = cell->LogFont;
    ViewInvert(cell->CellRect);
    return true;
}

bool TReportDocument::IsCellSelected(const TReportCell* cell) const {
    return cell && SelectedCells.contains(const_cast<TReportCell*>(cell));
}

bool TReportDocument::RemoveSelectedCell(TReportCell* cell) {
    if (!IsCellSelected(cell)) return false;
    ViewInvert(cell->CellRect);
    SelectedCells.removeOne(cell);
    return true;
}

void TReportDocument::ClearSelection() {
    while (!SelectedCells.isEmpty())
        RemoveSelectedCell(SelectedCells.first());
}

void TReportDocument::CancelEdit() {
    if (ViewEditBoxVisible() && EditingCell) {
        ViewDestroyEditBox();
        EditingCell = nullptr;
    }
}

void TReportDocument::ForgetCell(const TReportCell* cell) {
    if (!cell) return;
    ++m_removals;
    SelectedCells.removeAll(const_cast<TReportCell*>(cell));
    if (FocusCell == cell) FocusCell = nullptr;
    if (LastSelectedCell == cell) LastSelectedCell = nullptr;
    if (EditingCell == cell) {
        ViewDestroyEditBox();
        EditingCell = nullptr;
    }
}

void TReportDocument::CellChanged(const TReportCell* cell) {
    for (; cell; cell = cell->OwnerCell) {
        const TRect& r = cell->CellRect;
        ViewInvalidate({r.left - 1, r.top - 1, r.right + 1, r.bottom + 1});
    }
}

void TReportDocument::DestroyLine(TReportLine* line) {
    for (TReportCell* cell : line->Cells)
        ForgetCell(cell);
    delete line;
}

} // namespace karvell
