// The grid window: repaint requests in window pixels, the window size and the paint handler.
#include "reportcontrol.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "platform/dpi.h"
#include "reportaccessible.h"

namespace karvell {

TReportControl::TReportControl(QWidget* parent) : QWidget(parent) {
    InstallGridAccessibility();
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    // The cursor follows the zone under the mouse; the right button is handled on press and
    // release by the grid itself, so Qt sends no context-menu event.
    setMouseTracking(true);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setFocusPolicy(Qt::NoFocus);
    // The document sized the page while the window did not exist yet.
    const QSize size = WindowSize();
    ViewResize(size.width(), size.height());
}

TReportControl::~TReportControl() = default;

void TReportControl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    PaintTo(painter, event->rect(), true);
    if (m_mouse.IsDragging()) {
        // The dotted drag line inverts what it crosses, as a not-xor pen does.
        const QRect strip = DragLineRect();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        QPen pen(Qt::white, 1);
        pen.setCosmetic(true);
        pen.setDashPattern({1.0, 1.0});
        painter.setPen(pen);
        if (strip.height() == 1)
            painter.drawLine(strip.left(), strip.top(), strip.right(), strip.top());
        else
            painter.drawLine(strip.left(), strip.top(), strip.left(), strip.bottom());
    }
}

void TReportControl::ViewInvalidate(const TRect& rect) {
    // Document pixels to window pixels, rounded outward so that nothing is left stale.
    const double z = Zoom / 100.0;
    const auto lo = [z](int v) { return int(std::floor(std::clamp(v * z, -1.0e9, 1.0e9))); };
    const auto hi = [z](int v) { return int(std::ceil(std::clamp(v * z, -1.0e9, 1.0e9))); };
    const int l = lo(rect.left), t = lo(rect.top), r = hi(rect.right), b = hi(rect.bottom);
    if (r > l && b > t) update(QRect(l, t, r - l, b - t));
}

void TReportControl::ViewInvert(const TRect& rect) {
    // The highlight is painted inverted by the paint handler from SelectedCells, where the
    // cell is shown.
    ViewInvalidate(rect);
}

void TReportControl::ViewRepaintAll() {
    update();
}

void TReportControl::ViewResize(int width, int height) {
    setFixedSize(std::max(0, width), std::max(0, height));
}

int TReportControl::ViewClientBottom() const {
    return Zoom > 0 ? Round05(height() * 100.0 / Zoom) : height();
}

} // namespace karvell
