#include "model/reportline.h"

#include "model/limits.h"
#include "model/reportcell.h"
#include "model/reportdocument.h"
#include "platform/dpi.h"

#include <algorithm>
#include <vector>

namespace karvell {

TReportLine::~TReportLine() {
    qDeleteAll(Cells);
}

void TReportLine::UpdateLineHeight() {
    MinHeight = 0;
    for (int j = 0; j < Cells.size(); ++j) {
        TReportCell* cell = Cells[j];
        MinHeight = std::max(MinHeight, cell->RequestedHeight());
        cell->CellIndex = j;
        if (j == 0) {
            if (ReportControl) cell->SetCellLeft(ReportControl->LeftMarginPx);
        } else {
            const TReportCell* prev = Cells[j - 1];
            cell->SetCellLeft(ClampEdge(int64_t(prev->CellLeft) + prev->CellWidth));
        }
    }
}

TRect TReportLine::UpdateLineRect() {
    int64_t width = 0;
    for (int j = 0; j < Cells.size(); ++j) {
        Cells[j]->CellIndex = j;
        Cells[j]->CalcCellTextRect();
        width += Cells[j]->CellWidth;
    }
    TRect r;
    r.left = Cells.isEmpty() ? 0 : Cells.first()->CellLeft;
    r.top = LineTop;
    r.bottom = ClampEdge(int64_t(LineTop) + LineHeight());
    r.right = ClampEdge(r.left + width);
    LineRect = r;
    return r;
}

void TReportLine::SetDragHeight(int h) {
    DragHeight = ClampSize(h);
}

void TReportLine::SetLineTop(int top) {
    if (top == LineTop) return;
    LineTop = top;
    for (TReportCell* c : Cells)
        c->CalcCellTextRect();
}

void TReportLine::CreateLine(int left, int count, int totalWidth) {
    if (count < 1) return;
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

namespace {

// The heights and tops that the measuring of merged blocks reads and writes.
std::vector<int32_t> BlockState(const QList<TReportLine*>& lines) {
    std::vector<int32_t> state;
    for (const TReportLine* line : lines) {
        state.push_back(line->LineTop);
        state.push_back(line->MinHeight);
        for (const TReportCell* cell : line->Cells)
            state.push_back(cell->MinCellHeight);
    }
    return state;
}

void LayoutOnce(const QList<TReportLine*>& lines, int topMarginPx, const LineMovedFn& moved,
                bool* hasBlocks) {
    *hasBlocks = false;
    for (TReportLine* line : lines)
        for (TReportCell* cell : line->Cells)
            if (!cell->OwnedCells.isEmpty()) {
                *hasBlocks = true;
                cell->CalcMinHeight();
            }
    for (TReportLine* line : lines)
        line->UpdateLineHeight();
    for (int i = 0; i < lines.size(); ++i) {
        TReportLine* line = lines[i];
        line->Index = i;
        if (i == 0)
            line->SetLineTop(topMarginPx);
        else
            line->SetLineTop(
                ClampEdge(int64_t(lines[i - 1]->LineTop) + lines[i - 1]->LineHeight()));
        const TRect old = line->LineRect;
        const TRect now = line->UpdateLineRect();
        if (moved) moved(line, old, now);
    }
}

} // namespace

void LayoutLineList(const QList<TReportLine*>& lines, int topMarginPx, const LineMovedFn& moved) {
    // Measuring a block reads the line tops and heights of the previous layout (which owned cell
    // is the bottom one, how tall the other lines are), so after an edit a block can need another
    // round to settle. Repeat until a round changes nothing, so that the layout shown is the one
    // a reload of the saved document computes. The rounds are bounded for pathological input.
    constexpr int kMaxRounds = 8;
    bool hasBlocks = false;
    std::vector<int32_t> before = BlockState(lines);
    for (int round = 0; round < kMaxRounds; ++round) {
        LayoutOnce(lines, topMarginPx, moved, &hasBlocks);
        if (!hasBlocks) return;
        std::vector<int32_t> after = BlockState(lines);
        if (after == before) return;
        before = std::move(after);
    }
}

} // namespace karvell
