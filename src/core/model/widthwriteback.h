#pragma once
// The column-width write-back of a preview that shows produced pages: after a border drag on a
// page, the page's widths go into the width table and from there into the page's stream, so the
// widths survive paging. The shown grid is left as the user left it: text typed and lines
// inserted on the page a moment earlier stay on the screen.
class QIODevice;

namespace karvell {

class TReportDocument;

// Runs when the grid shows pages (`ShowingPages`), the detail line index is not 0 and the grid
// is not in design mode (`KarvellEdit`); the caller has checked that the grid sits in a preview
// of a report runtime. `pageStream` is the shown page's stream, or none when the preview does
// not show streams. Answers whether the widths were stored. Throws KarvellError when the stream
// cannot be read or written.
bool WriteColumnWidthsBack(TReportDocument& grid, int detailLineIndex, QIODevice* pageStream);

} // namespace karvell
