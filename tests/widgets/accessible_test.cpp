// The grid as screen readers and UI test tools see it: a table of its lines and cells.
#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "reportcontrol.h"

using namespace karvell;

namespace {

TEST(GridAccessibility, TheGridIsATableOfItsCells) {
    TReportControl grid;
    grid.NewTable(3, 2);
    grid.Lines[0]->Cells[0]->SetCellText(Gbk::Encode(QStringLiteral("摘要")));
    grid.Lines[1]->Cells[2]->SetCellText("1,000.00");
    // A merged block: (0,1) covers (1,1).
    grid.AddSelectedCell(grid.Lines[0]->Cells[1]);
    grid.AddSelectedCell(grid.Lines[1]->Cells[1]);
    grid.CombineCell();
    grid.ClearSelection();
    grid.UpdateLines();
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));

    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&grid);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->role(), QAccessible::Table);
    QAccessibleTableInterface* t = table->tableInterface();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->rowCount(), 2);
    EXPECT_EQ(t->columnCount(), 3);
    EXPECT_EQ(table->childCount(), 5) << "the covered cell is part of its block";

    QAccessibleInterface* first = t->cellAt(0, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->text(QAccessible::Name), QStringLiteral("摘要"));
    EXPECT_EQ(first->role(), QAccessible::Cell);
    EXPECT_EQ(t->cellAt(1, 2)->text(QAccessible::Value), QStringLiteral("1,000.00"));
    QAccessibleTableCellInterface* block = t->cellAt(1, 1)->tableCellInterface();
    ASSERT_TRUE(block);
    EXPECT_EQ(block->rowIndex(), 0);
    EXPECT_EQ(block->rowExtent(), 2);
    EXPECT_EQ(t->cellAt(0, 1), t->cellAt(1, 1)) << "one interface per cell";
    EXPECT_EQ(table->indexOfChild(t->cellAt(1, 2)), 4);

    // Selection and the current cell as the grid holds them.
    grid.AddSelectedCell(grid.Lines[1]->Cells[2]);
    EXPECT_EQ(t->selectedCellCount(), 1);
    EXPECT_TRUE(t->cellAt(1, 2)->state().selected);
    EXPECT_TRUE(t->cellAt(1, 2)->state().focused);
    EXPECT_FALSE(first->state().selected);
    EXPECT_EQ(table->focusChild(), t->cellAt(1, 2));
    // The cell's place on the screen is the cell's rectangle in the window.
    const QRect r = t->cellAt(1, 2)->rect();
    EXPECT_EQ(r.topLeft(), grid.mapToGlobal(grid.Lines[1]->Cells[2]->CellRect.ToQRect().topLeft()));

    // A cell that is gone is reported invalid instead of reading freed memory.
    QAccessibleInterface* last = t->cellAt(1, 2);
    grid.ClearSelection();
    grid.AddSelectedCell(grid.Lines[1]->Cells[0]);
    grid.DeleteLine();
    EXPECT_FALSE(last->isValid());
    EXPECT_EQ(t->rowCount(), 1);
}

} // namespace
