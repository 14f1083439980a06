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
    // The document sized the page while the window did not exist yet.
    const QSize size = WindowSize();
    ViewResize(size.width(), size.height());
}

TReportControl::~TReportControl() = default;

void TReportControl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    PaintTo(painter, event->rect());
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
    // The highlight is painted inverted by the paint handler from SelectedCells; it uses the
    // document rectangle as window pixels.
    if (!rect.IsEmpty()) update(rect.ToQRect());
}

void TReportControl::ViewRepaintAll() {
    update();
}

void TReportControl::ViewResize(int width, int height) {
    setFixedSize(std::max(0, width), std::max(0, height));
}

bool TReportControl::ViewEditBoxVisible() const {
    return false;
}

void TReportControl::ViewDestroyEditBox() {}

int TReportControl::ViewClientBottom() const {
    return Zoom > 0 ? Round05(height() * 100.0 / Zoom) : height();
}

} // namespace karvell
