// Pixel tests of the cell painter and the grid's paint handler. Every coordinate checked is
// computed from the cell rectangles the layout produced.
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <memory>

#include "platform/dpi.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "render/paintcell.h"
#include "reportcontrol.h"

using namespace karvell;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kGrid = qRgb(192, 192, 192);
const QRgb kUnpainted = qRgb(255, 0, 255); // background that no painting produces

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y);
}
bool IsDark(QRgb c) {
    return qGray(c) < 100;
}

// A dark pixel within one pixel of (x, y): lines drawn by the rasteriser may round either way.
bool DarkNear(const QImage& image, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.rect().contains(x + dx, y + dy) && IsDark(At(image, x + dx, y + dy)))
                return true;
    return false;
}

// A grid of `columns` × `rows` cells with 5-mm margins, laid out at zoom 100.
std::unique_ptr<TReportControl> MakeGrid(int columns, int rows) {
    PrinterService::Instance().Reset();
    auto grid = std::make_unique<TReportControl>();
    grid->SetMargin(5, 5, 5, 5);
    grid->NewTable(columns, rows);
    grid->ClearSelection();
    return grid;
}

void SetBorders(TReportCell* cell, bool on, int width = 1) {
    cell->SetLeftLine(on);
    cell->SetTopLine(on);
    cell->SetRightLine(on);
    cell->SetBottomLine(on);
    cell->SetLeftLineWidth(width);
    cell->SetTopLineWidth(width);
    cell->SetRightLineWidth(width);
    cell->SetBottomLineWidth(width);
}

