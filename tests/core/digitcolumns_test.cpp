// Digit-column cells ("[金额线N]"): the measurement takes one line, the painter draws N columns
// with the heavier separator after 元 and the characters right-aligned one per column.
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "model/reportcell.h"
#include "model/reportline.h"
#include "platform/gbk.h"
#include "platform/logfont.h"
#include "render/paintcell.h"

using namespace karvell;

namespace {

struct OneCell {
    TReportLine line;
    TReportCell* cell = new TReportCell;
    OneCell(const QString& text, const QString& format, int width) {
        cell->SetOwnerLine(&line);
        line.Cells.append(cell);
        cell->CellLeft = 10;
        cell->SetCellWidth(width);
        cell->SetCellText(Gbk::Encode(text));
        cell->SetCellDispFormat(Gbk::Encode(format));
        LayoutLineList({&line}, 10);
    }
    ~OneCell() { line.Cells.clear(), delete cell; }
    int Height() const { return cell->MinCellHeight; }
};

TEST(DigitColumns, MeasureOneLineWhateverTheText) {
    const QString digits = QStringLiteral("123456789012");
    OneCell plain(digits, QString(), 40);
    OneCell columns(digits, QStringLiteral("[金额线13]"), 40);
    OneCell empty(QString(), QStringLiteral("[金额线13]"), 40);
    EXPECT_GT(plain.Height(), columns.Height()); // the plain text wraps in 40 px
    EXPECT_EQ(columns.Height(), empty.Height());
    // A placeholder in a template is measured and drawn as usual.
    OneCell placeholder(QStringLiteral("#从表.借方金额"), QStringLiteral("[金额线13]"), 40);
    EXPECT_GT(placeholder.Height(), columns.Height());
}

int InkColumns(const QImage& image, int x0, int x1, int y0, int y1) {
    int ink = 0;
    for (int x = x0; x < x1; ++x)
        for (int y = y0; y < y1; ++y)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                ++ink;
                break;
            }
    return ink;
}

TEST(DigitColumns, PaintColumnsAndRightAlignedCharacters) {
    OneCell c(QStringLiteral("12345"), QStringLiteral("[金额线8]"), 160); // 20 px per column
    QImage image(200, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PaintCell(painter, *c.cell, true);
    }
    const TRect& r = c.cell->CellRect;
    const int top = r.top + 2, bottom = r.bottom - 1;
    // Separators at every column edge; the one after 元 (before the last two columns) red.
    for (int i = 1; i < 8; ++i) {
        const int x = r.left + i * 20;
        const QRgb p = image.pixel(x, (top + bottom) / 2);
        EXPECT_NE(p, qRgb(255, 255, 255)) << i;
        EXPECT_EQ(qRed(p) > qGreen(p) + 50, i == 6) << i;
    }
    // The three leftmost columns stay blank, the five on the right hold a character each.
    auto inside = [&](int column) {
        return InkColumns(image, r.left + column * 20 + 3, r.left + column * 20 + 18, top, bottom);
    };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(inside(i), 0) << i;
    for (int i = 3; i < 8; ++i)
        EXPECT_GT(inside(i), 0) << i;
}

} // namespace
