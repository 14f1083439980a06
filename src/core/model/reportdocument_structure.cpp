// Structural editing: new table, lines and cells added, inserted and deleted, cells combined
// (joined in a line, merged vertically across lines), merges undone and cells split.
#include <QSet>
#include <algorithm>

#include "model/reportdocument.h"
#include "platform/dpi.h"

namespace karvell {

namespace {
int IndexInLine(const TReportCell* cell) {
    return cell->OwnerLine ? cell->OwnerLine->Cells.indexOf(const_cast<TReportCell*>(cell)) : -1;
}
} // namespace

void TReportDocument::Restructured() {
    // Borders, split and merge lines move with a structural change in ways the line-moved
    // rule does not see (the old split positions on a line's top border): the page is small,
    // so all of it is repainted.
    UpdateLines();
    ViewRepaintAll();
}

bool TReportDocument::NewTable(int columns, int rows) {
    if (!Lines.isEmpty()) return false;
    if (columns < 1 || rows < 1) return true;
    const int width = m_windowSize.width() - LeftMarginPx - RightMarginPx;
    auto* line = new TReportLine;
    line->ReportControl = this;
    line->SetLineTop(TopMarginPx);
    line->CreateLine(LeftMarginPx, columns, width);
    line->Index = 0;
    Lines.append(line);
    InvalidateLine(line->UpdateLineRect());
    for (int i = 1; i < rows; ++i) {
        AddLine();
        InvalidateLine(Lines.last()->UpdateLineRect());
    }
    UpdateLines();
    return true;
}

void TReportDocument::AddLine() {
    if (!CanAddLine() || Lines.isEmpty()) return;
    TReportLine* last = Lines.last();
    auto* line = new TReportLine;
    line->ReportControl = this;
    line->SetLineTop(last->LineTop + last->LineHeight());
    line->CopyLine(last, false);
    Lines.append(line);
    line->Index = Lines.size() - 1;
    Restructured();
}

void TReportDocument::InsertLine() {
    if (!HasSelection()) return;
    TReportLine* source = SelectedCells.first()->OwnerLine;
    const int at = Lines.indexOf(source);
    if (at < 0) return;
    auto* line = new TReportLine;
    line->ReportControl = this;
    line->SetLineTop(source->LineTop);
    line->CopyLine(source, true);
    line->Index = at;
    Lines.insert(at, line);
    Restructured();
}

void TReportDocument::DeleteLine() {
    if (!HasSelection()) return;
    QSet<TReportLine*> marked;
    for (TReportCell* cell : SelectedCells)
        marked.insert(cell->OwnerLine);
    // The current cell outlives the selection: when its line goes, the cell in its column of
    // the line that takes the place (or of the new last line) becomes current, so that the
    // commands that need one (添加行) still act.
    int focusLine = -1, focusColumn = 0;
    if (FocusCell && marked.contains(FocusCell->OwnerLine)) {
        focusColumn = FocusCell->CellIndex;
        focusLine = 0;
        for (TReportLine* line : std::as_const(Lines)) {
            if (line == FocusCell->OwnerLine) break;
            if (!marked.contains(line)) ++focusLine;
        }
    }
    ClearSelection();
    for (int i = Lines.size() - 1; i >= 0; --i) {
        TReportLine* line = Lines[i];
        if (!marked.contains(line)) continue;
        InvalidateLine(line->LineRect);
        for (TReportCell* cell : line->Cells) {
            if (cell->OwnerCell) cell->OwnerCell->RemoveOwnedCell(cell);
            if (!cell->OwnedCells.isEmpty()) cell->RemoveAllOwnedCells();
        }
        Lines.removeAt(i);
        DestroyLine(line);
    }
    Restructured();
    if (focusLine >= 0 && !FocusCell && !Lines.isEmpty()) {
        const TReportLine* line = Lines[std::min<int>(focusLine, Lines.size() - 1)];
        if (!line->Cells.isEmpty()) {
            TReportCell* cell = line->Cells[std::min<int>(focusColumn, line->Cells.size() - 1)];
            FocusCell = LastSelectedCell = cell->OwnerCell ? cell->OwnerCell : cell;
        }
    }
}

void TReportDocument::AddCell() {
    if (SelectedCells.size() != 1) return;
    TReportLine* line = SelectedCells.first()->OwnerLine;
    TReportCell* last = line->Cells.last();
    auto* cell = new TReportCell;
    cell->SetOwnerLine(line);
    cell->CopyCell(last, false);
    // A cell placed beside a merged block is not part of it: a block holds one cell per line.
    // Measured as the plain cell it is, not with the height copied from the block's cell.
    if (cell->OwnerCell) {
        cell->OwnerCell->RemoveOwnedCell(cell);
        cell->CalcMinHeight();
    }
    cell->SetCellLeft(last->CellRect.right);
    line->Cells.append(cell);
    Restructured();
}

void TReportDocument::InsertCell() {
    if (SelectedCells.size() != 1) return;
    TReportCell* selected = SelectedCells.first();
    TReportLine* line = selected->OwnerLine;
    auto* cell = new TReportCell;
    cell->SetOwnerLine(line);
    cell->CopyCell(selected, false);
    if (cell->OwnerCell) { // a plain cell, as in AddCell
        cell->OwnerCell->RemoveOwnedCell(cell);
        cell->CalcMinHeight();
    }
    line->Cells.insert(IndexInLine(selected), cell);
    Restructured();
}

void TReportDocument::DeleteCell() {
    if (!HasSelection()) return;
    QSet<TReportCell*> destroyed;
    auto destroy = [&](TReportCell* cell) {
        if (cell->OwnerCell && !destroyed.contains(cell->OwnerCell))
            cell->OwnerCell->RemoveOwnedCell(cell);
        if (cell->OwnerLine) cell->OwnerLine->Cells.removeOne(cell);
        RemoveSelectedCell(cell);
        ForgetCell(cell);
        destroyed.insert(cell);
        delete cell;
    };
    const QList<TReportCell*> selection = SelectedCells;
    for (int i = selection.size() - 1; i >= 0; --i) {
        TReportCell* cell = selection[i];
        if (destroyed.contains(cell)) continue;
        const QList<TReportCell*> owned = cell->OwnedCells;
        cell->OwnedCells.clear();
        for (TReportCell* o : owned)
            if (!destroyed.contains(o)) {
                o->OwnerCell = nullptr;
                destroy(o);
            }
        destroy(cell);
    }
    SelectedCells.clear();
    for (int i = Lines.size() - 1; i >= 0; --i)
        if (Lines[i]->Cells.isEmpty()) delete Lines.takeAt(i);
    Restructured();
}

void TReportDocument::CombineCell() {
    const int n = SelectedCells.size();
    if (n < 2) return;
    // Whole blocks take part.
    for (int i = 0; i < n; ++i)
        for (TReportCell* owned : SelectedCells[i]->OwnedCells)
            if (!SelectedCells.contains(owned)) SelectedCells.append(owned);

    struct TMyRect {
        int32_t left = 65535, top = 0, right = 0, bottom = 0;
    };
    QVector<TMyRect> extents(Lines.size());
    for (const TReportCell* cell : SelectedCells) {
        TMyRect& r = extents[Lines.indexOf(cell->OwnerLine)];
        r.left = std::min(r.left, cell->CellLeft);
        r.right = std::max(r.right, cell->CellRect.right);
    }
    int left = -1, right = -1;
    for (const TMyRect& r : extents) {
        if (r.left == 65535) continue;
        if (left < 0) {
            left = r.left;
            right = r.right;
        } else if (r.left != left || r.right != right) {
            SelectedCells.resize(n); // not a rectangle: nothing is combined
            return;
        }
    }

    QList<TReportCell*> survivors;
    for (int i = 0; i < Lines.size(); ++i) {
        if (extents[i].left == 65535) continue;
        TReportLine* line = Lines[i];
        TReportCell* survivor = nullptr;
        QList<TReportCell*> collected;
        for (TReportCell* cell : line->Cells) {
            if (!SelectedCells.contains(cell)) continue;
            if (!survivor) {
                survivor = cell;
                continue;
            }
            survivor->SetCellWidth(survivor->CellWidth + cell->CellWidth);
            collected.append(cell);
        }
        survivors.append(survivor);
        for (int k = collected.size() - 1; k >= 0; --k) {
            TReportCell* cell = collected[k];
            // Detach it from any block first, so no cell keeps a link to it.
            if (cell->OwnerCell) cell->OwnerCell->RemoveOwnedCell(cell);
            if (!cell->OwnedCells.isEmpty()) cell->RemoveAllOwnedCells();
            line->Cells.removeOne(cell);
            RemoveSelectedCell(cell);
            ForgetCell(cell);
            delete cell;
        }
    }

    TReportCell* top = survivors.first();
    // A survivor still covered by a block that takes no part leaves it: a cell has one merge
    // top, and the new merge top must not be an owned cell itself.
    if (survivors.size() > 1)
        for (TReportCell* cell : survivors)
            if (cell->OwnerCell && !survivors.contains(cell->OwnerCell))
                cell->OwnerCell->RemoveOwnedCell(cell);
    for (int i = 1; i < survivors.size(); ++i)
        top->AddOwnedCell(survivors[i]);
    for (const TReportCell* cell : survivors)
        ViewInvalidate(cell->CellRect);
    ClearSelection();
    AddSelectedCell(top);
    Restructured();
}

bool TReportDocument::CanSplitCell() const {
    return SelectedCells.size() == 1 && !SelectedCells.first()->OwnedCells.isEmpty();
}

void TReportDocument::SplitCell() {
    if (!CanSplitCell()) return;
    TReportCell* top = SelectedCells.first();
    ClearSelection();
    AddSelectedCell(top);
    for (const TReportCell* owned : top->OwnedCells)
        ViewInvalidate(owned->CellRect);
    top->RemoveAllOwnedCells();
    Restructured();
}

void TReportDocument::VSplitCell(int count) {
    if (SelectedCells.size() != 1 || count < 1) return;
    TReportCell* cell = SelectedCells.first();
    if (cell->OwnerCell) // only plain cells and merge tops are split
        return;
    ViewInvalidate(cell->CellRect);
    const int width = cell->CellRect.Width();
    const int n = std::max(1, std::min(count, Round05(width / 12.0)));
    const int w = width / n;
    const int r = width % n;
    cell->SetCellWidth(w);
    for (TReportCell* owned : cell->OwnedCells)
        owned->SetCellWidth(w);
    TReportLine* line = cell->OwnerLine;
    for (int i = 1; i < n; ++i) {
        auto* part = new TReportCell;
        part->CopyCell(cell, false);
        part->SetOwnerLine(line);
        if (i == n - 1) part->SetCellWidth(w + r);
        line->Cells.insert(IndexInLine(cell) + 1, part);
        for (TReportCell* owned : cell->OwnedCells) {
            auto* below = new TReportCell;
            below->CopyCell(part, false);
            part->AddOwnedCell(below);
            below->SetOwnerLine(owned->OwnerLine);
            owned->OwnerLine->Cells.insert(IndexInLine(owned) + 1, below);
        }
    }
    Restructured();
}

} // namespace karvell
