// The grid window's mouse: Qt's mouse events translated into the document's mouse operations,
// the cursor shapes, Qt's mouse grab in place of the capture loops and the drag line.
#include <QGuiApplication>
#include <QMouseEvent>
#include <optional>
#include <utility>

#include "platform/dpi.h"
#include "reportcontrol.h"

namespace karvell {

namespace {

// The key state the rules test: buttons held and Shift, Ctrl (Alt is not part of it).
int KeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    int state = 0;
    if (buttons & Qt::LeftButton) state |= MK_LBUTTON;
    if (buttons & Qt::RightButton) state |= MK_RBUTTON;
    if (modifiers & Qt::ShiftModifier) state |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) state |= MK_CONTROL;
    return state;
}

Qt::CursorShape QtCursor(MouseCursor cursor) {
    switch (cursor) {
    case MouseCursor::SizeWE:
        return Qt::SizeHorCursor;
    case MouseCursor::SizeNS:
        return Qt::SizeVerCursor;
    case MouseCursor::IBeam:
        return Qt::IBeamCursor;
    case MouseCursor::Arrow:
        break;
    }
    return Qt::ArrowCursor;
}

} // namespace

QPoint TReportControl::DocumentPoint(QPoint windowPos) const {
    if (Zoom == 100 || Zoom <= 0) return windowPos;
    return QPoint(Round05(windowPos.x() * 100.0 / Zoom), Round05(windowPos.y() * 100.0 / Zoom));
}

QRect TReportControl::DragLineRect() const {
    const int pos = m_mouse.DragLinePos();
    if (m_mouse.Tracking() == MouseTracking::LineDrag) return QRect(0, pos, width(), 1);
    return QRect(pos, 0, 1, height());
}

void TReportControl::UpdateCursor(QPoint pos) {
    setCursor(QtCursor(m_mouse.CursorAt(pos)));
}

void TReportControl::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        // The owner hears of the press first and may run its popup menu there, which returns
        // when the menu is done (a command picked acts on the selection it opened on). The
        // release went to the menu, so the context-menu rule runs now, after the menu: an
        // unselected cell under the cursor becomes the selection, a selected one keeps it.
        Q_EMIT MouseDown(Qt::RightButton, event->modifiers(), pos);
        m_mouse.ContextMenu(DocumentPoint(pos));
        return;
    }
    if (event->button() != Qt::LeftButton || m_mouse.Tracking() != MouseTracking::None) return;
    if (m_designKeys) {
        // The press commits an open box (its typing is one step), then whatever the press
        // does (a border drag) is a step of its own.
        if (Zoom == 100 && ViewEditBoxVisible()) CommitCellEditor();
        m_history.Begin();
        m_pressRecorded = true;
    }
    // Where the press is in the document at the zoom it was shown at: a double click whose
    // first press changes the zoom opens that cell, not the one under the pointer afterwards.
    const QPoint pressedDoc = DocumentPoint(pos);
    m_zoomPressDoc.reset();
    const PressOutcome outcome =
        m_mouse.LeftPress(pos, KeyState(event->buttons(), event->modifiers()));
    if (outcome == PressOutcome::ZoomRestored) {
        m_zoomPressDoc = pressedDoc;
        if (m_pressRecorded) {
            m_pressRecorded = false;
            m_history.End();
        }
        repaint();
        return;
    }
    m_pressPos = pos;
    m_pressModifiers = event->modifiers();
    if (m_mouse.IsDragging()) {
        setCursor(m_mouse.Tracking() == MouseTracking::LineDrag ? Qt::SizeVerCursor
                                                                : Qt::SizeHorCursor);
        update(DragLineRect());
    }
    // Qt's grab stands in for the capture loop: moves and the release come here wherever the
    // mouse goes, and painting goes on. The offscreen platform has no grab (Qt's implicit grab
    // of the pressed button does the same there).
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) grabMouse();
}

void TReportControl::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_mouse.Tracking() == MouseTracking::None) {
        UpdateCursor(pos);
        return;
    }
    const bool dragging = m_mouse.IsDragging();
    const QRect before = dragging ? DragLineRect() : QRect();
    m_mouse.Move(pos, KeyState(event->buttons(), event->modifiers()));
    if (dragging) {
        // Only the old and the new drag line are repainted, never the page.
        const QRect now = DragLineRect();
        if (now != before) {
            update(before);
            update(now);
        }
    }
}

void TReportControl::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_mouse.Tracking() != MouseTracking::None) {
        m_mouse.Move(pos, KeyState(event->buttons() | Qt::LeftButton, event->modifiers()));
        FinishTracking();
        UpdateCursor(pos);
        return;
    }
}

void TReportControl::mouseDoubleClickEvent(QMouseEvent* event) {
    // Its own event: no second press, commit or selection.
    if (event->button() == Qt::RightButton) {
        mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton || m_mouse.Tracking() != MouseTracking::None) return;
    const std::optional<QPoint> zoomPress = std::exchange(m_zoomPressDoc, std::nullopt);
    if (zoomPress) {
        m_mouse.DoubleClick(*zoomPress);
        return;
    }
    m_mouse.DoubleClick(DocumentPoint(event->position().toPoint()));
}

bool TReportControl::event(QEvent* event) {
    // Losing the grab ends the tracking as a release would; a drag is applied at the last
    // clamped position.
    if (event->type() == QEvent::UngrabMouse && m_mouse.Tracking() != MouseTracking::None)
        FinishTracking();
    return QWidget::event(event);
}

void TReportControl::FinishTracking() {
    const bool dragging = m_mouse.IsDragging();
    const QRect line = dragging ? DragLineRect() : QRect();
    const ReleaseOutcome outcome = m_mouse.Release();
    if (m_pressRecorded) {
        m_pressRecorded = false;
        m_history.End();
    }
    if (mouseGrabber() == this) releaseMouse();
    if (dragging) update(line);
    if (outcome == ReleaseOutcome::DragApplied) Q_EMIT BorderDragApplied();
    Q_EMIT MouseDown(Qt::LeftButton, m_pressModifiers, m_pressPos);
}

} // namespace karvell
