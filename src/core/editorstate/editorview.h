#pragma once
// The template editor's view rules: the zoom that fits the page into the window, where the
// grid stands in its scroll box, and where the next data-set field window goes.
#include <QPoint>
#include <QSize>

namespace karvell {

// FitToWindow: per direction 100 when the page fits the window less its bars (160 px of
// height, 171 px of width), else the truncated ratio in percent; the smaller of both. The
// caller applies its lowest zoom.
int EditorFitZoom(QSize outerWindowSize, QSize pageSize);

// CenterGrid: left (W − w − 20) div 2 when w + 20 < W, else 30; top t + 5 with
// t = (H − 150 − h) div 2 when t > 0, else 5. W is the window's client width, H its outer
// height.
QPoint EditorGridPos(int clientWidth, int outerWindowHeight, QSize gridSize);

// Field windows: 120 × 140 px, eight to a row from the screen's top left corner.
inline constexpr int FIELD_WINDOW_WIDTH = 120;
inline constexpr int FIELD_WINDOW_HEIGHT = 140;

// The screen position of the window for slot (column, row), which then moves on to the next
// slot: the column grows while the left was at most 780, else a new row begins.
QPoint TakeFieldWindowSlot(int& column, int& row);

} // namespace karvell
