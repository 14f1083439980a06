// Mouse editing of the grid as document operations: border zones, the corner, selection keys,
// the rubber band, column and line drags with their refusals and bounds, the in-place editor
// with its text rules, the right button, and the width write-back of a produced page.
#include <QBuffer>
#include <gtest/gtest.h>

#include "model/editortext.h"
#include "model/gridmouse.h"
#include "model/headlessgrid.h"
#include "model/widthwriteback.h"
#include "model_helpers.h"

namespace karvell {
namespace {

using test::At;
using test::G;
using test::PositionOf;
using test::Save;
using test::Select;
using test::Widths;
using Pos = std::pair<int, int>;

class MouseTest : public ::testing::Test {
protected:
    MouseTest() { grid.NewTable(3, 3); }

    QPoint Centre(int line, int cell) {
        const TRect& r = At(grid, line, cell)->CellRect;
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    const TRect& Rect(int line, int cell) { return At(grid, line, cell)->CellRect; }
    void Click(QPoint p, int keys = MK_LBUTTON) {
        mouse.LeftPress(p, keys);
        mouse.Release();
    }
    ReleaseOutcome Drag(QPoint from, QPoint to) {
        mouse.LeftPress(from, MK_LBUTTON);
        mouse.Move(to, MK_LBUTTON);
        return mouse.Release();
    }
    std::vector<Pos> Selection() {
        std::vector<Pos> out;
        for (const TReportCell* c : grid.SelectedCells)
            out.push_back(PositionOf(grid, c));
        return out;
    }
    // A block of column 1 over lines 0 and 1.
    void MergeColumnOne() {
        Select(grid, {{0, 1}, {1, 1}});
        grid.CombineCell();
        grid.ClearSelection();
    }

    test::LetterPrinter printer;
    THeadlessGrid grid;
    TGridMouse mouse{grid};
};

TEST_F(MouseTest, BorderZonesAndTheExactRightEdge) {
    struct Case {
        int dx, dy; // from the right and bottom edges of cell (1, 0); 0 = centre
        MouseTracking tracking;
        Pos selected;
    } cases[] = {
        {-1, 0, MouseTracking::ColumnDrag, {-1, -1}},
        {-2, 0, MouseTracking::ColumnDrag, {-1, -1}},
        {-3, 0, MouseTracking::ColumnDrag, {-1, -1}},
        {-4, 0, MouseTracking::Select, {1, 0}},
        {0, -1, MouseTracking::LineDrag, {-1, -1}},
        {0, -3, MouseTracking::LineDrag, {-1, -1}},
        {0, -4, MouseTracking::Select, {1, 0}},
        // Exactly on the right edge: the next cell, far from its own borders.
        {+0x100, 0, MouseTracking::Select, {1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy);
        grid.ClearSelection();
        const TRect r = Rect(1, 0);
        const QPoint centre = Centre(1, 0);
        const QPoint p(c.dx == 0x100 ? r.right
                       : c.dx        ? r.right + c.dx
                                     : centre.x(),
                       c.dy ? r.bottom + c.dy : centre.y());
        mouse.LeftPress(p, MK_LBUTTON);
        EXPECT_EQ(mouse.Tracking(), c.tracking);
        mouse.Release();
        if (c.selected.first >= 0) {
            EXPECT_EQ(Selection(), std::vector<Pos>{c.selected});
        } else {
            EXPECT_TRUE(grid.SelectedCells.isEmpty());
        }
    }
}

TEST_F(MouseTest, AtTheCornerTheCursorShowsTheColumnButThePressDragsTheLine) {
    const TRect r = Rect(0, 0);
    const QPoint corner(r.right - 1, r.bottom - 1);
    EXPECT_EQ(mouse.CursorAt(corner), MouseCursor::SizeWE);
    EXPECT_EQ(mouse.CursorAt(QPoint(r.left + 20, r.bottom - 2)), MouseCursor::SizeNS);
    EXPECT_EQ(mouse.CursorAt(Centre(0, 0)), MouseCursor::IBeam);
    EXPECT_EQ(mouse.CursorAt(QPoint(2, 2)), MouseCursor::Arrow);
    EXPECT_EQ(mouse.LeftPress(corner, MK_LBUTTON), PressOutcome::Dragging);
    EXPECT_EQ(mouse.Tracking(), MouseTracking::LineDrag);
    mouse.Release();
}

TEST_F(MouseTest, OnlyShiftWithTheLeftButtonAddsToTheSelection) {
    struct Case {
        int keys;
        std::vector<Pos> after;
    } cases[] = {
        {MK_LBUTTON | MK_SHIFT, {{0, 0}, {2, 2}}},
        {MK_LBUTTON | MK_SHIFT | MK_CONTROL, {{2, 2}}},
        {MK_LBUTTON | MK_RBUTTON | MK_SHIFT, {{2, 2}}}, // 7: Shift while the right is held
        {MK_LBUTTON | MK_CONTROL, {{2, 2}}},
        {MK_LBUTTON, {{2, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Click(Centre(0, 0));
        Click(Centre(2, 2), c.keys);
        EXPECT_EQ(Selection(), c.after);
        EXPECT_EQ(grid.FocusCell, At(grid, 2, 2));
        EXPECT_EQ(grid.LastSelectedCell, At(grid, 2, 2));
    }
    // Shift-clicking a selected cell leaves it selected.
    Click(Centre(2, 2), MK_LBUTTON | MK_SHIFT);
    EXPECT_EQ(Selection(), (std::vector<Pos>{{2, 2}}));
}

TEST_F(MouseTest, PlainRubberBandDropsCellsThatLeaveItShiftBandKeepsThem) {
    mouse.LeftPress(Centre(0, 0), MK_LBUTTON);
    mouse.Move(Centre(1, 1), MK_LBUTTON);
    EXPECT_EQ(Selection(), (std::vector<Pos>{{0, 0}, {0, 1}, {1, 0}, {1, 1}}));
    mouse.Move(Centre(0, 1), MK_LBUTTON);
    EXPECT_EQ(Selection(), (std::vector<Pos>{{0, 0}, {0, 1}}));
    mouse.Release();

    Click(Centre(2, 2));
    mouse.LeftPress(Centre(1, 0), MK_LBUTTON | MK_SHIFT);
    mouse.Move(Centre(1, 1), MK_LBUTTON | MK_SHIFT);
    mouse.Move(Centre(1, 0), MK_LBUTTON | MK_SHIFT);
    mouse.Release();
    EXPECT_EQ(Selection(), (std::vector<Pos>{{2, 2}, {1, 0}, {1, 1}}));
}

TEST_F(MouseTest, RubberBandAcrossAMergedBlockSelectsItsTopOnce) {
    MergeColumnOne();
    mouse.LeftPress(Centre(2, 0), MK_LBUTTON);
    mouse.Move(Centre(0, 2), MK_LBUTTON);
    mouse.Move(Centre(0, 2) + QPoint(1, 0), MK_LBUTTON);
    mouse.Release();
    EXPECT_EQ(grid.SelectedCells.count(At(grid, 0, 1)), 1);
    EXPECT_FALSE(grid.SelectedCells.contains(At(grid, 1, 1)));
    EXPECT_EQ(grid.SelectedCells.size(), 8);
}

TEST_F(MouseTest, ColumnDragMovesTheWholeColumnOrOnlyTheSelectedRows) {
    const auto before = Widths(grid);
    const int x0 = Rect(0, 0).right;
    EXPECT_EQ(Drag(QPoint(x0 - 1, Centre(1, 0).y()), QPoint(x0 + 20, 500)),
              ReleaseOutcome::DragApplied);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Widths(grid)[i][0], before[i][0] + 20) << i;
        EXPECT_EQ(Widths(grid)[i][1], before[i][1] - 20) << i;
    }
    EXPECT_EQ(grid.ChangeCount(), 1);

    Click(Centre(1, 0)); // a click that only selects changes nothing
    EXPECT_EQ(grid.ChangeCount(), 1);
    Drag(QPoint(x0 + 19, Centre(1, 0).y()), QPoint(x0, 0));
    EXPECT_EQ(Widths(grid)[0][0], before[0][0] + 20);
    EXPECT_EQ(Widths(grid)[1], before[1]);
    EXPECT_EQ(Widths(grid)[2][0], before[2][0] + 20);
}

TEST_F(MouseTest, ColumnDragBounds) {
    const TRect r = Rect(0, 0);
    mouse.LeftPress(QPoint(r.right - 1, r.top + 5), MK_LBUTTON);
    EXPECT_EQ(mouse.DraggedCells().size(), 3);
    EXPECT_EQ(mouse.DragLow(), r.left + 10);
    EXPECT_EQ(mouse.DragHigh(), Rect(0, 1).right - 10);
    mouse.Move(QPoint(-500, 0), MK_LBUTTON);
    EXPECT_EQ(mouse.DragLinePos(), r.left + 10);
    mouse.Move(QPoint(5000, 0), MK_LBUTTON); // leaving the window
    EXPECT_EQ(mouse.DragLinePos(), Rect(0, 1).right - 10);
    mouse.Release();
    EXPECT_EQ(Widths(grid)[0][1], 10);
    // The last cell's border stops 10 px before the window's right edge.
    const TRect last = Rect(0, 2);
    mouse.LeftPress(QPoint(last.right - 1, last.top + 5), MK_LBUTTON);
    EXPECT_EQ(mouse.DragHigh(), grid.WindowSize().width() - 10);
    mouse.Release();
}

TEST_F(MouseTest, RefusedColumnDragsChangeNothing) {
    MergeColumnOne();
    struct Case {
        const char* name;
        Pos selected, pressed;
    } cases[] = {
        {"A: the neighbour is the lower part of a block", {1, 0}, {1, 0}},
        {"B: the neighbour reaches below the moved cells", {0, 0}, {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Select(grid, {c.selected});
        const QByteArray before = Save(grid);
        const int changes = grid.ChangeCount();
        const TRect r = Rect(c.pressed.first, c.pressed.second);
        EXPECT_EQ(Drag(QPoint(r.right - 1, r.top + 6), QPoint(r.right + 30, r.top + 6)),
                  ReleaseOutcome::DragRefused);
        EXPECT_EQ(Save(grid), before);
        EXPECT_EQ(grid.ChangeCount(), changes);
    }
    // With nothing selected the whole column moves, block included.
    grid.ClearSelection();
    const TRect r = Rect(2, 0);
    EXPECT_EQ(Drag(QPoint(r.right - 1, r.top + 6), QPoint(r.right + 30, r.top + 6)),
              ReleaseOutcome::DragApplied);
    EXPECT_EQ(Rect(0, 1).left, r.right + 30);
}

TEST_F(MouseTest, LineDragAboveTheTextHeightLeavesTheTextHeight) {
    TReportLine* line = grid.Lines[0];
    const int content = line->MinHeight;
    const QPoint bottom(Centre(0, 0).x(), Rect(0, 0).bottom - 1);
    EXPECT_EQ(Drag(bottom, QPoint(bottom.x(), line->LineTop + 1)), ReleaseOutcome::DragApplied);
    EXPECT_EQ(line->DragHeight, 5); // clamped at LineTop + 5
    EXPECT_EQ(line->LineHeight(), content);
    Drag(QPoint(bottom.x(), Rect(0, 0).bottom - 1), QPoint(bottom.x(), line->LineTop + 60));
    EXPECT_EQ(line->LineHeight(), 60);
    EXPECT_EQ(grid.Lines[1]->LineTop, line->LineTop + 60);
    // Below the window the line stops 10 px above the window's bottom.
    Drag(QPoint(bottom.x(), Rect(2, 0).bottom - 1), QPoint(bottom.x(), 100000));
    EXPECT_EQ(grid.Lines[2]->LineTop + grid.Lines[2]->LineHeight(),
              grid.WindowSize().height() - 10);
}

TEST_F(MouseTest, LineDragOfABlockSizesItsLowestLine) {
    MergeColumnOne();
    const TRect block = Rect(0, 1);
    const int lineTop = grid.Lines[1]->LineTop;
    Drag(QPoint(Centre(0, 1).x(), block.bottom - 2), QPoint(Centre(0, 1).x(), lineTop + 50));
    EXPECT_EQ(grid.Lines[1]->DragHeight, 50);
    EXPECT_EQ(grid.Lines[0]->DragHeight, 0);
}

TEST_F(MouseTest, DoubleClickOpensTheEditorOnlyOnCellsWiderThanTenPixels) {
    for (int width : {10, 11}) {
        SCOPED_TRACE(width);
        At(grid, 0, 0)->SetCellWidth(width);
        grid.UpdateLines();
        Select(grid, {{1, 1}});
        const bool opened = mouse.DoubleClick(Centre(0, 0));
        EXPECT_EQ(opened, width > 10);
        EXPECT_EQ(grid.BoxOpen(), width > 10);
        EXPECT_EQ(grid.EditingCell, width > 10 ? At(grid, 0, 0) : nullptr);
        EXPECT_TRUE(grid.SelectedCells.isEmpty());
        grid.CancelEdit();
    }
}

TEST_F(MouseTest, TypingGrowsTheLineAndTheBoxFollowsTheNextPressKeepsTheText) {
    TReportCell* cell = At(grid, 0, 0);
    cell->SetCellText(G("旧"));
    mouse.DoubleClick(Centre(0, 0));
    EXPECT_EQ(grid.BoxText(), QStringLiteral("旧"));
    EXPECT_EQ(grid.ChangeCount(), 0); // opening is no change
    const int height = grid.Lines[0]->LineHeight();
    grid.TypeText(QStringLiteral("\n甲\nab"));
    EXPECT_EQ(cell->CellText, G("旧\r\n甲\r\nab"));
    EXPECT_GT(grid.Lines[0]->LineHeight(), height);
    EXPECT_EQ(grid.BoxRect(), cell->TextRect);
    EXPECT_EQ(grid.Lines[1]->LineTop, grid.Lines[0]->LineTop + grid.Lines[0]->LineHeight());
    EXPECT_EQ(grid.ChangeCount(), 5); // one per character
    Click(Centre(2, 2));
    EXPECT_FALSE(grid.BoxOpen());
    EXPECT_EQ(grid.EditingCell, nullptr);
    EXPECT_EQ(cell->CellText, G("旧\r\n甲\r\nab"));
}

TEST(EditorText, TheBoxTakesWhatTheCellCanStore) {
    struct Case {
        QString inserted;
        int available;
        QString accepted;
    } cases[] = {
        {QStringLiteral("a汉b"), 10, QStringLiteral("a汉b")},
        {QStringLiteral("a汉b"), 2, QStringLiteral("a")}, // the character is never cut in half
        {QStringLiteral("a\nb"), 2, QStringLiteral("a")}, // a line break is CR LF
        {QStringLiteral("a") + QChar(0x2029) + QStringLiteral("b"), 4, QStringLiteral("a\nb")},
        // Characters outside GBK keep their four-byte GB18030 codes; a lone surrogate has none.
        {QStringLiteral("x😀y") + QChar(0x0E01), 10, QStringLiteral("x😀y") + QChar(0x0E01)},
        {QStringLiteral("x😀y"), 4, QStringLiteral("x")},
        {QStringLiteral("x") + QChar(0xD800) + QStringLiteral("y"), 4, QStringLiteral("xy")},
        {QStringLiteral("?"), 1, QStringLiteral("?")},
        {QStringLiteral("abc"), 0, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditorText::Fit(c.inserted, c.available), c.accepted) << c.inserted.toStdString();
    EXPECT_EQ(EditorText::Bytes(QStringLiteral("汉\na")), 5);
    EXPECT_EQ(EditorText::Bytes(QStringLiteral("汉") + QChar(0x2029) + QChar(0x2028) + "𠀀"), 10);
    EXPECT_EQ(EditorText::ToCell(QStringLiteral("汉\na")), G("汉\r\na"));
    EXPECT_EQ(EditorText::FromCell(G("汉\r\na")), QStringLiteral("汉\na"));
}

TEST_F(MouseTest, PastedTextIsCutAtTheLimitAndRareCharactersKeepTheirCodes) {
    TReportCell* cell = At(grid, 1, 1);
    mouse.DoubleClick(Centre(1, 1));
    // 𠀀 and 😀 are four bytes each in GB18030, ก too; a lone surrogate is not accepted.
    grid.TypeText(QStringLiteral("a𠀀😀") + QChar(0x0E01) + QChar(0xD800) + QStringLiteral("b"));
    EXPECT_EQ(cell->CellText, QByteArray::fromHex("6195328236"
                                                  "9439fc36"
                                                  "8132ce39"
                                                  "62"));
    EXPECT_EQ(grid.BoxText(), QStringLiteral("a𠀀😀") + QChar(0x0E01) + QStringLiteral("b"));
    grid.PasteText(QString(100 * 1024, QChar(0x6C49))); // 100 K of 汉
    EXPECT_EQ(cell->CellText, QByteArray::fromHex("6195328236"
                                                  "9439fc36"
                                                  "8132ce39"
                                                  "62") +
                                  G("汉").repeated(1493));
    grid.TypeText(QStringLiteral("c"));
    EXPECT_EQ(cell->CellText.size(), 3000);
    grid.TypeText(QStringLiteral("𠀀")); // four bytes do not fit in what is left
    EXPECT_EQ(cell->CellText.size(), 3000);
    // A line break takes two bytes: with one byte left only a one-byte character goes in.
    grid.CancelEdit();
    mouse.DoubleClick(Centre(2, 2));
    grid.PasteText(QString(2999, u'a'));
    grid.TypeText(QStringLiteral("\n汉b"));
    EXPECT_EQ(At(grid, 2, 2)->CellText, QByteArray(2999, 'a') + "b");
}

TEST_F(MouseTest, RightButtonRule) {
    Select(grid, {{0, 0}, {1, 1}, {2, 2}});
    mouse.ContextMenu(Centre(1, 1));
    EXPECT_EQ(Selection(), (std::vector<Pos>{{0, 0}, {1, 1}, {2, 2}}));
    mouse.ContextMenu(Centre(0, 2));
    EXPECT_EQ(Selection(), (std::vector<Pos>{{0, 2}}));
    mouse.ContextMenu(QPoint(3, 3));
    EXPECT_TRUE(grid.SelectedCells.isEmpty());
}

TEST_F(MouseTest, APressAtAnotherZoomOnlyRestoresOneHundred) {
    grid.SetZoom(75);
    EXPECT_EQ(mouse.LeftPress(Centre(0, 0), MK_LBUTTON), PressOutcome::ZoomRestored);
    EXPECT_EQ(mouse.Tracking(), MouseTracking::None);
    EXPECT_EQ(mouse.Release(), ReleaseOutcome::None);
    EXPECT_EQ(grid.Zoom, 100);
    EXPECT_TRUE(grid.SelectedCells.isEmpty());
    Click(Centre(0, 0));
    EXPECT_EQ(Selection(), (std::vector<Pos>{{0, 0}}));
}

TEST_F(MouseTest, BadInputChangesNothingAndNeverCrashes) {
    // Outside every cell: the selection goes, the band selects what it meets.
    Select(grid, {{0, 0}});
    mouse.LeftPress(QPoint(5, 5), MK_LBUTTON);
    EXPECT_TRUE(grid.SelectedCells.isEmpty());
    mouse.Move(QPoint(-100, -100), MK_LBUTTON);
    mouse.Release();
    EXPECT_FALSE(mouse.DoubleClick(QPoint(-1, -1)));
    // One line of one cell: both drags keep to their bounds.
    THeadlessGrid one;
    one.NewTable(1, 1);
    TGridMouse m(one);
    const TRect r = one.Lines[0]->Cells[0]->CellRect;
    m.LeftPress(QPoint(r.right - 1, r.top + 4), MK_LBUTTON);
    m.Move(QPoint(100000, -100000), MK_LBUTTON);
    EXPECT_EQ(m.Release(), ReleaseOutcome::DragApplied);
    EXPECT_EQ(one.Lines[0]->Cells[0]->CellRect.right, one.WindowSize().width() - 10);
    m.LeftPress(QPoint(r.left + 20, r.bottom - 1), MK_LBUTTON);
    m.Move(QPoint(0, -100000), MK_LBUTTON);
    EXPECT_EQ(m.Release(), ReleaseOutcome::DragApplied);
    EXPECT_EQ(one.Lines[0]->DragHeight, 5);
    // The document goes away under a drag: nothing is applied to the cells that are gone.
    m.LeftPress(QPoint(r.left + 20, r.bottom - 1), MK_LBUTTON);
    one.ResetContent();
    one.NewTable(2, 2);
    EXPECT_EQ(m.Release(), ReleaseOutcome::None);
    EXPECT_TRUE(test::CheckInvariants(one).empty());
}

TEST_F(MouseTest, WidthWriteBackKeepsTheShownPageAndWritesTheStream) {
    // A produced page: header, detail line 1, footer from line 2 on.
    grid.FooterLineIndex = 2;
    QBuffer page;
    page.open(QIODevice::ReadWrite);
    grid.SaveToStream(page, 0);
    grid.WidthLineCount = 3;
    At(grid, 0, 0)->SetCellText(G("改过"));
    Select(grid, {{2, 0}});
    grid.InsertLine();
    grid.ClearSelection();
    grid.UpdateLines();
    const int x0 = Rect(1, 0).right;
    Drag(QPoint(x0 - 1, Centre(1, 0).y()), QPoint(x0 + 25, 0));
    const auto widths = Widths(grid);

    grid.ShowingPages = false;
    EXPECT_FALSE(WriteColumnWidthsBack(grid, 1, &page));
    grid.ShowingPages = true;
    EXPECT_FALSE(WriteColumnWidthsBack(grid, 0, &page));
    grid.SetKarvellEdit(true);
    EXPECT_FALSE(WriteColumnWidthsBack(grid, 1, &page));
    grid.SetKarvellEdit(false);
    ASSERT_TRUE(WriteColumnWidthsBack(grid, 1, &page));
    EXPECT_EQ(grid.ColumnWidths[39][0], 3);
    // The shown grid is as the user left it.
    EXPECT_EQ(grid.Lines.size(), 4);
    EXPECT_EQ(At(grid, 0, 0)->CellText, G("改过"));
    EXPECT_EQ(Widths(grid), widths);
    // The stream has the new widths and none of the other touch-ups.
    THeadlessGrid stored;
    page.seek(0);
    ASSERT_TRUE(stored.LoadFromStream(page, 0));
    EXPECT_EQ(stored.Lines.size(), 3);
    EXPECT_EQ(stored.Lines[0]->Cells[0]->CellText, QByteArray());
    EXPECT_EQ(Widths(stored)[1][0], widths[1][0]);
}

} // namespace
} // namespace karvell
