#pragma once
// One line of the report: a row of cells laid side by side.
#include <QList>
#include <functional>

#include "platform/rect.h"

namespace karvell {

class TReportCell;
class TReportDocument;

class TReportLine {
public:
    TReportLine() = default;
    ~TReportLine(); // frees its cells
    TReportLine(const TReportLine&) = delete;
    TReportLine& operator=(const TReportLine&) = delete;

    TReportDocument* ReportControl = nullptr; // none for lines held by the report runtime
    QList<TReportCell*> Cells;
    int32_t Index = 0;
    int32_t MinHeight = 0;
    int32_t DragHeight = 0;
    int32_t LineTop = 0;
    TRect LineRect;

    int LineHeight() const { return MinHeight > DragHeight ? MinHeight : DragHeight; }
    void UpdateLineHeight();
    TRect UpdateLineRect();
    void SetLineTop(int top);
    // Held to 0 … MAX_SIZE_PX, the limits every saved template is read back with.
    void SetDragHeight(int h);
    // Appends count (>= 1) new cells of width ⌊total / count + 0.5⌋ starting at left.
    void CreateLine(int left, int count, int totalWidth);
    void CopyLine(TReportLine* source, bool insertBefore);
};

// The three layout passes over a list of lines (merge tops measure, lines take their heights,
// lines are numbered and stacked from `topMarginPx`), repeated while merged blocks still settle.
// Calls `moved(line, oldRect, newRect)` for every line after it is laid out, when given. Used by
// the grid and by the report runtime.
using LineMovedFn = std::function<void(TReportLine*, const TRect& oldRect, const TRect& newRect)>;
void LayoutLineList(const QList<TReportLine*>& lines, int topMarginPx,
                    const LineMovedFn& moved = {});

} // namespace karvell