// The grid's window as the paint handler draws it for the whole window.
QImage Render(TReportControl& grid, QRgb background = kWhite) {
    QImage image(grid.WindowSize(), QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    grid.PaintTo(painter, image.rect());
    return image;
}

// One cell painted alone, in document pixels at zoom 100.
QImage PaintOne(const TReportDocument& doc, const TReportCell& cell, bool printLook,
                QRgb background = kWhite) {
    QImage image(doc.PageWidth, doc.PageHeight, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    PaintCell(painter, cell, printLook);
    return image;
}

} // namespace

TEST(RenderCell, GridLinesOnlyWhereTheEdgeRulesPutThem) {
    auto grid = MakeGrid(3, 3);
    for (TReportLine* line : grid->Lines)
        for (TReportCell* cell : line->Cells)
            SetBorders(cell, false);
    grid->UpdateLines();
    struct Case {
        int line, cell;
        bool printLook;
    };
    const Case cases[] = {{0, 0, false}, {0, 1, false}, {1, 0, false}, {1, 1, false},
                          {2, 2, false}, {0, 0, true},  {1, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "cell " << c.line << "," << c.cell << " print " << c.printLook);
        const TReportCell* cell = grid->Lines[c.line]->Cells[c.cell];
        const TRect r = cell->CellRect;
        const QImage image = PaintOne(*grid, *cell, c.printLook);
        const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
        const bool edit = !c.printLook;
        EXPECT_EQ(At(image, r.left, midY), edit && c.cell == 0 ? kGrid : kWhite);
        EXPECT_EQ(At(image, midX, r.top), edit && c.line == 0 ? kGrid : kWhite);
        EXPECT_EQ(At(image, r.right, midY), edit ? kGrid : kWhite);
        EXPECT_EQ(At(image, midX, r.bottom), edit ? kGrid : kWhite);
        // One pixel wide: the neighbours on both sides of the right edge stay white.
        EXPECT_EQ(At(image, r.right - 1, midY), kWhite);
        EXPECT_EQ(At(image, r.right + 1, midY), kWhite);
    }
}

TEST(RenderCell, BlackBordersOfTheirWidth) {
    auto grid = MakeGrid(3, 2);
    for (int width : {1, 2, 3}) {
        SCOPED_TRACE(width);
        TReportCell* cell = grid->Lines[1]->Cells[1];
        SetBorders(cell, true, width);
        grid->UpdateLines();
        const TRect r = cell->CellRect;
        const QImage image = PaintOne(*grid, *cell, true);
        const int midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
        // A pen of width w centred on the edge covers edge − w/2 … edge − w/2 + w − 1.
        const int from = -(width / 2), to = from + width - 1;
        for (int d = from - 1; d <= to + 1; ++d) {
            const QRgb expected = d >= from && d <= to ? kBlack : kWhite;
            EXPECT_EQ(At(image, r.left + d, midY), expected) << "left " << d;
            EXPECT_EQ(At(image, r.right + d, midY), expected) << "right " << d;
            EXPECT_EQ(At(image, midX, r.top + d), expected) << "top " << d;
            EXPECT_EQ(At(image, midX, r.bottom + d), expected) << "bottom " << d;
        }
    }
}

TEST(RenderCell, FillCoversLeftToRightInclusiveAndBelowTheTop) {
    auto grid = MakeGrid(3, 2);
    TReportCell* cell = grid->Lines[1]->Cells[1];
    SetBorders(cell, false);
    grid->UpdateLines();
    const TRect r = cell->CellRect;
    struct Case {
        COLORREF color;
        bool filled;
    };
    for (const Case& c : {Case{RGB(255, 255, 254), true}, Case{RGB(255, 255, 255), false},
                          Case{RGB(10, 200, 30), true}}) {
        SCOPED_TRACE(c.color);
        cell->SetBackGroundColor(c.color);
        const QImage image = PaintOne(*grid, *cell, true, kUnpainted);
        const QRgb fill = qRgb(c.color & 0xFF, (c.color >> 8) & 0xFF, (c.color >> 16) & 0xFF);
        const QRgb inside = c.filled ? fill : kUnpainted;
        EXPECT_EQ(At(image, r.left, r.top + 1), inside);
        EXPECT_EQ(At(image, r.right, r.bottom - 1), inside);
        EXPECT_EQ(At(image, r.left, r.top), kUnpainted);
        EXPECT_EQ(At(image, r.right + 1, r.top + 1), kUnpainted);
        EXPECT_EQ(At(image, r.left - 1, r.bottom - 1), kUnpainted);
        EXPECT_EQ(At(image, r.right, r.bottom), kUnpainted);
    }
}

TEST(RenderCell, DiagonalsRunBetweenTheirEndPoints) {
    auto grid = MakeGrid(2, 1);
    TReportCell* cell = grid->Lines[0]->Cells[0];
    cell->DragCellHeight = 120; // a tall cell keeps the lines apart
    SetBorders(cell, false);
    grid->UpdateLines();
    const TRect r = cell->CellRect;
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    const int midX = int((L + R) / 2.0 + 0.5), midY = int((T + B) / 2.0 + 0.5);
    struct Line {
        uint32_t bit;
        QPoint from, to;
    };
    const Line lines[] = {
        {0x001, {L + 1, T + 1}, {R - 1, B - 1}}, {0x002, {L + 1, T + 1}, {R - 1, midY}},
        {0x004, {L + 1, T + 1}, {midX, B - 1}},  {0x100, {R - 1, T + 1}, {L + 1, B - 1}},
        {0x200, {R - 1, T + 1}, {L + 1, midY}},  {0x400, {R - 1, T + 1}, {midX, B - 1}}};
    for (uint32_t flags : {0x101u, 0x006u}) {
        SCOPED_TRACE(flags);
        cell->DiagonalFlags = flags;
        const QImage image = PaintOne(*grid, *cell, true);
        for (const Line& line : lines) {
            // Points at 30 % and 70 % of each line: on it when the bit is set, clear otherwise
            // (no two of the six lines cross there in a cell this shape).
            for (double t : {0.3, 0.7}) {
                const int x = int(line.from.x() + t * (line.to.x() - line.from.x()));
                const int y = int(line.from.y() + t * (line.to.y() - line.from.y()));
                EXPECT_EQ(DarkNear(image, x, y), (flags & line.bit) != 0)
                    << "bit " << line.bit << " at " << t;
            }
        }
    }
}

TEST(RenderCell, TextIsClippedAtTheTextRectangle) {
    auto grid = MakeGrid(4, 1);
    TReportCell* cell = grid->Lines[0]->Cells[1];
    SetBorders(cell, false);
    LOGFONTA font = cell->LogFont;
    font.lfHeight = -40;
    cell->SetLogFont(font);
    cell->SetCellText(Gbk::Encode(QStringLiteral("汉字汉字汉字汉字汉字汉字WWWWWWWWWW")));
    cell->DragCellHeight = 30; // far less than the wrapped text needs
    grid->UpdateLines();
    // The text rectangle is the measured text; shrink it to half the cell's line to cut lines.
    cell->TextRect.bottom = cell->TextRect.top + 30;
    const TRect t = cell->TextRect;
    const QImage image = PaintOne(*grid, *cell, true);
    int inside = 0, outside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) != kWhite) ++(t.Contains(x, y) ? inside : outside);
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

