#include "model/widthwriteback.h"

#include "model/reportdocument.h"

namespace karvell {

bool WriteColumnWidthsBack(TReportDocument& grid, int detailLineIndex, QIODevice* pageStream) {
    if (!grid.ShowingPages || detailLineIndex == 0 || grid.KarvellEdit) return false;
    if (!grid.StoreColumnWidths(detailLineIndex)) return false; // beyond the 40 × 40 table
    if (!pageStream) return true;
    // The stored page takes the widths through a document of its own; reloading the shown grid
    // from the stream would throw away the user's other touch-ups of the page.
    TReportDocument page;
    page.ColumnWidths = grid.ColumnWidths;
    page.WidthLineCount = grid.WidthLineCount;
    page.ApplyColumnWidths(*pageStream);
    return true;
}

} // namespace karvell
