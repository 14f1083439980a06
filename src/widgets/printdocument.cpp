// Printing the grid's document as one page: on a CUPS queue through QPrinter, or on the
// built-in "PDF" printer as a PDF file that appears only when it is complete.
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <cstdio>

#include "platform/atomicfile.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "render/gdidraw.h"
#include "render/paintcell.h"
#include "render/pdftext.h"
#include "reportcontrol.h"

namespace karvell {
namespace {

const char* const kJobTitle = "Danmere";

QString JobTitle() {
    return QString::fromLatin1(kJobTitle);
}

} // namespace

void TReportControl::PaintPrintPage(QPainter& painter, const QSize& printable) {
    const QSize window = WindowSize();
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
    for (const TReportLine* line : std::as_const(Lines)) {
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

QString TReportControl::PrintDocument(const QString& pdfFile) {
    PrinterService& printers = PrinterService::Instance();
    if (!pdfFile.isEmpty() || printers.CurrentIsPdf()) return PrintToPdf(pdfFile);
    if (!printers.HasPrinter()) throw KarvellError(QStringLiteral("No printer is installed"));
    PrintToQueue(printers.CurrentName());
    return QString();
}

QString TReportControl::PrintToPdf(const QString& pdfFile) {
    PrinterService& printers = PrinterService::Instance();
    // An explicit file works without any printer: the paper is then the default A4.
    const bool hasPrinter = printers.HasPrinter();
    const DEVMODE devMode = hasPrinter ? *printers.LockPrinterDevMode() : DEVMODE{};
    const QMarginsF unprintable = hasPrinter ? printers.UnprintableMm() : QMarginsF();
    const int dpi = hasPrinter ? printers.DpiX() : 600;
    const QString path = pdfFile.isEmpty() ? printers.NextPdfPath(JobTitle()) : pdfFile;

    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(JobTitle());
        writer.setCreator(QStringLiteral("karvell"));
        writer.setResolution(dpi);
        writer.setPageLayout(PageLayoutFor(devMode, unprintable));
        QPainter painter;
        if (!painter.begin(&writer))
            throw KarvellError(
                QStringLiteral("Cannot start the print job \"%1\" on printer PDF").arg(JobTitle()));
        PaintPrintPage(painter, QSize(writer.width(), writer.height()));
        if (!painter.end())
            throw KarvellError(QStringLiteral("The print job \"%1\" failed").arg(JobTitle()));
    }

    PdfTextFixer text;
    for (const TReportLine* line : std::as_const(Lines))
        for (const TReportCell* cell : line->Cells)
            if (!cell->OwnerCell && !cell->CellText.isEmpty())
                text.AddText(cell->LogFont, cell->CellText);
    pdf = text.Fix(pdf);

    WriteFileAtomic(path, pdf);
    const QByteArray line = "PDF: " + path.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
    return path;
}

void TReportControl::PrintToQueue(const QString& queue) {
    PrinterService& printers = PrinterService::Instance();
    const DEVMODE devMode = *printers.LockPrinterDevMode();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queue);
    if (!printer.isValid())
        throw KarvellError(QStringLiteral("The printer %1 is not available").arg(queue));
    printer.setDocName(JobTitle());
    printer.setPageLayout(PageLayoutFor(devMode, printers.UnprintableMm()));
    QPainter painter;
    if (!painter.begin(&printer))
        throw KarvellError(QStringLiteral("Cannot start the print job \"%1\" on printer %2")
                               .arg(JobTitle(), queue));
    PaintPrintPage(painter, QSize(printer.width(), printer.height()));
    if (!painter.end())
        throw KarvellError(
            QStringLiteral("The print job \"%1\" on printer %2 failed").arg(JobTitle(), queue));
}

} // namespace karvell
