#include "render/printpage.h"

#include <QPainter>

#include "model/reportdocument.h"
#include "platform/printer.h"
#include "render/gdidraw.h"
#include "render/paintcell.h"

namespace karvell {

void PaintPrintPage(QPainter& painter, const TReportDocument& document, const QSize& printable) {
    const QSize window = document.WindowSize();
    if (window.isEmpty() || printable.isEmpty()) return;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    // Window extent onto the printable area: at zoom 100 the page fills it.
    QTransform transform = QTransform::fromScale(double(printable.width()) / window.width(),
                                                 double(printable.height()) / window.height());
    // A form offset (套打) moves the whole page on the paper, in the device's own units.
    const QPointF mm = PrinterService::Instance().FormOffsetMm();
    if (!mm.isNull() && painter.device())
        transform *= QTransform::fromTranslate(mm.x() / 25.4 * painter.device()->logicalDpiX(),
                                               mm.y() / 25.4 * painter.device()->logicalDpiY());
    painter.setTransform(transform);
    for (const TReportLine* line : std::as_const(document.Lines)) {
        for (const TReportCell* cell : line->Cells) {
            if (cell->OwnerCell) continue;
            if (cell->CellBitmap && !cell->CellBitmap->IsEmpty()) {
                const TRect& c = cell->CellRect;
                const TRect target{c.left + PICTURE_INSET, c.top + PICTURE_INSET,
                                   c.right - PICTURE_INSET, c.bottom - PICTURE_INSET};
                GdiStretchImage(painter, cell->CellBitmap->image, target.ToQRect());
            }
            PaintCell(painter, *cell, true);
        }
    }
}

} // namespace karvell
