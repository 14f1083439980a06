#pragma once
// Fitting a page into a window and centring it, shared by the designer's main window and the
// preview window: both fit the page with the same allowances for their bars and borders.
#include <QPoint>
#include <QSize>

class QWidget;

namespace karvell {

// The smallest zoom the windows set; fitting and zooming out never go below it.
inline constexpr int MIN_PAGE_ZOOM = 10;

// The zoom (percent) at which a page of pageSize document pixels fits a window of the given
// outer size: 100 when it fits already, else the truncated ratio, height less 110 and width
// less 170 for the window's bars; the smaller of both.
int FitZoomPercent(QSize outerWindowSize, QSize pageSize);

// The zoom at which a page fits a scroll area of `area` pixels (measured, whatever the bars
// around it take) with a 10 px margin on every side; never below MIN_PAGE_ZOOM, never above 100.
int FitZoomToArea(QSize area, QSize pageSize);

// Where the grid goes inside its scroll box: centred horizontally in the window's client
// width (else 23 from the left), and vertically by the window's outer height (at least 10).
QPoint CenteredPagePos(int clientWidth, int outerWindowHeight, QSize gridSize);

// The window's size including its frame (what the design calls the window's width and height).
QSize OuterSize(const QWidget* window);

} // namespace karvell
