#pragma once
// A document's page as printed (print jobs, expanded reports): the window extent mapped onto the
// printable area `printable` (device units); pictures and cells in print look, nothing else.
// Headless, so that pages can be painted outside the GUI thread.
#include <QSize>

class QPainter;

namespace karvell {

class TReportDocument;

void PaintPrintPage(QPainter& painter, const TReportDocument& document, const QSize& printable);

} // namespace karvell