TEST(RenderCell, SymbolicWindowTextColourIsDrawnBlack) {
    // 0x80000008 read as a raw RGB value would be a dark red (8, 0, 0): every pixel of the
    // anti-aliased text would then have more red than green. Drawn as the window-text colour
    // the text is pure grey to black, on the screen, the printer and the PDF alike.
    auto grid = MakeGrid(3, 1);
    TReportCell* cell = grid->Lines[0]->Cells[1];
    SetBorders(cell, false);
    LOGFONTA font = cell->LogFont;
    font.lfHeight = -30;
    cell->SetLogFont(font);
    cell->SetCellText(Gbk::Encode(QStringLiteral("凭证")));
    grid->UpdateLines();
    const struct {
        COLORREF stored;
        bool grey;
    } cases[] = {{0x80000008u, true}, {RGB(8, 0, 0), false}};
    for (const auto& c : cases) {
        cell->SetTextColor(c.stored);
        for (bool printLook : {false, true}) {
            const QImage image = PaintOne(*grid, *cell, printLook);
            int dark = 0, reddish = 0;
            for (int y = cell->TextRect.top; y < cell->TextRect.bottom; ++y)
                for (int x = cell->TextRect.left; x < cell->TextRect.right; ++x) {
                    const QRgb p = At(image, x, y);
                    if (IsDark(p)) ++dark;
                    if (qRed(p) > qGreen(p)) ++reddish;
                }
            EXPECT_GT(dark, 20) << c.stored;
            EXPECT_EQ(reddish == 0, c.grey) << c.stored << " print " << printLook;
        }
    }
}

TEST(RenderPage, MergedBlockPaintsOnceThroughItsTop) {
    auto grid = MakeGrid(2, 3);
    TReportCell* top = grid->Lines[0]->Cells[0];
    top->AddOwnedCell(grid->Lines[1]->Cells[0]);
    top->AddOwnedCell(grid->Lines[2]->Cells[0]);
    top->SetBackGroundColor(RGB(0, 0, 255));
    grid->UpdateLines();
    grid->UpdateLines();
    ASSERT_EQ(top->CellRect.bottom, grid->Lines[2]->LineTop + grid->Lines[2]->LineHeight());
    const QImage image = Render(*grid);
    const TRect r = top->CellRect;
    const int midX = (r.left + r.right) / 2;
    const TReportCell* neighbour = grid->Lines[0]->Cells[1];
    const int neighbourX = (neighbour->CellRect.left + neighbour->CellRect.right) / 2;
    for (int i = 1; i < 3; ++i) {
        // No border where the covered lines meet inside the block; beside it there is one.
        const int y = grid->Lines[i]->LineTop;
        EXPECT_EQ(At(image, midX, y), qRgb(0, 0, 255)) << "line " << i;
        EXPECT_EQ(At(image, neighbourX, y), kBlack) << "line " << i;
    }
    EXPECT_EQ(At(image, midX, r.bottom), kBlack);
    EXPECT_EQ(At(image, midX, r.bottom - 1), qRgb(0, 0, 255));
}

TEST(RenderPage, PreviewModeShowsNeitherSelectionNorGrid) {
    auto grid = MakeGrid(3, 2);
    for (TReportLine* line : grid->Lines)
        for (TReportCell* cell : line->Cells)
            SetBorders(cell, false);
    grid->UpdateLines();
    TReportCell* selected = grid->Lines[1]->Cells[1];
    grid->AddSelectedCell(selected);
    const TRect r = selected->CellRect;
    const QPoint inside((r.left + r.right) / 2, r.top + 2);
    for (bool preview : {false, true}) {
        SCOPED_TRACE(preview);
        grid->PreviewMode = preview;
        const QImage image = Render(*grid);
        int gridPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                gridPixels += At(image, x, y) == kGrid;
        EXPECT_EQ(At(image, inside.x(), inside.y()), preview ? kWhite : kBlack);
        if (preview) {
            EXPECT_EQ(gridPixels, 0);
        } else {
            EXPECT_GT(gridPixels, 100);
        }
    }
}

