#pragma once
// The cell property dialogs as the designer and the template editor both run them: the border
// dialog filled from the current cell, and the font dialog with its colour choice. One
// implementation for both windows; each window keeps its own unsaved mark.
#include <optional>

#include "borderform.h"
#include "model/reportcell.h"

class QWidget;

namespace karvell {

class TReportDocument;

// The border values of a cell: its four flags and line widths.
BorderValues BorderValuesOf(const TReportCell& cell);

// The border dialog filled from `cell`; on OK its values for every selected cell. Answers
// whether the dialog was confirmed.
bool RunBorderDialog(QWidget* parent, TReportDocument& grid, const TReportCell& cell);

// The font dialog (with the colour choice) on `start` and `color`, an RGB value or a symbolic
// system colour; on OK the chosen font and colour go to every selected cell and into `start`
// and `color`. Answers whether the dialog was confirmed.
bool RunFontDialog(TReportDocument& grid, LOGFONTA& start, COLORREF& color);

} // namespace karvell
