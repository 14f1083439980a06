#pragma once
// The report grid as an accessible table, so screen readers and UI test tools can read and
// drive it: rows are the document's lines, columns the cells of a line; a merged block is one
// cell spanning its lines. Cell texts, positions, selection and the current cell are exposed.
class QWidget;

namespace karvell {

class TReportControl;

// Installs the accessibility factory for the grid (once per process).
void InstallGridAccessibility();

// The grid tells assistive technology that its current cell or its selection changed.
void NotifyGridFocusChanged(TReportControl* grid);
void NotifyGridSelectionChanged(TReportControl* grid);

} // namespace karvell