TEST(RenderPage, ZoomFiftyRepaintsTheCellsMeetingTheDocumentRectangle) {
    auto grid = MakeGrid(24, 6);
    for (TReportLine* line : grid->Lines)
        for (TReportCell* cell : line->Cells)
            cell->SetCellText(Gbk::Encode(QStringLiteral("汉")));
    grid->UpdateLines();
    grid->SetZoom(50);
    ASSERT_EQ(grid->WindowSize(),
              QSize(Round05(grid->PageWidth * 0.5), Round05(grid->PageHeight * 0.5)));

    const TRect doc{20, 20, 40, 40}; // window rectangle (10, 10, 20, 20) at zoom 50
    QImage image(grid->WindowSize(), QImage::Format_RGB32);
    image.fill(kUnpainted);
    {
        QPainter painter(&image);
        grid->PaintTo(painter, QRect(10, 10, 10, 10));
    }
    int painted = 0, skipped = 0;
    for (const TReportLine* line : grid->Lines) {
        bool stopped = false;
        for (const TReportCell* cell : line->Cells) {
            const TRect& c = cell->CellRect;
            stopped = stopped || c.left > doc.right || c.top > doc.bottom;
            const bool expected = !stopped && c.right >= doc.left && c.bottom >= doc.top;
            // Text shows only where the cell was painted; its rectangle is in document pixels.
            const TRect& t = cell->TextRect;
            bool ink = false;
            // (One window pixel in from each side: the cell's borders may round onto the edge.)
            for (int y = t.top / 2 + 1; y < t.bottom / 2 - 1 && !ink; ++y)
                for (int x = t.left / 2 + 1; x < t.right / 2 - 1 && !ink; ++x)
                    ink = IsDark(At(image, x, y));
            EXPECT_EQ(ink, expected) << "cell " << line->Index << "," << cell->CellIndex;
            ++(expected ? painted : skipped);
        }
    }
    EXPECT_GT(painted, 0);
    EXPECT_GT(skipped, 0);
}

TEST(RenderPage, PictureIsInsetInWindowPixelsAndHiddenByAFill) {
    auto grid = MakeGrid(3, 2);
    TReportCell* cell = grid->Lines[1]->Cells[1];
    cell->DragCellHeight = 60;
    QImage red(7, 5, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    cell->CellBitmap->Assign(red);
    cell->HasBitmap = true;
    grid->UpdateLines();
    const TRect r = cell->CellRect;
    QImage image = Render(*grid);
    EXPECT_EQ(At(image, r.left + 3, r.top + 3), qRgb(255, 0, 0));
    EXPECT_EQ(At(image, r.right - 4, r.bottom - 4), qRgb(255, 0, 0));
    EXPECT_EQ(At(image, r.left + 2, r.top + 2), kWhite);
    EXPECT_EQ(At(image, r.right - 3, r.bottom - 3), kWhite);
    cell->SetBackGroundColor(RGB(0, 128, 0));
    image = Render(*grid);
    EXPECT_EQ(At(image, r.left + 3, r.top + 3), qRgb(0, 128, 0));
}

TEST(RenderPage, HostileInputPaintsWithoutCrashing) {
    auto grid = MakeGrid(4, 3);
    TReportCell* tiny = grid->Lines[1]->Cells[0];
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(qRgb(255, 0, 0));
    tiny->CellBitmap->Assign(one);

    // A 10000 × 10000 picture (monochrome, 12.5 MB) must be reduced, never copied at full size.
    TReportCell* big = grid->Lines[1]->Cells[1];
    QImage bigImage(10000, 10000, QImage::Format_Mono);
    ASSERT_FALSE(bigImage.isNull());
    bigImage.setColorTable({qRgb(0, 0, 0), qRgb(0, 0, 255)});
    bigImage.fill(1);
    big->CellBitmap->Assign(bigImage);
    big->DragCellHeight = 40;
    grid->UpdateLines();
    QImage image = Render(*grid);
    const TRect b = big->CellRect;
    const TRect t = tiny->CellRect;
    EXPECT_EQ(At(image, (b.left + b.right) / 2, (b.top + b.bottom) / 2), qRgb(0, 0, 255));
    EXPECT_EQ(At(image, (t.left + t.right) / 2, (t.top + t.bottom) / 2), qRgb(255, 0, 0));

    // Absurd font and pen sizes in the last line, a cell without any extent.
    TReportCell* huge = grid->Lines[2]->Cells[0];
    LOGFONTA font = huge->LogFont;
    font.lfHeight = -100000;
    huge->SetLogFont(font);
    huge->SetCellText("A");
    huge->SetLeftLineWidth(1 << 30);
    TReportCell* zero = grid->Lines[2]->Cells[1];
    zero->SetCellText("zero");
    grid->UpdateLines();
    zero->CellRect = TRect{};
    zero->TextRect = TRect{};
    zero->DiagonalFlags = 0x707;
    for (int zoom : {100, 1, 7, 333}) {
        grid->SetZoom(zoom);
        image = Render(*grid);
        EXPECT_EQ(image.size(), grid->WindowSize()) << zoom;
    }
}
