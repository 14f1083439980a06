#include "pagefit.h"

#include <QWidget>
#include <algorithm>

namespace karvell {

namespace {
int FitOneWay(int available, int page) {
    if (page <= available) return 100;
    if (page <= 0) return 100;
    return static_cast<int>(static_cast<double>(available) / page * 100);
}
} // namespace

int FitZoomPercent(QSize outerWindowSize, QSize pageSize) {
    const int zh = FitOneWay(outerWindowSize.height() - 110, pageSize.height());
    const int zw = FitOneWay(outerWindowSize.width() - 170, pageSize.width());
    return std::max(MIN_PAGE_ZOOM, std::min(zh, zw));
}

int FitZoomToArea(QSize area, QSize pageSize) {
    const int zh = FitOneWay(area.height() - 20, pageSize.height());
    const int zw = FitOneWay(area.width() - 20, pageSize.width());
    return std::max(MIN_PAGE_ZOOM, std::min(zh, zw));
}

QPoint CenteredPagePos(int clientWidth, int outerWindowHeight, QSize gridSize) {
    const int left =
        clientWidth > gridSize.width() + 20 ? (clientWidth - gridSize.width() - 20) / 2 : 23;
    const int t = (outerWindowHeight - 110 - gridSize.height()) / 2 + 10;
    return QPoint(left, t > 10 ? t : 10);
}

QSize OuterSize(const QWidget* window) {
    const QSize frame = window->frameGeometry().size();
    return frame.isValid() && !frame.isEmpty() ? frame : window->size();
}

} // namespace karvell
