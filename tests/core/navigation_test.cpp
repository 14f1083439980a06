// Moving the current cell with the keyboard and copying cells: merged blocks as one cell,
// pastes into existing cells only.
#include <gtest/gtest.h>

#include "model/cellclipboard.h"
#include "model/navigation.h"
#include "model_helpers.h"

namespace karvell {
namespace {

using test::At;
using test::CheckInvariants;
using test::G;
using test::LetterPrinter;
using test::PositionOf;
using test::Select;
using Pos = std::pair<int, int>;

// 3 × 3 with (0,1) covering (1,1): a merged block in the middle column.
class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.NewTable(3, 3);
        Select(doc, {{0, 1}, {1, 1}});
        doc.CombineCell();
        doc.ClearSelection();
        doc.FocusCell = doc.LastSelectedCell = nullptr;
        ASSERT_TRUE(At(doc, 1, 1)->OwnerCell);
    }
    LetterPrinter printer;
    TReportDocument doc;
};

TEST_F(KeyboardTest, MovesTreatAMergedBlockAsOneCell) {
    const struct {
        Pos from;
        CellMove move;
        Pos to; // (-1, -1): the edge, no move
    } cases[] = {
        {{0, 0}, CellMove::Right, {0, 1}},    {{1, 0}, CellMove::Right, {0, 1}},
        {{0, 1}, CellMove::Right, {0, 2}},    {{1, 2}, CellMove::Left, {0, 1}},
        {{0, 1}, CellMove::Down, {2, 1}},     {{2, 1}, CellMove::Up, {0, 1}},
        {{0, 0}, CellMove::Left, {-1, -1}},   {{0, 0}, CellMove::Up, {-1, -1}},
        {{2, 2}, CellMove::Down, {-1, -1}},   {{2, 2}, CellMove::Right, {-1, -1}},
        {{0, 2}, CellMove::Next, {1, 0}},     {{1, 0}, CellMove::Next, {1, 2}},
        {{1, 2}, CellMove::Previous, {1, 0}}, {{2, 2}, CellMove::Next, {-1, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.from.first << "," << c.from.second << " move " << int(c.move));
        const TReportCell* to = NeighbourCell(doc, At(doc, c.from.first, c.from.second), c.move);
        EXPECT_EQ(to ? PositionOf(doc, to) : Pos(-1, -1), c.to);
    }
}

TEST_F(KeyboardTest, ArrowsMoveTheSelectionShiftArrowsExtendIt) {
    EXPECT_TRUE(MoveCurrentCell(doc, CellMove::Right, false)); // no current cell: the first one
    EXPECT_EQ(PositionOf(doc, doc.FocusCell), Pos(0, 0));
    EXPECT_TRUE(MoveCurrentCell(doc, CellMove::Right, false));
    EXPECT_TRUE(MoveCurrentCell(doc, CellMove::Down, true));
    ASSERT_EQ(doc.SelectedCells.size(), 2);
    EXPECT_EQ(PositionOf(doc, doc.SelectedCells[0]), Pos(0, 1));
    EXPECT_EQ(PositionOf(doc, doc.SelectedCells[1]), Pos(2, 1));
    EXPECT_EQ(doc.LastSelectedCell, At(doc, 2, 1));
    EXPECT_FALSE(MoveCurrentCell(doc, CellMove::Down, false)); // the edge: nothing changes
    EXPECT_EQ(doc.SelectedCells.size(), 2);
    EXPECT_TRUE(MoveCurrentCell(doc, CellMove::Left, false));
    ASSERT_EQ(doc.SelectedCells.size(), 1);
    EXPECT_EQ(PositionOf(doc, doc.SelectedCells[0]), Pos(2, 0));
}

TEST_F(KeyboardTest, CopyAndPasteGoIntoExistingCellsOnly) {
    for (TReportLine* line : doc.Lines)
        for (TReportCell* cell : line->Cells)
            cell->SetCellText(QByteArray(1, char('a' + line->Index * 3 + cell->CellIndex)));
    At(doc, 2, 0)->SetCellDispFormat("0,.00");
    At(doc, 2, 0)->SetTextColor(0x0000FF);
    const int width = At(doc, 0, 0)->CellWidth;
    doc.UpdateLines();
    Select(doc, {{2, 1}, {2, 0}}); // a line of cells, selected out of order
    const CopiedCells copied = CopyCells(doc);
    EXPECT_EQ(copied.text, QStringLiteral("g\th"));

    // Onto (0,1): the merge top takes the first cell, the line's end drops the second.
    Select(doc, {{0, 2}});
    Select(doc, {{0, 1}});
    EXPECT_EQ(PasteCells(doc, copied.stream), 2);
    EXPECT_EQ(At(doc, 0, 1)->CellText, "g");
    EXPECT_EQ(At(doc, 0, 1)->CellDispFormat, "0,.00");
    EXPECT_EQ(At(doc, 0, 1)->TextColor, 0x0000FFu);
    EXPECT_EQ(At(doc, 0, 2)->CellText, "h");
    EXPECT_EQ(At(doc, 0, 1)->CellWidth, width) << "widths are not pasted";
    EXPECT_TRUE(At(doc, 1, 1)->OwnerCell) << "the merge is kept";

    // Spreadsheet text from (0,0) down across the block: the covered cell is skipped.
    Select(doc, {{0, 0}});
    EXPECT_EQ(PasteText(doc, QStringLiteral("1\t2\r\n3\t4\t5\t6\r\n")), 4);
    EXPECT_EQ(At(doc, 1, 0)->CellText, "3");
    EXPECT_EQ(At(doc, 1, 1)->CellText, "e");
    EXPECT_EQ(At(doc, 1, 2)->CellText, "5");
    EXPECT_EQ(doc.Lines.size(), 3) << "no line or cell is created";
    EXPECT_TRUE(CheckInvariants(doc).empty());

    // Bad clipboards change nothing.
    const QByteArray before = doc.Snapshot();
    EXPECT_EQ(PasteCells(doc, QByteArray("\x57\xAA garbage", 10)), 0);
    EXPECT_EQ(PasteCells(doc, QByteArray(MAX_CLIPBOARD_BYTES + 1, 'x')), 0);
    EXPECT_EQ(doc.Snapshot(), before);

    // Characters outside GBK keep their GB18030 codes; cut empties the texts.
    Select(doc, {{2, 2}});
    PasteText(doc, QStringLiteral("é😀中"));
    EXPECT_EQ(At(doc, 2, 2)->CellText, G("é") + QByteArray::fromHex("9439fc36") + G("中"));
    const CopiedCells cut = CutCells(doc);
    EXPECT_EQ(cut.text, QStringLiteral("é😀中"));
    EXPECT_TRUE(At(doc, 2, 2)->CellText.isEmpty());
}

} // namespace
} // namespace karvell
