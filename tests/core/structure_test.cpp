// Structural editing: new table, lines and cells added, inserted and deleted, combining and
// splitting.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "model/reportdocument.h"
#include "model_helpers.h"
#include "platform/messages.h"
#include "platform/textlayout.h"

namespace karvell {
namespace {

using test::At;
using test::CheckInvariants;
using test::G;
using test::LetterPrinter;
using test::PositionOf;
using test::Save;
using test::Select;
using test::Widths;
using Pos = std::pair<int, int>;

int LH() {
    return TextLayout::LineHeight(DefaultCellFont());
}

class StructureTest : public ::testing::Test {
protected:
    LetterPrinter printer; // page 768 wide: 768 − 77 − 38 = 653 px between the margins
};

// Gives every cell a one-letter text: A, B, C, … line by line.
void Letter(TReportDocument& doc) {
    char c = 'A';
    for (TReportLine* line : doc.Lines)
        for (TReportCell* cell : line->Cells)
            cell->SetCellText(QByteArray(1, c++));
    doc.UpdateLines();
}

std::vector<std::vector<std::string>> Texts(const TReportDocument& doc) {
    std::vector<std::vector<std::string>> texts;
    for (const TReportLine* line : doc.Lines) {
        texts.emplace_back();
        for (const TReportCell* cell : line->Cells)
            texts.back().push_back(cell->CellText.toStdString());
    }
    return texts;
}

// Merge tops with their owned cells, by position.
std::map<Pos, std::vector<Pos>> Merges(const TReportDocument& doc) {
    std::map<Pos, std::vector<Pos>> merges;
    for (const TReportLine* line : doc.Lines)
        for (const TReportCell* cell : line->Cells)
            for (const TReportCell* owned : cell->OwnedCells)
                merges[PositionOf(doc, cell)].push_back(PositionOf(doc, owned));
    return merges;
}

struct TableCase {
    int columns, rows, width;
};

TEST_F(StructureTest, NewTableLaysOutEqualCells) {
    const TableCase cases[] = {{6, 10, 109}, {3, 1, 218}, {1, 1, 653}, {7, 2, 93}};
    for (const TableCase& c : cases) {
        TReportDocument doc;
        doc.NewTable(c.columns, c.rows);
        ASSERT_EQ(doc.Lines.size(), c.rows);
        EXPECT_TRUE(CheckInvariants(doc).empty());
        int top = 77;
        for (const TReportLine* line : doc.Lines) {
            ASSERT_EQ(line->Cells.size(), c.columns);
            EXPECT_EQ(line->LineTop, top);
            EXPECT_EQ(line->LineHeight(), LH() + 4);
            EXPECT_EQ(line->LineRect, (TRect{77, top, 77 + c.width * c.columns, top + LH() + 4}));
            for (int j = 0; j < c.columns; ++j) {
                const TReportCell* cell = line->Cells[j];
                EXPECT_EQ(cell->CellWidth, c.width);
                EXPECT_EQ(cell->CellRect,
                          (TRect{77 + c.width * j, top, 77 + c.width * (j + 1), top + LH() + 4}));
            }
            top += LH() + 4;
        }
    }
}

TEST_F(StructureTest, NewTableOnAGridWithLinesIsRefusedAndChangesNothing) {
    TReportDocument doc;
    EXPECT_TRUE(doc.NewTable(2, 2));
    const QByteArray before = Save(doc);
    EXPECT_FALSE(doc.NewTable(3, 3));
    EXPECT_EQ(Save(doc), before);
}

struct CombineCase {
    const char* name;
    int columns, rows;
    std::vector<std::vector<Pos>> steps;  // each: select these cells, then CombineCell
    std::vector<std::vector<int>> widths; // in cells of the new table
    std::vector<std::vector<std::string>> texts;
    std::map<Pos, std::vector<Pos>> merges;
    Pos selected; // the one cell selected afterwards
};

void PrintTo(const CombineCase& c, std::ostream* os) {
    *os << c.name;
}

class CombineTest : public StructureTest, public ::testing::WithParamInterface<CombineCase> {};

TEST_P(CombineTest, CombinesRectangles) {
    const CombineCase& c = GetParam();
    TReportDocument doc;
    doc.NewTable(c.columns, c.rows);
    Letter(doc);
    const int w = At(doc, 0, 0)->CellWidth;
    for (const auto& step : c.steps) {
        Select(doc, step);
        doc.CombineCell();
        ASSERT_TRUE(CheckInvariants(doc).empty()) << CheckInvariants(doc).front();
    }
    auto widths = c.widths;
    for (auto& line : widths)
        for (int& x : line)
            x *= w;
    EXPECT_EQ(Widths(doc), widths);
    EXPECT_EQ(Texts(doc), c.texts);
    EXPECT_EQ(Merges(doc), c.merges);
    if (c.selected.first >= 0) { // otherwise nothing was combined and the selection stays
        ASSERT_EQ(doc.SelectedCells.size(), 1);
        EXPECT_EQ(PositionOf(doc, doc.SelectedCells[0]), c.selected);
        EXPECT_EQ(doc.FocusCell, doc.SelectedCells[0]);
    }
    // The block is painted as one cell over all its lines.
    for (const auto& [top, owned] : c.merges) {
        const TReportCell* t = At(doc, top.first, top.second);
        const TReportCell* last = At(doc, owned.back().first, owned.back().second);
        EXPECT_EQ(t->CellRect.bottom, last->CellRect.bottom);
    }
}

const CombineCase kCombineCases[] = {
    {"two middle cells of four",
     4,
     1,
     {{{0, 1}, {0, 2}}},
     {{1, 2, 1}},
     {{"A", "B", "D"}},
     {},
     {0, 1}},
    {"column of three",
     2,
     3,
     {{{0, 0}, {1, 0}, {2, 0}}},
     {{1, 1}, {1, 1}, {1, 1}},
     {{"ACE", "B"}, {"", "D"}, {"", "F"}},
     {{{0, 0}, {{1, 0}, {2, 0}}}},
     {0, 0}},
    {"column selected bottom first",
     1,
     2,
     {{{1, 0}, {0, 0}}},
     {{1}, {1}},
     {{"AB"}, {""}},
     {{{0, 0}, {{1, 0}}}},
     {0, 0}},
    {"two by two square",
     3,
     2,
     {{{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
     {{2, 1}, {2, 1}},
     {{"AD", "C"}, {"", "F"}},
     {{{0, 0}, {{1, 0}}}},
     {0, 0}},
    {"different extents combine nothing",
     3,
     2,
     {{{0, 0}, {1, 1}}},
     {{1, 1, 1}, {1, 1, 1}},
     {{"A", "B", "C"}, {"D", "E", "F"}},
     {},
     {-1, -1}},
    {"a block widened by the column beside it",
     2,
     2,
     {{{0, 0}, {1, 0}}, {{0, 0}, {0, 1}, {1, 1}}},
     {{2}, {2}},
     {{"AC"}, {""}},
     {{{0, 0}, {{1, 0}}}},
     {0, 0}},
    {"two stacked blocks become one",
     1,
     4,
     {{{0, 0}, {1, 0}}, {{2, 0}, {3, 0}}, {{2, 0}, {0, 0}}},
     {{1}, {1}, {1}, {1}},
     {{"ABCD"}, {""}, {""}, {""}},
     {{{0, 0}, {{1, 0}, {2, 0}, {3, 0}}}},
     {0, 0}},
    {"cells apart in a line", 3, 1, {{{0, 0}, {0, 2}}}, {{2, 1}}, {{"A", "B"}}, {}, {0, 0}},
    {"owned cells with their neighbours leave their old block",
     2,
     3,
     {{{0, 0}, {1, 0}, {2, 0}}, {{1, 0}, {1, 1}, {2, 0}, {2, 1}}},
     {{1, 1}, {2}, {2}},
     {{"ACE", "B"}, {""}, {""}},
     {{{1, 0}, {{2, 0}}}},
     {1, 0}},
};
INSTANTIATE_TEST_SUITE_P(Structure, CombineTest, ::testing::ValuesIn(kCombineCases));

TEST_F(StructureTest, MismatchedCombineKeepsTheSelection) {
    TReportDocument doc;
    doc.NewTable(3, 2);
    Select(doc, {{0, 0}, {1, 1}});
    const QByteArray before = Save(doc);
    doc.CombineCell();
    EXPECT_EQ(Save(doc), before);
    EXPECT_EQ(doc.SelectedCells, (QList<TReportCell*>{At(doc, 0, 0), At(doc, 1, 1)}));
}

TEST_F(StructureTest, SplitCellUndoesTheVerticalMerge) {
    TReportDocument doc;
    doc.NewTable(3, 2);
    Letter(doc);
    Select(doc, {{0, 0}, {0, 1}, {1, 0}, {1, 1}});
    doc.CombineCell();
    const int w2 = At(doc, 0, 0)->CellWidth;
    doc.SplitCell();
    EXPECT_TRUE(CheckInvariants(doc).empty());
    EXPECT_TRUE(Merges(doc).empty());
    EXPECT_EQ(Texts(doc), (std::vector<std::vector<std::string>>{{"AD", "C"}, {"", "F"}}));
    EXPECT_EQ(At(doc, 1, 0)->CellWidth, w2);
    EXPECT_EQ(At(doc, 1, 0)->MinCellHeight, LH() + 4);
    EXPECT_EQ(doc.SelectedCells, QList<TReportCell*>{At(doc, 0, 0)});
    // Not a merge top any more: nothing to split.
    const QByteArray before = Save(doc);
    doc.SplitCell();
    EXPECT_EQ(Save(doc), before);
}

struct VSplitCase {
    int width, count;
    std::vector<int> parts;
};

TEST_F(StructureTest, VSplitCellDividesTheWidth) {
    const VSplitCase cases[] = {
        {100, 3, {33, 34, 33}},
        {100, 20, {12, 16, 12, 12, 12, 12, 12, 12}},
        {100, 1, {100}},
        {131, 4, {32, 35, 32, 32}},
        {30, 2, {15, 15}},
        {18, 5, {10, 10}}, // two parts of 9 px each; no cell is narrower than 10
    };
    for (const VSplitCase& c : cases) {
        for (const bool block : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << c.width << "/" << c.count << (block ? " block" : ""));
            TReportDocument doc;
            doc.NewTable(3, 3);
            Letter(doc);
            if (block) {
                Select(doc, {{0, 1}, {1, 1}, {2, 1}});
                doc.CombineCell();
            }
            for (int i = 0; i < (block ? 3 : 1); ++i)
                At(doc, i, 1)->SetCellWidth(c.width);
            doc.UpdateLines();
            const QByteArray text = At(doc, 0, 1)->CellText;
            Select(doc, {{0, 1}});
            doc.VSplitCell(c.count);
            ASSERT_TRUE(CheckInvariants(doc).empty()) << CheckInvariants(doc).front();
            const int n = int(c.parts.size());
            std::vector<int> line{At(doc, 0, 0)->CellWidth};
            line.insert(line.end(), c.parts.begin(), c.parts.end());
            line.push_back(At(doc, 0, 0)->CellWidth);
            EXPECT_EQ(Widths(doc)[0], line);
            EXPECT_EQ(At(doc, 0, 1)->CellText, text);
            for (int k = 1; k < n; ++k)
                EXPECT_TRUE(At(doc, 0, 1 + k)->CellText.isEmpty());
            std::map<Pos, std::vector<Pos>> merges;
            if (block) {
                for (int k = 0; k < n; ++k)
                    merges[{0, 1 + k}] = {{1, 1 + k}, {2, 1 + k}};
                EXPECT_EQ(Widths(doc)[1], line);
                EXPECT_EQ(Widths(doc)[2], line);
            } else {
                EXPECT_EQ(Widths(doc)[1].size(), 3u);
            }
            EXPECT_EQ(Merges(doc), merges);
        }
    }
}

TEST_F(StructureTest, DeletingTheOnlyCellOfAMiddleLineRemovesTheLine) {
    TReportDocument doc;
    doc.NewTable(2, 4);
    Letter(doc);
    Select(doc, {{2, 0}, {3, 0}});
    doc.CombineCell();
    Select(doc, {{1, 1}});
    doc.DeleteCell();
    ASSERT_EQ(doc.Lines[1]->Cells.size(), 1);
    const int top1 = doc.Lines[1]->LineTop;
    Select(doc, {{1, 0}});
    doc.DeleteCell();
    EXPECT_TRUE(CheckInvariants(doc).empty());
    ASSERT_EQ(doc.Lines.size(), 3);
    EXPECT_EQ(doc.Lines[1]->LineTop, top1);
    EXPECT_EQ(Texts(doc),
              (std::vector<std::vector<std::string>>{{"A", "B"}, {"EG", "F"}, {"", "H"}}));
    EXPECT_EQ(Merges(doc), (std::map<Pos, std::vector<Pos>>{{{1, 0}, {{2, 0}}}}));
    EXPECT_TRUE(doc.SelectedCells.isEmpty());
    EXPECT_EQ(doc.FocusCell, nullptr);
    EXPECT_EQ(doc.LastSelectedCell, nullptr);
}

// A cell added or inserted beside a block's tall bottom cell is a plain empty cell: it asks for
// one text line, not for the block's missing height.
TEST_F(StructureTest, CellsAddedBesideABlockArePlain) {
    for (const bool insert : {false, true}) {
        TReportDocument doc;
        doc.NewTable(1, 3);
        Select(doc, {{0, 0}});
        doc.SetSelText("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8");
        Select(doc, {{0, 0}, {1, 0}, {2, 0}});
        doc.CombineCell();
        ASSERT_GT(At(doc, 2, 0)->MinCellHeight, 2 * (LH() + 4));
        Select(doc, {{2, 0}});
        insert ? doc.InsertCell() : doc.AddCell();
        ASSERT_EQ(doc.Lines[2]->Cells.size(), 2);
        TReportCell* added = At(doc, 2, insert ? 0 : 1);
        EXPECT_EQ(added->OwnerCell, nullptr);
        EXPECT_EQ(added->MinCellHeight, LH() + 4) << (insert ? "InsertCell" : "AddCell");
        EXPECT_TRUE(CheckInvariants(doc).empty());
        Select(doc, {{0, 0}});
        doc.SplitCell(); // the block is gone: its last line is one text line high again
        EXPECT_EQ(doc.Lines[2]->LineHeight(), LH() + 4) << (insert ? "InsertCell" : "AddCell");
    }
}

TEST_F(StructureTest, DeleteCellOfAMergeTopDeletesTheBlock) {
    TReportDocument doc;
    doc.NewTable(2, 3);
    Select(doc, {{0, 0}, {1, 0}, {2, 0}});
    doc.CombineCell();
    doc.DeleteCell();
    EXPECT_TRUE(CheckInvariants(doc).empty());
    EXPECT_EQ(Widths(doc).size(), 3u);
    for (const auto& line : Widths(doc))
        EXPECT_EQ(line.size(), 1u);
}

TEST_F(StructureTest, InsertLineInsideABlockGrowsItAndAboveItDoesNot) {
    const struct {
        Pos selected;
        std::map<Pos, std::vector<Pos>> merges;
    } cases[] = {
        {{1, 1}, {{{0, 0}, {{1, 0}, {2, 0}, {3, 0}}}}}, // a plain cell in the second line
        {{2, 1}, {{{0, 0}, {{1, 0}, {2, 0}, {3, 0}}}}}, // the last line of the block
        {{0, 0}, {{{1, 0}, {{2, 0}, {3, 0}}}}},         // the merge top: new line above
    };
    for (const auto& c : cases) {
        TReportDocument doc;
        doc.NewTable(2, 3);
        Select(doc, {{0, 0}, {1, 0}, {2, 0}});
        doc.CombineCell();
        Select(doc, {c.selected});
        doc.InsertLine();
        EXPECT_TRUE(CheckInvariants(doc).empty());
        ASSERT_EQ(doc.Lines.size(), 4);
        EXPECT_EQ(Merges(doc), c.merges);
        // OwnedCells stay in line order, so the block's rectangle covers its lines.
        const auto& [top, owned] = *c.merges.begin();
        EXPECT_EQ(At(doc, top.first, top.second)->CellRect.bottom, doc.Lines[3]->LineRect.bottom);
    }
}

// The line inserted above a block's last line starts at that line's old top; the relayout that
// ends the operation must still give the missing height to the block's real bottom line.
TEST_F(StructureTest, InsertLineAtTheBottomOfATallBlockSettlesAtOnce) {
    TReportDocument doc;
    doc.NewTable(2, 3);
    Select(doc, {{0, 0}});
    doc.SetSelText("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8");
    Select(doc, {{0, 0}, {1, 0}, {2, 0}});
    doc.CombineCell();
    const int required = At(doc, 0, 0)->RequiredCellHeight;
    ASSERT_EQ(required, 8 * LH() + 4);
    Select(doc, {{2, 1}});
    doc.InsertLine();
    ASSERT_EQ(At(doc, 0, 0)->OwnedCellCount(), 3);
    const int plain = LH() + 4;
    const std::vector<int> heights{plain, plain, plain, required - 3 * plain};
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(doc.Lines[i]->LineHeight(), heights[i]) << "line " << i << " pass " << pass;
        EXPECT_EQ(At(doc, 0, 0)->CellRect.Height(), required);
        doc.UpdateLines();
    }
}

TEST_F(StructureTest, DeleteLineOfAMergeTopReleasesItsCells) {
    TReportDocument doc;
    doc.NewTable(2, 3);
    Letter(doc);
    Select(doc, {{0, 0}, {1, 0}, {2, 0}});
    doc.CombineCell();
    Select(doc, {{0, 0}});
    doc.DeleteLine();
    EXPECT_TRUE(CheckInvariants(doc).empty());
    EXPECT_EQ(Texts(doc), (std::vector<std::vector<std::string>>{{"", "D"}, {"", "F"}}));
    EXPECT_TRUE(Merges(doc).empty());
    EXPECT_EQ(At(doc, 0, 0)->MinCellHeight, LH() + 4);
    EXPECT_EQ(doc.Lines[0]->LineTop, 77);
    // The current cell went with its line: the cell of its column in the line that took the
    // place is current now (not selected), so that 添加行 still acts.
    EXPECT_EQ(doc.FocusCell, At(doc, 0, 0));
    EXPECT_EQ(doc.LastSelectedCell, At(doc, 0, 0));
    EXPECT_TRUE(doc.SelectedCells.isEmpty());
}

TEST_F(StructureTest, DestroyedCellsAreNeverTheCurrentCell) {
    // Each scenario leaves the current cell on a cell that is not selected, then destroys it.
    const struct {
        const char* name;
        std::function<void(TReportDocument&)> run;
        int line = -1, cell = -1; // the current cell afterwards; -1: none
    } cases[] = {
        {"DeleteLine takes the line of the current cell",
         [](TReportDocument& doc) {
             Select(doc, {{0, 0}, {0, 1}});
             doc.RemoveSelectedCell(At(doc, 0, 1));
             doc.DeleteLine();
         },
         0, 1},
        {"DeleteCell of a merge top takes its owned current cell",
         [](TReportDocument& doc) {
             Select(doc, {{0, 0}, {1, 0}});
             doc.CombineCell();
             doc.AddSelectedCell(At(doc, 1, 0));
             doc.RemoveSelectedCell(At(doc, 1, 0));
             doc.DeleteCell();
         }},
        {"ResetContent", [](TReportDocument& doc) { doc.ResetContent(); }},
        {"loading a document",
         [](TReportDocument& doc) {
             TReportDocument other;
             test::Load(doc, Save(other));
         }},
    };
    for (const auto& c : cases) {
        TReportDocument doc;
        doc.NewTable(2, 2);
        Select(doc, {{1, 1}});
        c.run(doc);
        EXPECT_TRUE(CheckInvariants(doc).empty()) << c.name;
        TReportCell* current = c.line < 0 ? nullptr : At(doc, c.line, c.cell);
        EXPECT_EQ(doc.FocusCell, current) << c.name;
        EXPECT_EQ(doc.LastSelectedCell, current) << c.name;
    }
}

} // namespace
} // namespace karvell
