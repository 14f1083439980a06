// The form offset for pre-printed paper moves the printed page and leaves the screen alone.
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "platform/printer.h"
#include "render/printpage.h"
#include "reportcontrol.h"

using namespace karvell;

namespace {

QRect InkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
    return box;
}

QImage Printed(TReportControl& grid) {
    QImage image(grid.WindowSize(), QImage::Format_RGB32); // 96 dots per inch
    image.fill(Qt::white);
    QPainter painter(&image);
    PaintPrintPage(painter, grid, image.size());
    return image;
}

QImage OnScreen(TReportControl& grid) {
    QImage image(grid.WindowSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    grid.PaintTo(painter, QRect(QPoint(0, 0), grid.WindowSize()));
    return image;
}

TEST(FormOffset, MovesThePrintedPageOnly) {
    PrinterService& printers = PrinterService::Instance();
    printers.Reset();
    TReportControl grid;
    grid.NewTable(3, 4);
    const QImage printed = Printed(grid), screen = OnScreen(grid);

    printers.SetFormOffsetMm(QPointF(-12.7, 6.35)); // half an inch left, a quarter down
    const QImage movedPrint = Printed(grid), movedScreen = OnScreen(grid);
    printers.Reset();

    EXPECT_EQ(movedScreen, screen);
    const QRect a = InkBox(printed), b = InkBox(movedPrint);
    ASSERT_FALSE(a.isEmpty());
    EXPECT_EQ(b.left() - a.left(), -48); // 0.5 in × 96 dots per inch
    EXPECT_EQ(b.top() - a.top(), 24);
    EXPECT_EQ(b.size(), a.size());
}

} // namespace
