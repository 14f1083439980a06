// karvell calibrate: a calibration sheet for pre-printed forms (套打): millimetre rulers along
// the top and left edges and crosses at known positions, printed with the form offset in force,
// so the distance between a cross and its place on the form gives the offset to use.
#include <QPagedPaintDevice>
#include <QPainter>

#include "command.h"
#include "output/pdfsink.h"
#include "platform/error.h"
#include "platform/printer.h"

namespace karvell::cli {
namespace {

const char* const kUsage = "usage: karvell calibrate --pdf OUT.pdf [--pdfa] [--offset X,Y]";

// Positions of the crosses on the paper, in millimetres from its top-left corner.
constexpr QPointF kCrosses[] = {{30, 30},   {105, 30}, {180, 30},  {30, 150}, {105, 150},
                                {180, 150}, {30, 270}, {105, 270}, {180, 270}};

void DrawSheet(QPainter& painter, const QSizeF& paperMm, int dpi) {
    // Fonts are sized in points of the device: this gives a height in the painter's millimetres.
    const auto mmFont = [dpi](double mm) { return mm * 72.0 / dpi; };
    QPen pen(Qt::black);
    pen.setWidthF(0.15);
    painter.setPen(pen);
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(mmFont(2.2));
    painter.setFont(font);

    // Rulers: a tick every millimetre, longer every 5, numbered every 10.
    for (int mm = 0; mm <= int(paperMm.width()); ++mm) {
        const double len = mm % 10 == 0 ? 5 : mm % 5 == 0 ? 3.5 : 2;
        painter.drawLine(QPointF(mm, 0), QPointF(mm, len));
        if (mm % 10 == 0 && mm > 0) painter.drawText(QPointF(mm + 0.5, 8), QString::number(mm));
    }
    for (int mm = 0; mm <= int(paperMm.height()); ++mm) {
        const double len = mm % 10 == 0 ? 5 : mm % 5 == 0 ? 3.5 : 2;
        painter.drawLine(QPointF(0, mm), QPointF(len, mm));
        if (mm % 10 == 0 && mm > 0) painter.drawText(QPointF(6, mm + 1), QString::number(mm));
    }
    // Crosses with circles and their positions.
    for (const QPointF& c : kCrosses) {
        painter.drawLine(c - QPointF(8, 0), c + QPointF(8, 0));
        painter.drawLine(c - QPointF(0, 8), c + QPointF(0, 8));
        painter.drawEllipse(c, 4, 4);
        painter.drawText(c + QPointF(1.5, -1.5),
                         QStringLiteral("(%1, %2) mm").arg(c.x()).arg(c.y()));
    }
    font.setPointSizeF(mmFont(4));
    painter.setFont(font);
    const QPointF offset = PrinterService::Instance().FormOffsetMm();
    painter.drawText(QRectF(20, 60, paperMm.width() - 40, 60), Qt::TextWordWrap,
                     QStringLiteral("套打校准页（当前偏移：向右 %1 mm，向下 %2 mm）\n"
                                    "量出每个十字的中心离纸边的距离，与标注的位置相比："
                                    "实际位置比标注偏右、偏下多少，偏移就减去多少。"
                                    "用 karvell --offset X,Y 或 Quorbex.ini 的 OffsetX、OffsetY"
                                    "（毫米）设置。")
                         .arg(offset.x())
                         .arg(offset.y()));
}

int RunCalibrate(const QStringList& args) {
    const bool pdfa = args.size() == 3 && args[2] == QLatin1String("--pdfa");
    if ((args.size() != 2 && !pdfa) || args[0] != QLatin1String("--pdf")) {
        PrintError(QString::fromLatin1(kUsage));
        return 1;
    }
    const QString path = args[1];
    PrinterService& printers = PrinterService::Instance();
    const QPageLayout layout = CurrentPrinterLayout();
    TPdfSink sink(path, QStringLiteral("套打校准页"), PdfResolution(),
                  pdfa ? TPdfStandard::A1b : TPdfStandard::Plain);
    sink.AddDrawnPage(layout, [&](QPainter& painter, QPagedPaintDevice& device) {
        // Millimetres from the paper's corner; the painter's origin is the printable area's.
        const int dpi = device.logicalDpiX();
        const double dotsPerMm = dpi / 25.4;
        const QPointF offset = printers.FormOffsetMm();
        const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
        painter.scale(dotsPerMm, dotsPerMm);
        painter.translate(offset.x() - margins.left(), offset.y() - margins.top());
        DrawSheet(painter, layout.fullRect(QPageLayout::Millimeter).size(), dpi);
    });
    sink.Finish();
    return 0;
}

} // namespace

KARVELL_COMMAND(QStringLiteral("calibrate"), QStringLiteral("calibrate --pdf OUT.pdf [--pdfa]"),
                QStringLiteral("print a calibration sheet for pre-printed forms (millimetre "
                               "rulers, crosses at known positions) with the form offset given "
                               "by --offset X,Y"),
                RunCalibrate);

} // namespace karvell::cli
