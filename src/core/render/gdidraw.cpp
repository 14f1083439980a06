#include "render/gdidraw.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace karvell {
namespace {

// Keeps hostile coordinates and widths inside what integer device pixels can hold.
constexpr double kLimit = 1.0e7;
constexpr int kMaxPenWidth = 10000;

int DevicePixel(double v) {
    return int(std::floor(std::clamp(v, -kLimit, kLimit) + 0.5));
}

// A document-pixel span [a, b) on the device: rounded edges, never thinner than one pixel.
// False for an empty span.
bool DeviceSpan(double a, double b, double scale, double offset, int* from, int* to) {
    if (!(b > a)) return false;
    int d0 = DevicePixel(scale * a + offset);
    int d1 = DevicePixel(scale * b + offset);
    if (d0 > d1) std::swap(d0, d1);
    if (d1 <= d0) d1 = d0 + 1;
    *from = d0;
    *to = d1;
    return true;
}

} // namespace

GdiBatch::GdiBatch(QPainter& painter)
    : m_painter(painter), m_document(painter.combinedTransform()),
      m_batched(m_document.type() <= QTransform::TxScale),
      m_printer(painter.paintEngine() && !painter.paintEngine()->isExtended() &&
                !painter.viewTransformEnabled()) {}

GdiBatch::~GdiBatch() {
    End();
}

void GdiBatch::End() {
    if (!m_device) return;
    m_device = false;
    if (!m_printer) {
        m_painter.restore();
        return;
    }
    // Set back property by property: the printer writes the state once, before whatever is
    // drawn next, and not at all when that is another batch.
    m_painter.setWorldTransform(m_saved.world);
    m_painter.setPen(m_saved.pen);
    m_painter.setBrush(m_saved.brush);
    if (m_painter.testRenderHint(QPainter::Antialiasing) != m_saved.antialias)
        m_painter.setRenderHint(QPainter::Antialiasing, m_saved.antialias);
}

void GdiBatch::ToDevice() {
    if (m_device) return;
    m_device = true;
    if (!m_printer) {
        m_painter.save();
        m_painter.resetTransform();
        return;
    }
    // Such an engine writes its whole graphics state on every save and restore.
    m_saved = {m_painter.worldTransform(), m_painter.pen(), m_painter.brush(),
               m_painter.testRenderHint(QPainter::Antialiasing)};
    m_painter.setWorldTransform(QTransform());
    // What fillRect sets for every rectangle on such an engine, set once.
    m_painter.setPen(Qt::NoPen);
    m_brush = QColor();
}

// Fills a document rectangle snapped to device pixels. Rotated or sheared transforms (never
// used by the report) fall back to Qt's own rasterisation.
void GdiBatch::Fill(double l, double t, double r, double b, const QColor& color) {
    const QTransform& m = m_document;
    if (!m_batched) {
        End();
        m_painter.fillRect(QRectF(l, t, r - l, b - t), color);
        return;
    }
    int x0, x1, y0, y1;
    if (!DeviceSpan(l, r, m.m11(), m.dx(), &x0, &x1) ||
        !DeviceSpan(t, b, m.m22(), m.dy(), &y0, &y1))
        return;
    ToDevice();
    const QRect device(x0, y0, x1 - x0, y1 - y0);
    if (!m_printer) {
        m_painter.fillRect(device, color);
        return;
    }
    if (color != m_brush) {
        m_painter.setBrush(color);
        m_brush = color;
    }
    m_painter.drawRect(device);
}

void GdiBatch::FillRect(double left, double top, double right, double bottom, const QColor& color) {
    Fill(left, top, right, bottom, color);
}

void GdiBatch::Line(int x1, int y1, int x2, int y2, int width, const QColor& color) {
    if (x1 != x2 && y1 != y2) {
        Diagonal(x1, y1, x2, y2, color);
        return;
    }
    const int w = std::clamp(width, 1, kMaxPenWidth);
    const bool horizontal = y1 == y2;
    const double a = horizontal ? x1 : y1; // along the line
    const double b = horizontal ? x2 : y2;
    const double across = horizontal ? y1 : x1;
    double from, to, side0, side1;
    if (w == 1) {
        if (a == b) return; // a cosmetic pen draws nothing for a zero-length line
        // The start pixel is lit, the end pixel is not, whichever way the line runs.
        from = a < b ? a : b + 1;
        to = a < b ? b : a + 1;
        side0 = across;
        side1 = across + 1;
    } else {
        const int half = w / 2;
        from = std::min(a, b) - half;
        to = std::max(a, b) - half + w;
        side0 = across - half;
        side1 = across - half + w;
    }
    if (horizontal)
        Fill(from, side0, to, side1, color);
    else
        Fill(side0, from, side1, to, color);
}

void GdiBatch::Diagonal(int x1, int y1, int x2, int y2, const QColor& color) {
    if (x1 == x2 && y1 == y2) return;
    const QTransform& m = m_document;
    // Through the centres of the end pixels, so that at zoom 100 the line starts on (x1, y1).
    const QPointF p1 = m.map(QPointF(x1 + 0.5, y1 + 0.5));
    const QPointF p2 = m.map(QPointF(x2 + 0.5, y2 + 0.5));
    const double scale = (std::abs(m.m11()) + std::abs(m.m22())) / 2;
    const int penWidth = std::max(1, DevicePixel(scale));
    ToDevice();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    QPen pen(color, penWidth, Qt::SolidLine, Qt::FlatCap);
    pen.setCosmetic(penWidth == 1);
    m_painter.setPen(pen);
    const auto clamp = [](const QPointF& p) {
        return QPointF(std::clamp(p.x(), -kLimit, kLimit), std::clamp(p.y(), -kLimit, kLimit));
    };
    m_painter.drawLine(clamp(p1), clamp(p2));
    if (m_printer) m_painter.setPen(Qt::NoPen); // what the fills expect
}

void GdiFillRect(QPainter& painter, double left, double top, double right, double bottom,
                 const QColor& color) {
    GdiBatch(painter).FillRect(left, top, right, bottom, color);
}

void GdiLine(QPainter& painter, int x1, int y1, int x2, int y2, int width, const QColor& color) {
    GdiBatch(painter).Line(x1, y1, x2, y2, width, color);
}

void GdiDiagonal(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& color) {
    GdiBatch(painter).Diagonal(x1, y1, x2, y2, color);
}

void GdiStretchImage(QPainter& painter, const QImage& image, const QRect& target) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0 || target.isEmpty()) return;
    const QRectF device = painter.combinedTransform().mapRect(QRectF(target));
    const int deviceW = std::max(1, int(std::min(std::ceil(device.width()), kLimit)));
    const int deviceH = std::max(1, int(std::min(std::ceil(device.height()), kLimit)));
    QImage source = image;
    if (image.width() > deviceW || image.height() > deviceH) {
        // Nearest-neighbour reduction (StretchBlt's COLORONCOLOR) straight into the target
        // size: no full-size intermediate copy of a large picture.
        source = image.scaled(std::min(image.width(), deviceW), std::min(image.height(), deviceH),
                              Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (source.isNull()) return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(target), source);
    painter.restore();
}

} // namespace karvell
