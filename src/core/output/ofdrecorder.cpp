#include "output/ofdrecorder.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPixmap>
#include <QRegion>
#include <QTextItem>
#include <QTextLayout>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>

#include "model/reportdocument.h"
#include "platform/textink.h"
#include "render/printpage.h"

namespace karvell {
namespace {

constexpr double kMmPerInch = 25.4;

// What the painter's font draws on a device of `dpi`, made once per thread: reading a face's
// layout tables costs more than a page's text. Pages are recorded by more than one thread.
TextInk& InkFor(const QFont& font, QPaintDevice* device) {
    thread_local QHash<std::pair<QFont, int>, std::shared_ptr<TextInk>> inks;
    const std::pair<QFont, int> key(font, device->logicalDpiY());
    if (const auto it = inks.constFind(key); it != inks.constEnd()) return **it;
    if (inks.size() >= 512) inks.clear(); // endless fonts must not grow without bound
    return **inks.insert(key, std::make_shared<TextInk>(font, device));
}

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

    static bool SameFace(const QRawFont& a, const QRawFont& b);
    // The face Qt draws `c` in when `primary` lacks it.
    QRawFont FontFor(const QFont& font, const QRawFont& primary, const QString& c);

    RecordedPage* m_page;
    QHash<QString, QRawFont> m_fallbacks; // by font key and character
    QTransform m_toMm;                    // device dots onto the paper in mm
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
    // The characters' places along the line, as the painter's shaping of this font for this
    // device puts them: the same font engine drew the PDF's glyphs. Where every character is
    // known to be its own glyph at the advance of the one before, that is the sum of the
    // advances, without shaping every beginning of the text again.
    TextInk& ink = InkFor(font, m_device);
    bool known = true;
    for (const QChar c : text)
        known = known && ink.Known(c.unicode());
    std::optional<QFontMetricsF> metrics;
    if (!known) metrics.emplace(font, m_device);
    const QTransform toMm = m_transform * m_toMm;
    const double em =
        font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * m_device->logicalDpiY() / 72;
    bool wide = false;
    for (QChar c : text)
        wide = wide || c.unicode() >= 0x2E80;
    const QRawFont primary =
        QRawFont::fromFont(font, wide ? QFontDatabase::SimplifiedChinese : QFontDatabase::Any);
    struct Char {
        QString text;
        double x; // from the item's start, in the painter's units
        QRawFont raw;
    };
    QList<Char> chars;
    double sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0 && text[i].isLowSurrogate()) continue; // a character's second half
        const QString c = text.mid(i, text[i].isHighSurrogate() ? 2 : 1);
        double x = sum;
        if (known)
            sum += ink.Advance(text[i].unicode());
        else
            x = i == 0 ? 0.0 : metrics->horizontalAdvance(text.left(i));
        chars.append({c, x, FontFor(font, primary, c)});
    }
    // One run per face: a character the font lacks was drawn in the face Qt fell back to.
    for (qsizetype k = 0; k < chars.size();) {
        qsizetype end = k + 1;
        while (end < chars.size() && SameFace(chars[end].raw, chars[k].raw))
            ++end;
        RecordedText out;
        out.font = font;
        out.rawFont = chars[k].raw;
        out.color = m_pen.color();
        out.size = em * std::sqrt(std::abs(toMm.determinant()));
        out.origin = toMm.map(p + QPointF(chars[k].x, 0));
        for (qsizetype j = k; j < end; ++j) {
            out.text += chars[j].text;
            if (j > k) out.advances.append((chars[j].x - chars[j - 1].x) * toMm.m11());
        }
        if (m_clipEnabled) out.clip = m_toMm.mapRect(m_clip);
        m_page->items.push_back(std::move(out));
        k = end;
    }
}

bool RecordEngine::SameFace(const QRawFont& a, const QRawFont& b) {
    return a.familyName() == b.familyName() && a.styleName() == b.styleName();
}

QRawFont RecordEngine::FontFor(const QFont& font, const QRawFont& primary, const QString& c) {
    if (primary.supportsCharacter(c.toUcs4().value(0))) return primary;
    const QString key = font.key() + u'\n' + c;
    if (const auto it = m_fallbacks.constFind(key); it != m_fallbacks.constEnd()) return *it;
    QTextLayout layout(c, font, m_device);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    const QRawFont raw = runs.isEmpty() ? primary : runs.first().rawFont();
    m_fallbacks.insert(key, raw);
    return raw;
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
