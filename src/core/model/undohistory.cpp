#include "model/undohistory.h"

#include "model/invariants.h"
#include "model/reportdocument.h"
#include "model/templatestream.h"
#include "platform/printer.h"

namespace karvell {
namespace {

// The paper fields that loading puts into the printer and saving takes from it (none without
// a printer). Read without touching the DEVMODE, as TakePrinterPaper would.
std::optional<TemplateTrailer> PrinterPaper() {
    if (!HasPrinter()) return std::nullopt;
    const DEVMODE* dm = LockPrinterDevMode();
    TemplateTrailer paper;
    paper.PaperSize = dm->dmPaperSize;
    paper.PaperOrientation = dm->dmOrientation;
    paper.PaperLength = dm->dmPaperLength;
    paper.PaperWidth = dm->dmPaperWidth;
    return paper;
}

bool SamePaper(const std::optional<TemplateTrailer>& a, const std::optional<TemplateTrailer>& b) {
    if (!a || !b) return a.has_value() == b.has_value();
    return a->PaperSize == b->PaperSize && a->PaperOrientation == b->PaperOrientation &&
           a->PaperLength == b->PaperLength && a->PaperWidth == b->PaperWidth;
}

QPair<int, int> Where(const TReportCell* cell) {
    if (!cell || !cell->OwnerLine) return {-1, -1};
    return {cell->OwnerLine->Index, cell->CellIndex};
}

TReportCell* CellAt(const TReportDocument& d, QPair<int, int> at) {
    if (at.first < 0 || at.first >= d.Lines.size()) return nullptr;
    const TReportLine* line = d.Lines[at.first];
    if (at.second < 0 || at.second >= line->Cells.size()) return nullptr;
    return line->Cells[at.second];
}

} // namespace

TUndoHistory::TUndoHistory(TReportDocument& document, int limit, qsizetype byteLimit)
    : m_document(document), m_limit(std::max(1, limit)),
      m_byteLimit(std::max<qsizetype>(1, byteLimit)) {}

qsizetype TUndoHistory::SizeOf(const State& state) {
    return state.stream.size() + qsizetype(sizeof(State)) +
           state.selection.size() * qsizetype(sizeof(QPair<int, int>));
}

void TUndoHistory::PushUndo(State state) {
    m_bytes += SizeOf(state);
    m_undo.append(std::move(state));
}

void TUndoHistory::PushRedo(State state) {
    m_bytes += SizeOf(state);
    m_redo.append(std::move(state));
}

TUndoHistory::State TUndoHistory::PopUndo() {
    State state = m_undo.takeLast();
    m_bytes -= SizeOf(state);
    return state;
}

TUndoHistory::State TUndoHistory::PopRedo() {
    State state = m_redo.takeLast();
    m_bytes -= SizeOf(state);
    return state;
}

void TUndoHistory::Trim() {
    // The farthest redo steps are the least likely to be wanted, then the oldest undo steps.
    while (m_bytes > m_byteLimit && m_redo.size() > 1)
        m_bytes -= SizeOf(m_redo.takeFirst());
    while (m_undo.size() > 1 && (m_undo.size() > m_limit || m_bytes > m_byteLimit))
        m_bytes -= SizeOf(m_undo.takeFirst());
}

TUndoHistory::State TUndoHistory::Capture() const {
    State s;
    s.stream = m_document.Snapshot();
    s.printerPaper = PrinterPaper();
    for (const TReportCell* cell : std::as_const(m_document.SelectedCells))
        s.selection.append(Where(cell));
    s.focus = Where(m_document.FocusCell);
    s.id = m_currentId;
    return s;
}

void TUndoHistory::Restore(const State& state) {
    m_document.RestoreSnapshot(state.stream);
    if (state.printerPaper && HasPrinter()) PutPaperIntoPrinter(*state.printerPaper);
    // The selection comes back where its cells still exist.
    for (const QPair<int, int>& at : state.selection)
        if (TReportCell* cell = CellAt(m_document, at); cell && !cell->OwnerCell)
            m_document.AddSelectedCell(cell);
    if (TReportCell* focus = CellAt(m_document, state.focus))
        m_document.FocusCell = m_document.LastSelectedCell = focus;
    m_currentId = state.id;
    AssertInvariants(m_document, "an undo step");
}

void TUndoHistory::Begin() {
    if (m_depth++ == 0) m_pending = Capture();
}

bool TUndoHistory::End() {
    if (m_depth == 0 || --m_depth > 0) return false;
    State before = std::move(*m_pending);
    m_pending.reset();
    if (before.stream == m_document.Snapshot() && SamePaper(before.printerPaper, PrinterPaper()))
        return false;
    for (const State& state : std::as_const(m_redo))
        m_bytes -= SizeOf(state);
    m_redo.clear();
    PushUndo(std::move(before));
    Trim();
    m_currentId = m_nextId++;
    if (OnChanged) OnChanged();
    return true;
}

bool TUndoHistory::Undo() {
    if (m_undo.isEmpty() || m_depth > 0) return false;
    State now = Capture();
    const State back = PopUndo();
    Restore(back);
    PushRedo(std::move(now));
    Trim();
    if (OnChanged) OnChanged();
    return true;
}

bool TUndoHistory::Redo() {
    if (m_redo.isEmpty() || m_depth > 0) return false;
    State now = Capture();
    const State forward = PopRedo();
    Restore(forward);
    PushUndo(std::move(now));
    Trim();
    if (OnChanged) OnChanged();
    return true;
}

void TUndoHistory::Clear(bool saved) {
    m_undo.clear();
    m_redo.clear();
    m_bytes = 0;
    m_pending.reset();
    m_depth = 0;
    m_currentId = m_nextId++;
    m_savedId = saved ? m_currentId : -1;
    if (OnChanged) OnChanged();
}

} // namespace karvell
