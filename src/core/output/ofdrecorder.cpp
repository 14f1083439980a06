#include "output/ofdrecorder.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QTextItem>
#include <cmath>

#include "model/reportdocument.h"
#include "render/printpage.h"

namespace karvell {
namespace {

constexpr double kMmPerInch = 25.4;

// Keeps what is painted, in millimetres on the paper. The painter hands a non-extended engine
// every primitive with its own transform, as it hands them to the PDF writer's engine.
class RecordEngine : public QPaintEngine {
public:
    RecordEngine(RecordedPage* page, QPointF originMm, int dpi)
        : QPaintEngine(AllFeatures), m_page(page),
          m_toMm(kMmPerInch / dpi, 0, 0, kMmPerInch / dpi, originMm.x(), originMm.y()) {}

    bool begin(QPaintDevice* device) override {
        m_device = device;
        return true;
    }
    bool end() override { return true; }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override {
        const DirtyFlags flags = state.state();
        if (flags & DirtyTransform) m_transform = state.transform();
        if (flags & DirtyPen) m_pen = state.pen();
        if (flags & DirtyBrush) m_brush = state.brush();
        if (flags & DirtyClipEnabled) m_clipEnabled = state.isClipEnabled();
        if (flags & DirtyClipRegion)
            SetClip(state.clipRegion().boundingRect(), state.clipOperation());
        if (flags & DirtyClipPath) SetClip(state.clipPath().boundingRect(), state.clipOperation());
    }

    void drawRects(const QRect* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            QPainterPath path;
            path.addRect(QRectF(rects[i]));
            AddPath(path, true);
        }
    }
    void drawRects(const QRectF* rects, int count) override {
        for (int i = 0; i < count; ++i) {
            QPainterPath path;
            path.addRect(rects[i]);
            AddPath(path, true);
        }
    }
    void drawLines(const QLineF* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            QPainterPath path(lines[i].p1());
            path.lineTo(lines[i].p2());
            AddPath(path, false);
        }
    }
    void drawLines(const QLine* lines, int count) override {
        for (int i = 0; i < count; ++i) {
            const QLineF line(lines[i]);
            drawLines(&line, 1);
        }
    }
    void drawPath(const QPainterPath& path) override { AddPath(path, true); }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points, points + count)));
        if (mode != PolylineMode) path.closeSubpath();
        AddPath(path, mode != PolylineMode);
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override {
        QPolygonF polygon;
        for (int i = 0; i < count; ++i)
            polygon.append(QPointF(points[i]));
        drawPolygon(polygon.constData(), count, mode);
    }
    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override {
        drawImage(r, pixmap.toImage(), source, Qt::AutoColor);
    }
    void drawImage(const QRectF& r, const QImage& image, const QRectF& source,
                   Qt::ImageConversionFlags) override {
        if (image.isNull()) return;
        const QRect part = source.toAlignedRect() & image.rect();
        if (part.isEmpty()) return;
        m_page->items.push_back(RecordedImage{(m_transform * m_toMm).mapRect(r),
                                              part == image.rect() ? image : image.copy(part)});
    }
    void drawTextItem(const QPointF& p, const QTextItem& item) override;

private:
    void SetClip(const QRectF& userRect, Qt::ClipOperation op) {
        const QRectF device = m_transform.mapRect(userRect);
        if (op == Qt::NoClip) {
            m_clipEnabled = false;
            return;
        }
        m_clip = op == Qt::IntersectClip && m_clipEnabled ? m_clip.intersected(device) : device;
        m_clipEnabled = true;
    }

    void AddPath(const QPainterPath& userPath, bool mayFill) {
        RecordedPath out;
        if (mayFill && m_brush.style() != Qt::NoBrush) out.fill = m_brush.color();
        if (m_pen.style() != Qt::NoPen) {
            out.stroke = m_pen.color();
            // A cosmetic pen's width is in device dots; 0 is one dot.
            const double scale =
                m_pen.isCosmetic() ? 1.0 : std::sqrt(std::abs(m_transform.determinant()));
            out.lineWidth = std::max(1.0, m_pen.widthF() * scale) * m_toMm.m11();
        }
        if (!out.fill.isValid() && !out.stroke.isValid()) return;
        out.path = (m_transform * m_toMm).map(userPath);
        m_page->items.push_back(std::move(out));
    }

    RecordedPage* m_page;
    QTransform m_toMm; // device dots onto the paper in mm
    QPaintDevice* m_device = nullptr;
    QTransform m_transform;
    QPen m_pen;
    QBrush m_brush;
    bool m_clipEnabled = false;
    QRectF m_clip; // device dots
};

void RecordEngine::drawTextItem(const QPointF& p, const QTextItem& item) {
    const QString text = item.text();
    if (text.isEmpty() || !m_device) return;
    const QFont font = item.font();
    RecordedText out;
    out.font = font;
    out.color = m_pen.color();
    // The characters' places along the line, as the painter's shaping of this font for this
    // device puts them: the same font engine drew the PDF's glyphs.
    const QFontMetricsF metrics(font, m_device);
    const QTransform toMm = m_transform * m_toMm;
    out.origin = toMm.map(p);
    const double em =
        font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * m_device->logicalDpiY() / 72;
    out.size = em * std::sqrt(std::abs(toMm.determinant()));
    const double xScale = toMm.m11();
    double previous = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0 && text[i].isLowSurrogate()) continue; // a character's second half
        if (i > 0) {
            const double x = metrics.horizontalAdvance(text.left(i));
            out.advances.append((x - previous) * xScale);
            previous = x;
        }
    }
    out.text = text;
    bool wide = false;
    for (QChar c : text)
        wide = wide || c.unicode() >= 0x2E80;
    out.rawFont =
        QRawFont::fromFont(font, wide ? QFontDatabase::SimplifiedChinese : QFontDatabase::Any);
    if (m_clipEnabled) out.clip = m_toMm.mapRect(m_clip);
    m_page->items.push_back(std::move(out));
}

class RecordDevice : public QPaintDevice {
public:
    RecordDevice(QSize size, int dpi, RecordEngine* engine)
        : m_size(size), m_dpi(dpi), m_engine(engine) {}
    QPaintEngine* paintEngine() const override { return m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
        case PdmWidth:
            return m_size.width();
        case PdmHeight:
            return m_size.height();
        case PdmWidthMM:
            return int(m_size.width() * kMmPerInch / m_dpi);
        case PdmHeightMM:
            return int(m_size.height() * kMmPerInch / m_dpi);
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_dpi;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    QSize m_size;
    int m_dpi;
    RecordEngine* m_engine;
};

} // namespace

RecordedPage RecordPage(const TReportDocument& page, const QPageLayout& layout, int dpi) {
    RecordedPage out;
    out.paper = layout.fullRect(QPageLayout::Millimeter).size();
    const QRect printable = layout.paintRectPixels(dpi);
    RecordEngine engine(&out, layout.paintRect(QPageLayout::Millimeter).topLeft(), dpi);
    RecordDevice device(printable.size(), dpi, &engine);
    QPainter painter;
    if (!painter.begin(&device)) return out;
    PaintPrintPage(painter, page, printable.size());
    painter.end();
    return out;
}

} // namespace karvell
