// The designer's and the editor's grid: undo and redo, the keyboard and the clipboard. Keys act
// only at zoom 100 % and only while no edit box is open (the box then takes them itself).
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>

#include "celleditbox.h"
#include "model/cellclipboard.h"
#include "model/navigation.h"
#include "reportaccessible.h"
#include "reportcontrol.h"

namespace karvell {

void TReportControl::SetDesignKeys(bool on) {
    m_designKeys = on;
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
    m_history.OnChanged =
        on ? std::function<void()>([this] { Q_EMIT HistoryChanged(); }) : std::function<void()>();
    m_history.Clear();
}

template <typename F> void TReportControl::KeyChange(F&& change) {
    bool changed = false;
    m_history.Change([&] { changed = change(); });
    if (changed) ViewChanged();
}

bool TReportControl::Undo() {
    return HistoryStep(false);
}

bool TReportControl::Redo() {
    return HistoryStep(true);
}

bool TReportControl::HistoryStep(bool redo) {
    if (!m_designKeys) return false;
    if (ViewEditBoxVisible()) CommitCellEditor();
    if (m_mouse.Tracking() != MouseTracking::None) return false;
    return redo ? m_history.Redo() : m_history.Undo();
}

void TReportControl::CopySelection() {
    const CopiedCells copied = CopyCells(*this);
    if (copied.stream.isEmpty()) return;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(CELLS_MIME_TYPE), copied.stream);
    mime->setText(copied.text);
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TReportControl::CutSelection() {
    CopySelection();
    KeyChange([this] { return ClearSelectedTexts(*this); });
}

void TReportControl::PasteClipboard() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (!mime) return;
    const QString cells = QString::fromLatin1(CELLS_MIME_TYPE);
    KeyChange([&] {
        if (mime->hasFormat(cells)) return PasteCells(*this, mime->data(cells)) > 0;
        return mime->hasText() && PasteText(*this, mime->text()) > 0;
    });
}

bool TReportControl::focusNextPrevChild(bool next) {
    // Tab and Shift+Tab move along the line instead of leaving the grid.
    if (m_designKeys && !ViewEditBoxVisible()) return false;
    return QWidget::focusNextPrevChild(next);
}

void TReportControl::keyPressEvent(QKeyEvent* event) {
    if (m_designKeys && !ViewEditBoxVisible() && GridKey(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TReportControl::GridKey(QKeyEvent* event) {
    if (Zoom != 100) {
        // As a press does: the first key only returns to 100 %.
        SetZoom(100);
        repaint();
        return true;
    }
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return true;
    }
    if (event->matches(QKeySequence::Cut)) {
        CutSelection();
        return true;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteClipboard();
        return true;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const Qt::KeyboardModifiers other =
        event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (other) return false; // Ctrl and Alt keys belong to the window's commands
    std::optional<CellMove> move;
    switch (event->key()) {
    case Qt::Key_Left:
        move = CellMove::Left;
        break;
    case Qt::Key_Right:
        move = CellMove::Right;
        break;
    case Qt::Key_Up:
        move = CellMove::Up;
        break;
    case Qt::Key_Down:
        move = CellMove::Down;
        break;
    case Qt::Key_Tab:
        move = CellMove::Next;
        break;
    case Qt::Key_Backtab:
        move = CellMove::Previous;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (TReportCell* cell = CurrentCell(*this); cell && cell->CellWidth > 10) {
            if (!IsCellSelected(cell)) {
                ClearSelection();
                AddSelectedCell(cell);
            }
            OpenCellEditor(cell);
        }
        return true;
    case Qt::Key_Delete:
        KeyChange([this] { return ClearSelectedTexts(*this); });
        return true;
    case Qt::Key_Escape:
        // Taken here, so that a dialog holding the grid does not close past its question.
        ClearSelection();
        NotifyGridSelectionChanged(this);
        return true;
    default:
        return false;
    }
    const bool extend = shift && event->key() != Qt::Key_Backtab && event->key() != Qt::Key_Tab;
    if (MoveCurrentCell(*this, *move, extend)) {
        NotifyGridFocusChanged(this);
        Q_EMIT CurrentCellMoved();
    }
    return true;
}

bool TReportControl::eventFilter(QObject* watched, QEvent* event) {
    if (m_editBox && watched == static_cast<QObject*>(m_editBox.data()) &&
        event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        RevertEditBox();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TReportControl::RevertEditBox() {
    TReportCell* cell = EditingCell;
    if (!cell) return;
    const bool changed = cell->CellText != m_editOriginal;
    cell->SetCellText(m_editOriginal);
    // The live update has laid out the typed text: lay out the restored one.
    UpdateLines();
    ViewInvalidate(cell->CellRect);
    CancelEdit();
    if (changed) ViewChanged();
}

} // namespace karvell
