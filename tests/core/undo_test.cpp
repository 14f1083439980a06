// Undo and redo over document snapshots: every kind of change comes back to the exact bytes,
// the saved state is known again, the history stays bounded and the selection returns.
#include <gtest/gtest.h>

#include <functional>

#include "model/reportdocument.h"
#include "model/undohistory.h"
#include "model_helpers.h"
#include "platform/error.h"
#include "platform/printer.h"

namespace karvell {
namespace {

using test::At;
using test::CheckInvariants;
using test::G;
using test::LetterPrinter;
using test::PositionOf;
using test::Save;
using test::Select;

class UndoTest : public ::testing::Test {
protected:
    void SetUp() override {
        doc.NewTable(4, 3);
        for (TReportLine* line : doc.Lines)
            for (TReportCell* cell : line->Cells)
                cell->SetCellText(G("格") + QByteArray::number(line->Index * 10 + cell->CellIndex));
        doc.UpdateLines();
        start = Save(doc);
    }
    LetterPrinter printer;
    TReportDocument doc;
    QByteArray start;
};

TEST_F(UndoTest, EveryKindOfChangeUndoesToTheExactBytesAndRedoes) {
    const struct {
        const char* name;
        std::vector<std::pair<int, int>> select;
        std::function<void(TReportDocument&)> change;
    } cases[] = {
        {"AddLine", {{1, 1}}, [](TReportDocument& d) { d.AddLine(); }},
        {"InsertLine", {{1, 1}}, [](TReportDocument& d) { d.InsertLine(); }},
        {"DeleteLine", {{1, 1}}, [](TReportDocument& d) { d.DeleteLine(); }},
        {"AddCell", {{1, 1}}, [](TReportDocument& d) { d.AddCell(); }},
        {"InsertCell", {{1, 1}}, [](TReportDocument& d) { d.InsertCell(); }},
        {"DeleteCell", {{1, 1}}, [](TReportDocument& d) { d.DeleteCell(); }},
        {"CombineCell",
         {{0, 1}, {1, 1}, {0, 2}, {1, 2}},
         [](TReportDocument& d) { d.CombineCell(); }},
        {"VSplitCell", {{2, 0}}, [](TReportDocument& d) { d.VSplitCell(3); }},
        {"SetSelText", {{0, 0}, {2, 3}}, [](TReportDocument& d) { d.SetSelText(G("合计")); }},
        {"SetSelColors", {{0, 0}}, [](TReportDocument& d) { d.SetSelColors(0x0000FF, 0xEEEEEE); }},
        {"SetSelAlign", {{0, 0}}, [](TReportDocument& d) { d.SetSelAlign(2, 0); }},
        {"SetSelDiagonal", {{0, 0}}, [](TReportDocument& d) { d.SetSelDiagonal(0x101); }},
        {"SetSelBorders",
         {{0, 0}},
         [](TReportDocument& d) { d.SetSelBorders(false, true, false, true, 1, 2, 1, 2); }},
        {"SetSelFont",
         {{1, 2}},
         [](TReportDocument& d) {
             LOGFONTA f = d.Lines[1]->Cells[2]->LogFont;
             f.lfHeight = -32;
             d.SetSelFont(f);
         }},
        {"SetSelDispFormat", {{1, 2}}, [](TReportDocument& d) { d.SetSelDispFormat("0,.00"); }},
        {"SetMargin", {}, [](TReportDocument& d) { d.SetMargin(30, 25, 15, 20); }},
        {"border drag",
         {},
         [](TReportDocument& d) {
             d.Lines[0]->Cells[0]->SetCellWidth(d.Lines[0]->Cells[0]->CellWidth + 30);
             d.Lines[1]->SetDragHeight(80);
             d.UpdateLines();
         }},
        {"NewTable",
         {},
         [](TReportDocument& d) {
             d.ResetContent();
             d.NewTable(2, 2);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Save(doc), start);
        TUndoHistory history(doc);
        Select(doc, c.select);
        ASSERT_TRUE(history.Change([&] { c.change(doc); }));
        const QByteArray after = Save(doc);
        ASSERT_NE(after, start);
        EXPECT_FALSE(history.IsAtSavedState());

        ASSERT_TRUE(history.Undo());
        EXPECT_EQ(Save(doc), start);
        EXPECT_TRUE(history.IsAtSavedState());
        EXPECT_TRUE(CheckInvariants(doc).empty());
        ASSERT_TRUE(history.Redo());
        EXPECT_EQ(Save(doc), after);
        EXPECT_FALSE(history.Undo() && history.Undo()) << "one step only";
        EXPECT_EQ(Save(doc), start);
        doc.ClearSelection();
    }
}

TEST_F(UndoTest, AChangeThatChangesNothingIsNoStep) {
    TUndoHistory history(doc);
    doc.ClearSelection();
    EXPECT_FALSE(history.Change([&] { doc.SetSelText(G("无")); })); // nothing selected
    EXPECT_FALSE(history.CanUndo());
    // Nested changes make one step.
    Select(doc, {{0, 0}});
    history.Begin();
    history.Change([&] { doc.SetSelText("a"); });
    doc.SetSelAlign(1, 1);
    EXPECT_TRUE(history.End());
    EXPECT_EQ(history.UndoCount(), 1);
}

TEST_F(UndoTest, TheSavedStateIsKnownAgainAfterUndoAndRedo) {
    TUndoHistory history(doc);
    Select(doc, {{0, 0}});
    history.Change([&] { doc.SetSelText("one"); });
    history.MarkSaved(); // the user saved here
    history.Change([&] { doc.SetSelText("two"); });
    EXPECT_FALSE(history.IsAtSavedState());
    history.Undo();
    EXPECT_TRUE(history.IsAtSavedState());
    history.Undo();
    EXPECT_FALSE(history.IsAtSavedState());
    history.Redo();
    EXPECT_TRUE(history.IsAtSavedState());
    // A new change after an undo drops the redo steps.
    history.Undo();
    history.Change([&] { doc.SetSelText("three"); });
    EXPECT_FALSE(history.CanRedo());
    EXPECT_FALSE(history.IsAtSavedState());
    history.Clear(); // another template opened
    EXPECT_FALSE(history.CanUndo());
    EXPECT_TRUE(history.IsAtSavedState());
}

TEST_F(UndoTest, TheHistoryStaysBounded) {
    TUndoHistory history(doc, 200);
    Select(doc, {{0, 0}});
    for (int i = 0; i < 10000; ++i)
        history.Change([&] { doc.SetSelText(QByteArray::number(i)); });
    EXPECT_EQ(history.UndoCount(), 200);
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(history.Undo());
    EXPECT_FALSE(history.Undo());
    EXPECT_EQ(At(doc, 0, 0)->CellText, QByteArray::number(10000 - 201));
}

TEST_F(UndoTest, TheHistoryIsBoundedByBytesDroppingTheOldestSteps) {
    Select(doc, {{0, 0}});
    const qsizetype snapshot = Save(doc).size() + 3000;
    const qsizetype bound = 10 * snapshot;
    TUndoHistory history(doc, 200, bound);
    for (int i = 0; i < 50; ++i)
        history.Change([&] { doc.SetSelText(QByteArray(2990, 'a') + QByteArray::number(i)); });
    EXPECT_LE(history.Bytes(), bound);
    EXPECT_GE(history.UndoCount(), 5);
    EXPECT_LT(history.UndoCount(), 50);
    // What is kept are the newest steps, each undoing to its own text.
    const int kept = history.UndoCount();
    for (int i = 0; i < kept; ++i)
        ASSERT_TRUE(history.Undo());
    EXPECT_FALSE(history.Undo());
    EXPECT_EQ(At(doc, 0, 0)->CellText, QByteArray(2990, 'a') + QByteArray::number(49 - kept));
    // Redo stays within the bound too and brings back the last text.
    while (history.Redo()) {
    }
    EXPECT_LE(history.Bytes(), bound);
    EXPECT_EQ(At(doc, 0, 0)->CellText, QByteArray(2990, 'a') + QByteArray::number(49));
}

TEST_F(UndoTest, TheSelectionComesBackWhereItsCellsExist) {
    TUndoHistory history(doc);
    Select(doc, {{2, 1}, {2, 3}});
    history.Change([&] { doc.DeleteLine(); });
    ASSERT_EQ(doc.Lines.size(), 2);
    history.Undo();
    ASSERT_EQ(doc.SelectedCells.size(), 2);
    EXPECT_EQ(PositionOf(doc, doc.SelectedCells[0]), std::make_pair(2, 1));
    EXPECT_EQ(PositionOf(doc, doc.SelectedCells[1]), std::make_pair(2, 3));
    EXPECT_EQ(doc.FocusCell, doc.SelectedCells[1]);
    // Redo: line 2 is gone, its cells are not selected.
    history.Redo();
    EXPECT_TRUE(doc.SelectedCells.isEmpty());
}

TEST_F(UndoTest, PageSetupUndoesThePrintersPaperToo) {
    TUndoHistory history(doc);
    history.Change([&] {
        DEVMODE* dm = LockPrinterDevMode();
        dm->dmPaperSize = 11; // A5
        dm->dmOrientation = 2;
        doc.SetMargin(10, 10, 10, 10);
    });
    EXPECT_NE(Save(doc), start);
    history.Undo();
    EXPECT_EQ(LockPrinterDevMode()->dmOrientation, 1);
    EXPECT_EQ(Save(doc), start) << "undoing everything and saving gives the start's bytes";
}

TEST_F(UndoTest, SnapshotsTouchNeitherThePrinterNorTheZoom) {
    doc.SetZoom(150);
    DEVMODE* dm = LockPrinterDevMode();
    const DEVMODE before = *dm;
    dm->dmOrientation = 2; // what the user chose since the document was saved
    const QByteArray snapshot = doc.Snapshot();
    EXPECT_EQ(doc.Zoom, 150);
    doc.RestoreSnapshot(snapshot);
    EXPECT_EQ(doc.Zoom, 150);
    EXPECT_EQ(LockPrinterDevMode()->dmOrientation, 2);
    *dm = before;
    EXPECT_THROW(doc.RestoreSnapshot("garbage"), KarvellError);
    EXPECT_EQ(doc.Snapshot(), snapshot) << "a bad snapshot leaves the document alone";
}

} // namespace
} // namespace karvell
