#pragma once
// Moving the current cell with the keyboard, over the document's geometry: merged blocks count
// as one cell, and a move never lands on a covered cell.
#include "model/reportdocument.h"

namespace karvell {

enum class CellMove { Left, Right, Up, Down, Next, Previous };

// The cell a move from `from` reaches, or none at the document's edge. Next and Previous go
// along the line and on to the following or preceding line.
TReportCell* NeighbourCell(const TReportDocument& document, const TReportCell* from, CellMove move);

// The cell keys act on: the current cell, else the first cell of the document.
TReportCell* CurrentCell(const TReportDocument& document);

// The current cell moves; `extend` adds the cell reached to the selection, otherwise it becomes
// the selection. False (nothing changed) at the edge or in an empty document.
bool MoveCurrentCell(TReportDocument& document, CellMove move, bool extend);

// Delete: the texts of the selected cells become empty. False when no text changed.
bool ClearSelectedTexts(TReportDocument& document);

} // namespace karvell
