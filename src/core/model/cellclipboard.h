#pragma once
// Copying cells between places of a template and from spreadsheets: the selected cells as a
// small template stream (texts and formats: font, colours, alignment, borders, diagonals,
// display format; never widths, heights, merges or pictures) and as tab-separated text.
#include <QByteArray>
#include <QString>

#include "model/reportdocument.h"

namespace karvell {

// The clipboard format of copied cells; the stream is a template of one line per copied row.
inline constexpr const char* CELLS_MIME_TYPE = "application/x-karvell-cells";
// Larger clipboards are not cells copied from a template: they are ignored.
inline constexpr int MAX_CLIPBOARD_BYTES = 4 * 1024 * 1024;

struct CopiedCells {
    QByteArray stream; // empty when nothing is selected
    QString text;      // rows by line, cells separated by tabs
};

// The selected cells, grouped by line and ordered as they stand in their lines.
CopiedCells CopyCells(const TReportDocument& document);

// Pastes from the current cell rightwards and downwards into existing cells only: covered cells
// are skipped, no cell is created and no merge broken. Answers the cells changed; a stream that
// cannot be read changes nothing and answers 0.
int PasteCells(TReportDocument& document, const QByteArray& stream);
// Tab-separated text (a spreadsheet's copy) into the texts of the same cells. Characters that
// GBK cannot hold are dropped, texts are cut at 3000 bytes on a character boundary.
int PasteText(TReportDocument& document, const QString& text);

// Cut: copy, then clear the texts of the selection.
CopiedCells CutCells(TReportDocument& document);

} // namespace karvell
