// Cells, lines, page metrics, relayout, hit testing and the selection list of the document.
#include <gtest/gtest.h>

#include <memory>

#include "model/reportdocument.h"
#include "model_helpers.h"
#include "platform/printer.h"
#include "platform/textlayout.h"

namespace karvell {
namespace {

using test::At;
using test::G;
using test::LetterPrinter;
using test::RecordingDocument;
using test::ScopedEnv;
using test::Select;

int LH() {
    return TextLayout::LineHeight(DefaultCellFont());
}

class ModelTest : public ::testing::Test {
protected:
    LetterPrinter printer; // page 768 × 1056
};

// A lone line of one cell, measured as the grid measures it.
struct LoneCell {
    explicit LoneCell(int width) {
        line.CreateLine(0, 1, width);
        cell = line.Cells.first();
    }
    TReportLine line;
    TReportCell* cell = nullptr;
};

struct HeightCase {
    const char* name;
    const char* text; // UTF-8
    int width;        // 0: wide enough for any text here; negative: that many "汉" advances
    int extra;        // added to a width given in advances
    int margin;
    int topWidth, bottomWidth;
    int textLines; // lines measured; -1: too narrow, the default height
};

void PrintTo(const HeightCase& c, std::ostream* os) {
    *os << c.name;
}

class CellHeightTest : public ::testing::TestWithParam<HeightCase> {};

TEST_P(CellHeightTest, MinCellHeightFollowsTheMeasuredText) {
    const HeightCase& c = GetParam();
    const int han =
        TextLayout::Layout(DefaultCellFont(), G("汉"), {0, 0, 1000, 65535}, HAlign::Left)
            .lines.value(0)
            .width;
    ASSERT_GT(han, 0);
    // Widths below are in "汉" advances: the text rectangle is exactly width − 2 × margin.
    int width = c.width == 0 ? 600 : c.width;
    if (c.width < 0) width = -c.width * han + 2 * c.margin + c.extra;
    LoneCell lone(width);
    TReportCell* cell = lone.cell;
    cell->CellMargin = c.margin;
    cell->SetTopLineWidth(c.topWidth);
    cell->SetBottomLineWidth(c.bottomWidth);
    cell->SetCellText(G(c.text));
    cell->CalcMinHeight();
    const int expected = c.textLines < 0 ? 18 + c.topWidth + c.bottomWidth
                                         : c.textLines * LH() + 2 + c.topWidth + c.bottomWidth;
    EXPECT_EQ(cell->MinCellHeight, expected);
    EXPECT_EQ(cell->RequestedHeight(), expected);
}

const HeightCase kHeightCases[] = {
    {"empty cell is one line of 汉", "", 0, 0, 5, 1, 1, 1},
    {"plain text", "AB", 0, 0, 5, 1, 1, 1},
    {"trailing CR LF adds a line", "AB\r\n", 0, 0, 5, 1, 1, 2},
    {"only CR LF", "\r\n", 0, 0, 5, 1, 1, 2},
    {"two lines", "A\r\nB", 0, 0, 5, 1, 1, 2},
    {"two lines and CR LF", "A\r\nB\r\n", 0, 0, 5, 1, 1, 3},
    {"border widths count", "", 0, 0, 5, 2, 3, 1},
    {"too narrow: width 10 margin 5", "汉字汉字汉字\r\n汉字", 10, 0, 5, 1, 1, -1},
    {"too narrow with wide borders", "汉字", 10, 0, 5, 2, 3, -1},
    {"two 汉 per line", "汉汉汉汉", -2, 0, 5, 1, 1, 2},
    {"one pixel short of two 汉", "汉汉汉汉", -2, -1, 5, 1, 1, 4},
    {"wraps inside both margins", "汉汉汉汉", -3, 0, 7, 1, 1, 2},
};
INSTANTIATE_TEST_SUITE_P(Cells, CellHeightTest, ::testing::ValuesIn(kHeightCases));

TEST(CellTest, SetCellWidthRaisesToTenAndRecomputesOnlyOnChange) {
    const struct {
        int width, stored;
    } cases[] = {{3, 10}, {10, 10}, {-5, 10}, {11, 11}, {200, 200}};
    for (const auto& c : cases) {
        LoneCell lone(50);
        lone.cell->SetCellWidth(c.width);
        EXPECT_EQ(lone.cell->CellWidth, c.stored) << c.width;
        EXPECT_EQ(lone.cell->CellRect.Width(), c.stored) << c.width;
    }
    LoneCell lone(50);
    lone.cell->MinCellHeight = 999;
    lone.cell->SetCellWidth(50); // unchanged: nothing recomputed
    EXPECT_EQ(lone.cell->MinCellHeight, 999);
    lone.cell->SetCellWidth(60);
    EXPECT_EQ(lone.cell->MinCellHeight, LH() + 4);
}

// Finds a font and a number of text lines whose text is exactly `height` px high.
bool FontForTextHeight(int height, LOGFONTA* font, QByteArray* text) {
    for (int px = 8; px <= 60; ++px) {
        LOGFONTA f = DefaultCellFont();
        f.lfHeight = -px;
        const int lh = TextLayout::LineHeight(f);
        if (lh > 0 && height % lh == 0) {
            *font = f;
            text->clear();
            for (int i = 0; i < height / lh; ++i)
                *text += (i ? "\r\n" : "") + QByteArray::number(i);
            return true;
        }
    }
    return false;
}

TEST_F(ModelTest, ThreeLineMergeGrowsOnlyTheBottomLine) {
    TReportDocument doc;
    doc.NewTable(1, 3);
    LOGFONTA font;
    QByteArray text;
    ASSERT_TRUE(FontForTextHeight(96, &font, &text)); // 96 + 2 + 1 + 1 = 100 px required
    Select(doc, {{0, 0}});
    doc.SetSelFont(font);
    doc.SetSelText(text);
    Select(doc, {{0, 0}, {1, 0}, {2, 0}});
    doc.CombineCell();
    TReportCell* top = At(doc, 0, 0);
    ASSERT_EQ(top->OwnedCellCount(), 2);
    for (int pass = 0; pass < 2; ++pass) { // settled: a further relayout changes nothing
        EXPECT_EQ(top->RequiredCellHeight, 100);
        EXPECT_EQ(doc.Lines[0]->LineHeight(), 20);
        EXPECT_EQ(doc.Lines[1]->LineHeight(), 20);
        EXPECT_EQ(At(doc, 2, 0)->MinCellHeight, 20 + (100 - 20 - 40));
        EXPECT_EQ(doc.Lines[2]->LineHeight(), 60);
        EXPECT_EQ(top->CellRect.Height(), 100);
        EXPECT_EQ(top->CellRect.bottom, doc.Lines[2]->LineRect.bottom);
        doc.UpdateLines();
    }
    // Released cells are plain and empty again; the joined text stays with the former top.
    TReportCell* middle = At(doc, 1, 0);
    TReportCell* bottom = At(doc, 2, 0);
    top->RemoveAllOwnedCells();
    EXPECT_EQ(top->OwnedCellCount(), 0);
    for (TReportCell* c : {middle, bottom}) {
        EXPECT_EQ(c->OwnerCell, nullptr);
        EXPECT_TRUE(c->CellText.isEmpty());
        EXPECT_EQ(c->MinCellHeight, LH() + 4);
    }
    EXPECT_EQ(top->CellText, text);
}

TEST_F(ModelTest, CopyCellCopiesTheFormatOnly) {
    TReportDocument doc;
    doc.NewTable(2, 3);
    TReportCell* src = At(doc, 0, 1);
    src->CellMargin = 7;
    src->DragCellHeight = 33;
    src->RequiredCellHeight = 44;
    src->SetLeftLine(false);
    src->SetTopLineWidth(2);
    src->SetRightLineWidth(3);
    src->SetBottomLine(false);
    src->DiagonalFlags = DIAG_LT_RB | DIAG_RT_BM;
    src->TextColor = RGB(1, 2, 3);
    src->BackGroundColor = RGB(4, 5, 6);
    src->HorzAlign = 2;
    src->VertAlign = 0;
    LOGFONTA font = DefaultCellFont();
    font.lfHeight = -21;
    font.lfItalic = 1;
    src->SetLogFont(font);
    src->SetCellText(G("有字"));
    src->CellDispFormat = "0.00";
    src->HasBitmap = true;
    src->CellBitmap->Assign(QImage(4, 4, QImage::Format_RGB32));

    TReportCell copy;
    copy.CopyCell(src, false);
    EXPECT_EQ(copy.CellMargin, 7);
    EXPECT_EQ(copy.CellIndex, src->CellIndex);
    EXPECT_EQ(copy.CellLeft, src->CellLeft);
    EXPECT_EQ(copy.CellWidth, src->CellWidth);
    EXPECT_EQ(copy.DragCellHeight, 33);
    EXPECT_EQ(copy.MinCellHeight, src->MinCellHeight);
    EXPECT_EQ(copy.RequiredCellHeight, 0);
    EXPECT_EQ(copy.LeftLine, false);
    EXPECT_EQ(copy.TopLineWidth, 2);
    EXPECT_EQ(copy.RightLineWidth, 3);
    EXPECT_EQ(copy.BottomLine, false);
    EXPECT_EQ(copy.DiagonalFlags, DIAG_LT_RB | DIAG_RT_BM);
    EXPECT_EQ(copy.TextColor, RGB(1, 2, 3));
    EXPECT_EQ(copy.BackGroundColor, RGB(4, 5, 6));
    EXPECT_EQ(copy.HorzAlign, 2);
    EXPECT_EQ(copy.VertAlign, 0);
    EXPECT_TRUE(copy.LogFont == font);
    EXPECT_TRUE(copy.CellText.isEmpty());
    EXPECT_TRUE(copy.CellDispFormat.isEmpty());
    EXPECT_FALSE(copy.HasBitmap);
    EXPECT_TRUE(copy.CellBitmap && copy.CellBitmap->IsEmpty());
    EXPECT_EQ(copy.CellRect, TRect());
    EXPECT_EQ(copy.TextRect, TRect());
    EXPECT_EQ(copy.OwnerCell, nullptr);

    // Copies of an owned cell join its block: before the source, or at the end.
    Select(doc, {{0, 0}, {1, 0}, {2, 0}});
    doc.CombineCell();
    TReportCell* top = At(doc, 0, 0);
    TReportCell* middle = At(doc, 1, 0);
    for (const bool before : {true, false}) {
        auto* c = new TReportCell;
        c->CopyCell(middle, before);
        EXPECT_EQ(c->OwnerCell, top);
        EXPECT_EQ(top->OwnedCells.indexOf(c), before ? 0 : 2);
        top->RemoveOwnedCell(c);
        EXPECT_EQ(c->OwnerCell, nullptr);
        EXPECT_EQ(top->OwnedCellCount(), 2);
        delete c;
    }
}

// Text rectangles for the alignments: values other than 0, 1, 2 act as left and top.
TEST_F(ModelTest, UnknownAlignmentsActAsLeftAndTop) {
    const struct {
        int horz, vert;
        int shift; // 0 top, 1 centre, 2 bottom
    } cases[] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {5, 7, 0}, {3, 3, 0}, {-1, -4, 0}};
    for (const auto& c : cases) {
        TReportDocument doc;
        doc.NewTable(1, 1);
        doc.Lines[0]->SetDragHeight(80);
        Select(doc, {{0, 0}});
        doc.SetSelText("AB");
        doc.SetSelAlign(c.horz, c.vert);
        const TReportCell* cell = At(doc, 0, 0);
        const int free = 80 - cell->MinCellHeight;
        const int shift = c.shift == 0 ? 0 : c.shift == 1 ? (free + 1) / 2 : free;
        EXPECT_EQ(cell->TextRect.top, cell->CellRect.top + cell->TopLineWidth + 1 + shift)
            << c.horz << "/" << c.vert;
        EXPECT_EQ(cell->TextRect.Height(), LH());
        const TextLayoutResult laid = TextLayout::Layout(cell->LogFont, cell->CellText,
                                                         cell->TextRect, HAlignFromInt(c.horz));
        ASSERT_EQ(laid.lines.size(), 1);
        if (c.horz == 1 || c.horz == 2)
            EXPECT_GT(laid.lines[0].x, cell->TextRect.left) << c.horz;
        else
            EXPECT_EQ(laid.lines[0].x, cell->TextRect.left) << c.horz;
    }
}

TEST_F(ModelTest, MarginsInMillimetresBecomePixelsAt25mmPerInch) {
    TReportDocument doc;
    EXPECT_EQ(doc.LeftMarginPx, 77);
    EXPECT_EQ(doc.RightMarginPx, 38);
    EXPECT_EQ(doc.TopMarginPx, 77);
    EXPECT_EQ(doc.BottomMarginPx, 58);
    EXPECT_EQ(doc.GetMargin(), (TRect{20, 20, 10, 15}));
    doc.SetMargin(25, 1, 13, 0); // 96, 3.84, 49.92, 0
    EXPECT_EQ(doc.LeftMarginPx, 96);
    EXPECT_EQ(doc.TopMarginPx, 4);
    EXPECT_EQ(doc.RightMarginPx, 50);
    EXPECT_EQ(doc.BottomMarginPx, 0);
    EXPECT_EQ(doc.GetMargin(), (TRect{25, 1, 13, 0}));
}

TEST_F(ModelTest, SetMarginWithTheCurrentValuesDoesNothing) {
    RecordingDocument doc;
    doc.NewTable(2, 2);
    doc.ClearRecords();
    At(doc, 1, 1)->CellRect = {1, 2, 3, 4}; // a relayout would recompute it
    doc.SetMargin(20, 20, 10, 15);
    EXPECT_EQ(doc.repaintAll, 0);
    EXPECT_TRUE(doc.invalidated.isEmpty());
    EXPECT_EQ(At(doc, 1, 1)->CellRect, (TRect{1, 2, 3, 4}));
    doc.SetMargin(30, 20, 10, 15);
    EXPECT_EQ(doc.repaintAll, 1);
    EXPECT_EQ(At(doc, 0, 0)->CellLeft, 115);
    EXPECT_EQ(At(doc, 1, 1)->CellRect.left, 115 + At(doc, 1, 0)->CellWidth);
    EXPECT_EQ(doc.PageWidth, 768); // the page does not change
}

TEST_F(ModelTest, PageFollowsThePrinterOnlyWhenTheCacheIsEmpty) {
    TReportDocument doc; // 4800 × 6600 dots at 600 dpi
    EXPECT_EQ(doc.PageWidth, 768);
    EXPECT_EQ(doc.PageHeight, 1056);
    EXPECT_EQ(doc.WindowSize(), QSize(768, 1056));

    DEVMODE* dm = LockPrinterDevMode();
    dm->dmPaperSize = DMPAPER_A4;
    doc.UpdatePageSize(); // cached: the printer's new paper is not looked at
    EXPECT_EQ(doc.PageWidth, 768);
    doc.CachedPageWidth = 0;
    doc.UpdatePageSize();
    const QSize dots = PrinterService::Instance().PrintableDots();
    EXPECT_EQ(doc.PageWidth, int(dots.width() / 600.0 * 96 + 0.5));
    EXPECT_EQ(doc.PageHeight, int(dots.height() / 600.0 * 96 + 0.5));
    EXPECT_EQ(doc.PageWidth, 794); // A4, 210 mm

    ScopedEnv noPrinters("KARVELL_NO_PRINTERS", "1");
    doc.UpdatePageSize(); // no printer: the cache
    EXPECT_EQ(doc.PageWidth, 794);
    doc.CachedPageWidth = 0;
    doc.UpdatePageSize();
    EXPECT_EQ(doc.PageWidth, 768);
    EXPECT_EQ(doc.PageHeight, 1058);
}

TEST(PageTest, WithoutPrinterThePageIs768By1058AndZoomScalesOnlyTheWindow) {
    ScopedEnv noPrinters("KARVELL_NO_PRINTERS", "1");
    ASSERT_FALSE(HasPrinter());
    TReportDocument doc;
    EXPECT_EQ(doc.PageWidth, 768);
    EXPECT_EQ(doc.PageHeight, 1058);
    doc.NewTable(3, 2);
    const TRect before = At(doc, 1, 2)->CellRect;
    doc.SetZoom(150);
    EXPECT_EQ(doc.WindowSize(), QSize(1152, 1587));
    EXPECT_EQ(doc.PageWidth, 768);
    EXPECT_EQ(At(doc, 1, 2)->CellRect, before);
    doc.SetZoom(100);
    EXPECT_EQ(doc.WindowSize(), QSize(768, 1058));
}

TEST_F(ModelTest, CellFromPointPrefersTheLowerLineAndAnswersMergeTops) {
    TReportDocument doc;
    doc.NewTable(3, 3);
    Select(doc, {{1, 0}, {2, 0}});
    doc.CombineCell();
    const TReportLine* l0 = doc.Lines[0];
    const TReportLine* l1 = doc.Lines[1];
    const TReportLine* l2 = doc.Lines[2];
    const int x0 = At(doc, 0, 0)->CellLeft;
    const int x1 = At(doc, 0, 1)->CellLeft;
    const struct {
        const char* name;
        int x, y;
        int line, cell; // -1: none
    } cases[] = {
        {"top-left corner", x0, l0->LineTop, 0, 0},
        {"left of the table", x0 - 1, l0->LineTop, -1, -1},
        {"border between cells", x1, l0->LineTop + 3, 0, 1},
        {"last pixel of a cell", x1 - 1, l0->LineTop + 3, 0, 0},
        {"border between lines", x1, l1->LineTop, 1, 1},
        {"inside an owned cell", x0 + 2, l2->LineTop + 2, 1, 0},
        {"owned cell at the border", x0 + 2, l2->LineTop, 1, 0},
        {"bottom edge of the last line", x1, l2->LineTop + l2->LineHeight(), -1, -1},
        {"right of the last cell", l0->LineRect.right, l0->LineTop + 1, -1, -1},
    };
    for (const auto& c : cases) {
        const TReportCell* hit = doc.CellFromPoint(QPoint(c.x, c.y));
        if (c.line < 0)
            EXPECT_EQ(hit, nullptr) << c.name;
        else
            EXPECT_EQ(hit, At(doc, c.line, c.cell)) << c.name;
    }
}

TEST_F(ModelTest, SelectionListAndHighlight) {
    RecordingDocument doc;
    doc.NewTable(2, 1);
    TReportCell* a = At(doc, 0, 0);
    TReportCell* b = At(doc, 0, 1);
    LOGFONTA font = DefaultCellFont();
    font.lfWeight = 700;
    b->SetLogFont(font);
    doc.ClearRecords();

    EXPECT_FALSE(doc.AddSelectedCell(nullptr));
    EXPECT_TRUE(doc.AddSelectedCell(a));
    EXPECT_TRUE(doc.AddSelectedCell(b));
    EXPECT_EQ(doc.FocusCell, b);
    EXPECT_EQ(doc.LastSelectedCell, b);
    EXPECT_TRUE(doc.SelectedFont == font);
    EXPECT_EQ(doc.inverted, (QList<TRect>{a->CellRect, b->CellRect}));

    EXPECT_FALSE(doc.AddSelectedCell(a)); // already selected: highlight unchanged
    EXPECT_EQ(doc.inverted.size(), 2);
    EXPECT_EQ(doc.SelectedCells, (QList<TReportCell*>{a, b}));
    EXPECT_EQ(doc.FocusCell, b);

    EXPECT_TRUE(doc.RemoveSelectedCell(a));
    EXPECT_FALSE(doc.RemoveSelectedCell(a));
    EXPECT_EQ(doc.inverted.size(), 3);
    doc.ClearSelection();
    EXPECT_TRUE(doc.SelectedCells.isEmpty());
    EXPECT_EQ(doc.inverted.size(), 4);
    EXPECT_EQ(doc.FocusCell, b); // ClearSelection keeps the current cell
}

TEST_F(ModelTest, DraggedHeightIsALowerBound) {
    ASSERT_LT(LH() + 4, 30);
    const struct {
        int cellAsks, dragHeight, height;
    } cases[] = {{30, 50, 50}, {70, 50, 70}, {30, 0, 30}, {0, 0, LH() + 4}};
    for (const auto& c : cases) {
        TReportDocument doc;
        doc.NewTable(2, 2);
        At(doc, 0, 1)->DragCellHeight = c.cellAsks;
        doc.Lines[0]->SetDragHeight(c.dragHeight);
        doc.UpdateLines();
        EXPECT_EQ(doc.Lines[0]->LineHeight(), c.height) << c.cellAsks << "/" << c.dragHeight;
        EXPECT_EQ(doc.Lines[1]->LineTop, doc.TopMarginPx + c.height);
        EXPECT_EQ(At(doc, 0, 0)->CellRect.Height(), c.height);
    }
}

} // namespace
} // namespace karvell
