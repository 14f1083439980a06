#include "model/navigation.h"

namespace karvell {
namespace {

TReportCell* FirstCellFrom(const TReportDocument& d, int lineIndex, int cellIndex, int step) {
    for (int l = lineIndex; l >= 0 && l < d.Lines.size(); l += step) {
        const QList<TReportCell*>& cells = d.Lines[l]->Cells;
        int c = l == lineIndex ? cellIndex : (step > 0 ? 0 : int(cells.size()) - 1);
        for (; c >= 0 && c < cells.size(); c += step)
            if (!cells[c]->OwnerCell) return cells[c];
    }
    return nullptr;
}

} // namespace

TReportCell* NeighbourCell(const TReportDocument& d, const TReportCell* from, CellMove move) {
    if (!from || !from->OwnerLine) return nullptr;
    const TRect& r = from->CellRect;
    const int cx = (r.left + r.right) / 2;
    // Sideways moves stay in the cell's own line, also from a block spanning several.
    const int cy = from->OwnerLine->LineTop + from->OwnerLine->LineHeight() / 2;
    TReportCell* hit = nullptr;
    switch (move) {
    case CellMove::Left:
        hit = d.CellFromPoint(QPoint(r.left - 1, cy));
        break;
    case CellMove::Right: // the right edge belongs to the next cell
        hit = d.CellFromPoint(QPoint(r.right, cy));
        break;
    case CellMove::Up:
        hit = d.CellFromPoint(QPoint(cx, r.top - 1));
        break;
    case CellMove::Down:
        hit = d.CellFromPoint(QPoint(cx, r.bottom));
        break;
    case CellMove::Next:
        return FirstCellFrom(d, from->OwnerLine->Index, from->CellIndex + 1, 1);
    case CellMove::Previous:
        return FirstCellFrom(d, from->OwnerLine->Index, from->CellIndex - 1, -1);
    }
    return hit == from ? nullptr : hit;
}

namespace {

// The current cell when it is still in the document (a covered one stands for its block).
TReportCell* FocusedCell(const TReportDocument& d) {
    TReportCell* cell = d.FocusCell;
    for (const TReportLine* line : d.Lines)
        if (cell && line->Cells.contains(cell)) return cell->OwnerCell ? cell->OwnerCell : cell;
    return nullptr;
}

} // namespace

TReportCell* CurrentCell(const TReportDocument& d) {
    TReportCell* cell = FocusedCell(d);
    return cell ? cell : FirstCellFrom(d, 0, 0, 1);
}

bool MoveCurrentCell(TReportDocument& d, CellMove move, bool extend) {
    // Without a current cell the first key only makes the first cell current.
    TReportCell* from = FocusedCell(d);
    TReportCell* to = from ? NeighbourCell(d, from, move) : FirstCellFrom(d, 0, 0, 1);
    if (!to) return false;
    if (!extend) d.ClearSelection();
    if (!d.AddSelectedCell(to)) d.FocusCell = d.LastSelectedCell = to;
    return true;
}

bool ClearSelectedTexts(TReportDocument& d) {
    bool changed = false;
    for (TReportCell* cell : std::as_const(d.SelectedCells)) {
        if (cell->CellText.isEmpty()) continue;
        cell->SetCellText(QByteArray());
        changed = true;
    }
    if (changed) d.UpdateLines();
    return changed;
}

} // namespace karvell
