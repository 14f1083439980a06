// Mouse editing, part two: the line-border and column-border drags.
#include <algorithm>
#include <cstdlib>

#include "model/gridmouse.h"
#include "model/reportdocument.h"

namespace karvell {

namespace {

TReportCell* RightNeighbour(const TReportCell* cell) {
    const TReportLine* line = cell ? cell->OwnerLine : nullptr;
    if (!line) return nullptr;
    const qsizetype i = line->Cells.indexOf(const_cast<TReportCell*>(cell));
    return i >= 0 && i + 1 < line->Cells.size() ? line->Cells[i + 1] : nullptr;
}

bool IsLastInLine(const TReportCell* cell) {
    return !cell->OwnerLine || cell->OwnerLine->Cells.isEmpty() ||
           cell->OwnerLine->Cells.last() == cell;
}

TRect Grown(const TRect& r) {
    return {r.left, r.top, r.right + 1, r.bottom + 1};
}

} // namespace

void TGridMouse::StartMouseDrag(QPoint p) {
    m_pressed = m_doc.CellFromPoint(p);
    m_removals = m_doc.RemovalCount();
    m_doc.LastMousePos = p;
    m_listed.clear();
    m_n0 = nullptr;
    if (!m_pressed) {
        m_tracking = MouseTracking::None;
        return;
    }
    const QSize window = m_doc.WindowSize();
    if (std::abs(m_pressed->CellRect.bottom - p.y()) <= BORDER_TOLERANCE) {
        // The line border wins at the corner, although the cursor there shows the column shape.
        m_tracking = MouseTracking::LineDrag;
        m_low = m_pressed->CellTop() + LINE_DRAG_TOP_GAP;
        m_high = window.height() - LINE_DRAG_BOTTOM_GAP;
    } else {
        m_tracking = MouseTracking::ColumnDrag;
        ChooseColumnCells();
    }
    Clamp();
}

void TGridMouse::ChooseColumnCells() {
    const QSize window = m_doc.WindowSize();
    const int x0 = m_pressed->CellRect.right;
    m_n0 = RightNeighbour(m_pressed);
    m_low = m_pressed->CellLeft + MIN_DRAG_WIDTH;
    m_high =
        m_n0 ? m_n0->CellLeft + m_n0->CellWidth - MIN_DRAG_WIDTH : window.width() - MIN_DRAG_WIDTH;

    auto list = [this](TReportCell* cell) {
        m_listed.append(cell);
        m_low = std::max(m_low, cell->CellLeft + MIN_DRAG_WIDTH);
        if (const TReportCell* n = RightNeighbour(cell))
            m_high = std::min(m_high, n->CellRect.right - MIN_DRAG_WIDTH);
    };
    const bool wholeColumn = m_doc.SelectedCells.isEmpty() ||
                             (!m_doc.IsCellSelected(m_pressed) && !m_doc.IsCellSelected(m_n0) &&
                              !(m_n0 && m_doc.IsCellSelected(m_n0->OwnerCell)));
    for (TReportLine* line : std::as_const(m_doc.Lines)) {
        for (TReportCell* cell : std::as_const(line->Cells)) {
            if (cell->CellRect.right != x0) continue;
            if (wholeColumn) {
                list(cell);
                continue;
            }
            // Selection mode: only the first such cell of a line, when it or its right
            // neighbour is selected.
            if (m_doc.IsCellSelected(cell) || m_doc.IsCellSelected(RightNeighbour(cell)))
                list(cell);
            break;
        }
    }
}

void TGridMouse::Clamp() {
    QPoint& p = m_doc.LastMousePos;
    int v = m_tracking == MouseTracking::LineDrag ? p.y() : p.x();
    if (v > m_high) v = m_high;
    if (v < m_low) v = m_low;
    if (m_tracking == MouseTracking::LineDrag)
        p.setY(v);
    else
        p.setX(v);
}

int TGridMouse::DragLinePos() const {
    return m_tracking == MouseTracking::LineDrag ? m_doc.LastMousePos.y() : m_doc.LastMousePos.x();
}

bool TGridMouse::ApplyLineDrag() {
    if (!m_pressed) return false;
    TReportCell* target = m_pressed;
    for (TReportCell* owned : std::as_const(m_pressed->OwnedCells))
        if (target == m_pressed || owned->CellTop() > target->CellTop()) target = owned;
    TReportLine* line = target->OwnerLine;
    if (!line) return false;
    target->CalcMinHeight();
    // A drag above a lower line of a merged block asks for no height at all.
    line->SetDragHeight(std::max(0, m_doc.LastMousePos.y() - line->LineTop));
    m_doc.UpdateLines();
    return true;
}

bool TGridMouse::ApplyColumnDrag() {
    if (m_listed.isEmpty()) return false;
    QList<TReportCell*> cells = m_listed;
    for (const TReportCell* listed : std::as_const(m_listed))
        cells.append(listed->OwnedCells);

    // Refusal A: the first cell's right neighbour is the lower part of a merged cell.
    TReportCell* first = cells.first();
    const TReportCell* next = IsLastInLine(first) ? m_n0 : RightNeighbour(first);
    if (next && next->OwnerCell) return false;
    // Refusal B: a right neighbour reaches below the cells moved.
    int bottom = INT32_MIN;
    for (const TReportCell* c : std::as_const(cells))
        bottom = std::max(bottom, c->CellRect.bottom);
    const TReportCell* neighbour = nullptr;
    for (const TReportCell* c : std::as_const(cells)) {
        if (const TReportCell* n = RightNeighbour(c)) neighbour = n;
        if (neighbour && neighbour->CellRect.bottom > bottom) return false;
    }

    const int x = m_doc.LastMousePos.x();
    for (TReportCell* c : std::as_const(cells)) {
        const int delta = x - (c->CellLeft + c->CellWidth);
        const TRect before = c->CellRect;
        const int width = c->CellWidth;
        c->SetCellWidth(x - c->CellLeft);
        if (c->CellWidth != width) {
            m_doc.ViewInvalidate(Grown(before));
            m_doc.ViewInvalidate(Grown(c->CellRect));
        }
        if (TReportCell* n = RightNeighbour(c)) {
            const TRect nBefore = n->CellRect;
            const int nWidth = n->CellWidth;
            n->SetCellLeft(n->CellLeft + delta);
            n->SetCellWidth(n->CellWidth - delta);
            if (n->CellWidth != nWidth) {
                m_doc.ViewInvalidate(Grown(nBefore));
                m_doc.ViewInvalidate(Grown(n->CellRect));
            }
        }
    }
    m_doc.UpdateLines();
    return true;
}

} // namespace karvell
