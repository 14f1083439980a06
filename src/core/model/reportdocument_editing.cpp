// The document side of the in-place editor: opening, the live update and the commit.
#include "model/editortext.h"
#include "model/reportdocument.h"

namespace karvell {

void TReportDocument::OpenCellEditor(TReportCell* cell) {
    if (!cell) return;
    if (ViewEditBoxVisible()) ViewDestroyEditBox();
    EditingCell = cell;
    ViewOpenEditBox(*cell, EditorText::FromCell(cell->CellText));
}

void TReportDocument::CommitCellEditor() {
    if (!ViewEditBoxVisible()) return;
    bool changed = false;
    if (EditingCell) {
        const QByteArray text = EditorText::ToCell(ViewEditBoxText());
        changed = text != EditingCell->CellText;
        EditingCell->SetCellText(text);
    }
    // No relayout: every live update has laid the document out already.
    ViewDestroyEditBox();
    EditingCell = nullptr;
    if (changed) ViewChanged();
}

void TReportDocument::EditBoxTextChanged() {
    TReportCell* cell = EditingCell;
    if (!cell) return;
    const TRect before = cell->TextRect;
    const QByteArray text = EditorText::ToCell(ViewEditBoxText());
    const bool changed = text != cell->CellText;
    cell->SetCellText(text);
    UpdateLines();
    if (cell->TextRect != before) ViewMoveEditBox(cell->TextRect);
    if (changed) {
        ViewInvalidate(cell->CellRect); // what shows when the box closes
        ViewChanged();
    }
}

} // namespace karvell
