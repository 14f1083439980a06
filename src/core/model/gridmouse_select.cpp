// Mouse editing, part one: hit testing, the cursor, the press, selection tracking with the
// rubber band, the double click and the right-button rule.
#include <algorithm>
#include <cstdlib>

#include "model/gridmouse.h"
#include "model/reportdocument.h"

namespace karvell {

namespace {

// Windows' IntersectRect: a non-empty overlap; touching edges do not count.
bool Intersects(const TRect& a, const TRect& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) &&
           std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

} // namespace

CellHit TGridMouse::HitTest(QPoint p) const {
    CellHit hit;
    hit.cell = m_doc.CellFromPoint(p);
    if (!hit.cell) return hit;
    const TRect& r = hit.cell->CellRect;
    hit.onColumnBorder = std::abs(r.right - p.x()) <= BORDER_TOLERANCE;
    hit.onLineBorder = std::abs(r.bottom - p.y()) <= BORDER_TOLERANCE;
    return hit;
}

MouseCursor TGridMouse::CursorAt(QPoint p) const {
    const CellHit hit = HitTest(p);
    if (!hit.cell) return MouseCursor::Arrow;
    if (hit.onColumnBorder) return MouseCursor::SizeWE;
    if (hit.onLineBorder) return MouseCursor::SizeNS;
    return MouseCursor::IBeam;
}

PressOutcome TGridMouse::LeftPress(QPoint p, int keyState) {
    if (m_doc.Zoom != 100) {
        m_doc.SetZoom(100);
        return PressOutcome::ZoomRestored;
    }
    m_doc.CommitCellEditor();
    const CellHit hit = HitTest(p);
    if (hit.cell && hit.OnBorder()) {
        StartMouseDrag(p);
        return PressOutcome::Dragging;
    }
    StartMouseSelect(p, keyState);
    return PressOutcome::Selecting;
}

void TGridMouse::StartMouseSelect(QPoint p, int keyState) {
    if (keyState != (MK_LBUTTON | MK_SHIFT)) m_doc.ClearSelection();
    m_pressed = m_doc.CellFromPoint(p);
    m_removals = m_doc.RemovalCount();
    m_doc.AddSelectedCell(m_pressed);
    m_doc.LastMousePos = p; // the anchor of the rubber band
    m_tracking = MouseTracking::Select;
}

void TGridMouse::UpdateSelectRect(QPoint p, int keyState) {
    const QPoint a = m_doc.LastMousePos;
    TRect band{std::min(a.x(), p.x()), std::min(a.y(), p.y()), std::max(a.x(), p.x()),
               std::max(a.y(), p.y())};
    if (band.right == band.left) band.right += 1;
    if (band.bottom == band.top) band.bottom += 1;

    if (keyState != (MK_LBUTTON | MK_SHIFT)) {
        for (qsizetype i = m_doc.SelectedCells.size() - 1; i >= 0; --i) {
            if (i >= m_doc.SelectedCells.size()) continue;
            TReportCell* cell = m_doc.SelectedCells[i];
            if (!Intersects(cell->CellRect, band)) m_doc.RemoveSelectedCell(cell);
        }
    }
    for (TReportLine* line : std::as_const(m_doc.Lines)) {
        if (!Intersects(line->LineRect, band)) continue;
        for (TReportCell* cell : std::as_const(line->Cells)) {
            if (!Intersects(cell->CellRect, band)) continue;
            TReportCell* wanted = cell->OwnerCell ? cell->OwnerCell : cell;
            if (!m_doc.IsCellSelected(wanted)) m_doc.AddSelectedCell(wanted);
        }
    }
}

void TGridMouse::Move(QPoint p, int keyState) {
    switch (m_tracking) {
    case MouseTracking::None:
        return;
    case MouseTracking::Select:
        if (!CellsIntact()) m_pressed = nullptr;
        m_removals = m_doc.RemovalCount();
        m_doc.AddSelectedCell(m_pressed); // keeps the pressed cell selected
        UpdateSelectRect(p, keyState);
        return;
    case MouseTracking::LineDrag:
    case MouseTracking::ColumnDrag:
        m_doc.LastMousePos = p;
        Clamp();
        return;
    }
}

ReleaseOutcome TGridMouse::Release() {
    MouseTracking was = m_tracking;
    // The document may have been changed under the press (a page loaded): the cells taken at
    // the press are never touched then.
    if (!CellsIntact()) was = MouseTracking::None;
    m_tracking = MouseTracking::None;
    ReleaseOutcome outcome = ReleaseOutcome::None;
    if (was == MouseTracking::Select) outcome = ReleaseOutcome::Selected;
    if (was == MouseTracking::LineDrag)
        outcome = ApplyLineDrag() ? ReleaseOutcome::DragApplied : ReleaseOutcome::DragRefused;
    if (was == MouseTracking::ColumnDrag)
        outcome = ApplyColumnDrag() ? ReleaseOutcome::DragApplied : ReleaseOutcome::DragRefused;
    m_pressed = m_n0 = nullptr;
    m_listed.clear();
    if (outcome == ReleaseOutcome::DragApplied) m_doc.NotifyChanged();
    return outcome;
}

bool TGridMouse::CellsIntact() const {
    return m_doc.RemovalCount() == m_removals;
}

bool TGridMouse::DoubleClick(QPoint p) {
    m_doc.ClearSelection();
    TReportCell* cell = m_doc.CellFromPoint(p);
    if (!cell || cell->CellWidth <= MIN_EDIT_WIDTH) return false;
    m_doc.OpenCellEditor(cell);
    return true;
}

void TGridMouse::ContextMenu(QPoint p) {
    TReportCell* cell = m_doc.CellFromPoint(p);
    if (m_doc.IsCellSelected(cell)) return;
    m_doc.ClearSelection();
    if (cell) m_doc.AddSelectedCell(cell);
}

} // namespace karvell
