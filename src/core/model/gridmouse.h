#pragma once
// Mouse editing of the report grid as headless document operations: hit testing and border
// zones, the cursor shape, selection by click, Shift-click and rubber band, line- and
// column-border drags, the double click that opens the in-place editor and the right-button
// rule. The grid window, `karvell apply` and the tests all drive this code through the same
// entry points (press, move, release), with points in document pixels (client pixels at zoom
// 100) and the key state of the mouse message.
#include <QList>
#include <QPoint>
#include <cstdint>

namespace karvell {

class TReportCell;
class TReportDocument;

// Key state bits of a mouse message, as the rules test them (Alt is not part of it).
inline constexpr int MK_LBUTTON = 1;
inline constexpr int MK_RBUTTON = 2;
inline constexpr int MK_SHIFT = 4;
inline constexpr int MK_CONTROL = 8;

// A point at most this far from a cell's right or bottom edge is on that border.
inline constexpr int BORDER_TOLERANCE = 3;
// Closest a column border comes to the left edge of a moved cell or the right edge of a shrunk
// neighbour.
inline constexpr int MIN_DRAG_WIDTH = 10;
// A line's bottom border stays this far below the line's top, and this far above the window's
// bottom.
inline constexpr int LINE_DRAG_TOP_GAP = 5;
inline constexpr int LINE_DRAG_BOTTOM_GAP = 10;
// Cells this wide or narrower are not edited in place.
inline constexpr int MIN_EDIT_WIDTH = 10;

struct CellHit {
    TReportCell* cell = nullptr; // a merge top when an owned cell was hit
    bool onColumnBorder = false;
    bool onLineBorder = false;
    bool OnBorder() const { return onColumnBorder || onLineBorder; }
};

enum class MouseCursor { Arrow, SizeWE, SizeNS, IBeam };

enum class MouseTracking { None, Select, LineDrag, ColumnDrag };

enum class PressOutcome {
    ZoomRestored, // the grid went back to zoom 100; nothing else happens for this press
    Selecting,
    Dragging,
};

enum class ReleaseOutcome { None, Selected, DragApplied, DragRefused };

class TGridMouse {
public:
    explicit TGridMouse(TReportDocument& doc) : m_doc(doc) {}

    CellHit HitTest(QPoint p) const;
    // The cursor shape for the mouse at p: the column border wins at a cell's corner.
    MouseCursor CursorAt(QPoint p) const;

    // Left press: restores zoom 100 (and stops), or commits an open edit box and starts the
    // selection or, on a border, a border drag.
    PressOutcome LeftPress(QPoint p, int keyState);
    // A mouse move while a press is tracked (nothing otherwise).
    void Move(QPoint p, int keyState);
    // The button went up or the grab was lost: a drag is applied at the last clamped position.
    ReleaseOutcome Release();
    // Clears the selection and opens the editor on the cell under p when it is wider than
    // MIN_EDIT_WIDTH; answers whether it did.
    bool DoubleClick(QPoint p);
    // Right-button release: a selected cell under p keeps the selection, an unselected one
    // becomes the selection, no cell clears it.
    void ContextMenu(QPoint p);

    MouseTracking Tracking() const { return m_tracking; }
    bool IsDragging() const {
        return m_tracking == MouseTracking::LineDrag || m_tracking == MouseTracking::ColumnDrag;
    }
    // Where the drag line is: y of a line drag, x of a column drag.
    int DragLinePos() const;
    // The bounds of the drag line.
    int DragLow() const { return m_low; }
    int DragHigh() const { return m_high; }
    // The cells a column drag moves, as chosen at the press.
    const QList<TReportCell*>& DraggedCells() const { return m_listed; }

    // The steps themselves (public for the tests).
    void StartMouseSelect(QPoint p, int keyState);
    void UpdateSelectRect(QPoint p, int keyState);
    void StartMouseDrag(QPoint p);

private:
    // False when cells were destroyed since the press: the references taken then are stale.
    bool CellsIntact() const;
    void ChooseColumnCells();
    void Clamp();
    bool ApplyLineDrag();
    bool ApplyColumnDrag();

    TReportDocument& m_doc;
    MouseTracking m_tracking = MouseTracking::None;
    TReportCell* m_pressed = nullptr; // the cell of the press (none outside every cell)
    TReportCell* m_n0 = nullptr;      // its right neighbour, for a column drag
    QList<TReportCell*> m_listed;
    int m_low = 0;
    int m_high = 0;
    uint64_t m_removals = 0; // the document's RemovalCount at the press
};

} // namespace karvell
