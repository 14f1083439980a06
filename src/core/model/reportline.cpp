#include "model/reportline.h"

#include "model/reportcell.h"
#include "model/reportdocument.h"
#include "platform/dpi.h"

namespace karvell {

TReportLine::~TReportLine() { qDeleteAll(Cells); }

void TReportLine::UpdateLineHeight() {
    MinHeight = 0;
    for (int j = 0; j < Cells.size(); ++j) {
        TReportCell* cell = Cells[j];
        MinHeight = std::max(MinHeight, cell->RequestedHeight());
        cell->CellIndex = j;
        if (j == 0) {
            if (ReportControl)
                cell->SetCellLeft(ReportControl->LeftMarginPx);
        } else {
            const TReportCell* prev = Cells[j - 1];
            cell->SetCellLeft(prev->CellLeft + prev->CellWidth);
        }
    }
}

TRect TReportLine::UpdateLineRect() {
    int width = 0;
    for (int j = 0; j < Cells.size(); ++j) {
        Cells[j]->CellIndex = j;
        Cells[j]->CalcCellTextRect();
        width += Cells[j]->CellWidth;
    }
    TRect r;
    r.left = Cells.isEmpty() ? 0 : Cells.first()->CellLeft;
    r.top = LineTop;
    r.bottom = LineTop + LineHeight();
    r.right = r.left + width;
    LineRect = r;
    return r;
}

void TReportLine::SetLineTop(int top) {
    if (top == LineTop)
        return;
    LineTop = top;
    for (TReportCell* c : Cells)
        c->CalcCellTextRect();
}

void TReportLine::CreateLine(int left, int count, int totalWidth) {
    if (count < 1)
        return;
    const int w = Round05(static_cast<double>(totalWidth) / count);
    for (int j = 0; j < count; ++j) {
        auto* cell = new TReportCell;
        cell->OwnerLine = this;
        cell->CellIndex = j;
        Cells.append(cell);
        cell->SetCellLeft(left + w * j);
        cell->SetCellWidth(w);
    }
}

void TReportLine::CopyLine(TReportLine* source, bool insertBefore) {
    DragHeight = 0;
    MinHeight = 20;
    ReportControl = source->ReportControl;
    for (TReportCell* src : source->Cells) {
        auto* cell = new TReportCell;
        cell->SetOwnerLine(this);
        Cells.append(cell);
        cell->CopyCell(src, insertBefore);
    }
}

void LayoutLineList(const QList<TReportLine*>& lines, int topMarginPx, const LineMovedFn& moved) {
    for (TReportLine* line : lines)
        for (TReportCell* cell : line->Cells)
            if (!cell->OwnedCells.isEmpty())
                cell->CalcMinHeight();
    for (TReportLine* line : lines)
        line->UpdateLineHeight();
    for (int i = 0; i < lines.size(); ++i) {
        TReportLine* line = lines[i];
        line->Index = i;
        if (i == 0)
            line->SetLineTop(topMarginPx);
        else
            line->SetLineTop(lines[i - 1]->LineTop + lines[i - 1]->LineHeight());
        const TRect old = line->LineRect;
        const TRect now = line->UpdateLineRect();
        if (moved)
            moved(line, old, now);
    }
}

} // namespace karvell
