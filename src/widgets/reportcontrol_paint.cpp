// The paint handler of the grid: page, margin marks, the cells that meet the invalid
// rectangle with their pictures, and the inverted selection.
#include <QPainter>

#include "platform/dpi.h"
#include "render/gdidraw.h"
#include "render/paintcell.h"
#include "reportcontrol.h"

namespace karvell {
namespace {

const QColor kMarkColor(128, 128, 128);
constexpr int kMarkLength = 25;

int Scaled(int v, int zoom) {
    return Round05(double(v) * zoom / 100.0);
}

} // namespace

QRect TReportControl::ShownRect(const TRect& documentRect) const {
    const TRect r{Scaled(documentRect.left, Zoom), Scaled(documentRect.top, Zoom),
                  Scaled(documentRect.right, Zoom), Scaled(documentRect.bottom, Zoom)};
    return r.ToQRect();
}

void TReportControl::PaintTo(QPainter& painter, const QRect& invalidWindowRect) {
    PaintTo(painter, invalidWindowRect, !PreviewMode);
}

void TReportControl::PaintTo(QPainter& painter, const QRect& invalidWindowRect,
                             bool showSelection) {
    const QSize window = WindowSize();
    if (PageWidth <= 0 || PageHeight <= 0 || Zoom <= 0 || window.isEmpty()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QTransform windowPixels = painter.transform();
    const QTransform documentPixels = QTransform::fromScale(double(window.width()) / PageWidth,
                                                            double(window.height()) / PageHeight) *
                                      windowPixels;

    TRect invalid = TRect::FromQRect(invalidWindowRect);
    if (Zoom != 100) {
        const auto toDoc = [this](int c) { return Round05(double(c) * 100.0 / Zoom); };
        invalid = {toDoc(invalid.left), toDoc(invalid.top), toDoc(invalid.right),
                   toDoc(invalid.bottom)};
    }

    painter.setTransform(documentPixels);
    // The page: white with a black 1-px outline inside the window, drawn in window pixels so
    // that every edge shows at any zoom (a document pixel is less than one below 100 %).
    GdiFillRect(painter, 0, 0, PageWidth, PageHeight, Qt::white);
    painter.setTransform(windowPixels);
    const int w = window.width(), h = window.height();
    GdiLine(painter, 0, 0, w, 0, 1, Qt::black);
    GdiLine(painter, 0, h - 1, w, h - 1, 1, Qt::black);
    GdiLine(painter, 0, 0, 0, h, 1, Qt::black);
    GdiLine(painter, w - 1, 0, w - 1, h, 1, Qt::black);
    painter.setTransform(documentPixels);

    // Margin marks: two strokes outward from each corner of the margin box.
    const int l = LeftMarginPx, t = TopMarginPx;
    const int r = PageWidth - RightMarginPx, b = PageHeight - BottomMarginPx;
    const int m = kMarkLength;
    GdiLine(painter, l, t, l, t - m, 1, kMarkColor);
    GdiLine(painter, l, t, l - m, t, 1, kMarkColor);
    GdiLine(painter, r, t, r, t - m, 1, kMarkColor);
    GdiLine(painter, r, t, r + m, t, 1, kMarkColor);
    GdiLine(painter, l, b, l, b + m, 1, kMarkColor);
    GdiLine(painter, l, b, l - m, b, 1, kMarkColor);
    GdiLine(painter, r, b, r, b + m, 1, kMarkColor);
    GdiLine(painter, r, b, r + m, b, 1, kMarkColor);

    for (const TReportLine* line : std::as_const(Lines)) {
        for (const TReportCell* cell : line->Cells) {
            const TRect& c = cell->CellRect;
            // Cells run left to right: past the invalid rectangle the rest of the line is too.
            if (c.left > invalid.right || c.top > invalid.bottom) break;
            if (c.right < invalid.left || c.bottom < invalid.top) continue;
            if (cell->CellBitmap && !cell->CellBitmap->IsEmpty()) {
                // The picture goes straight to window pixels, for owned cells too.
                painter.setTransform(windowPixels);
                const TRect target{
                    Scaled(c.left, Zoom) + PICTURE_INSET, Scaled(c.top, Zoom) + PICTURE_INSET,
                    Scaled(c.right, Zoom) - PICTURE_INSET, Scaled(c.bottom, Zoom) - PICTURE_INSET};
                GdiStretchImage(painter, cell->CellBitmap->image, target.ToQRect());
                painter.setTransform(documentPixels);
            }
            PaintCell(painter, *cell, PreviewMode);
        }
    }

    if (showSelection) {
        // The highlight inverts the cell rectangle where the cell is shown, at any zoom, within
        // the invalid rectangle.
        painter.setTransform(windowPixels);
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        for (const TReportCell* cell : std::as_const(SelectedCells)) {
            const QRect area = ShownRect(cell->CellRect) & invalidWindowRect;
            if (!area.isEmpty()) painter.fillRect(area, Qt::white);
        }
    }
    painter.restore();
}

} // namespace karvell
