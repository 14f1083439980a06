// Undo and redo, the keyboard and copy and paste in the voucher designer, driven by real key
// and mouse events: ten different changes undone give back the saved file's bytes.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "designer_helpers.h"
#include "formatbar.h"
#include "mainform.h"
#include "platform/gbk.h"
#include "preview_helpers.h"
#include "previewform.h"
#include "reportcontrol.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

class DesignerUndo : public DesignerFormTest {
protected:
    void SetUp() override {
        DesignerFormTest::SetUp();
        form->resize(1400, 1600); // the whole page at 100 %
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        grid->SetZoom(100);
    }
    QPoint Centre(int line, int cell) const {
        return grid->Lines[line]->Cells[cell]->CellRect.ToQRect().center();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(grid, Qt::Key(key), modifiers);
    }
    void Shortcut(int key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(form.get(), Qt::Key(key), modifiers);
    }
    QByteArray FileBytes() const {
        QFile f(m_work.filePath(QStringLiteral("edj/单据.edj")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(DesignerUndo, TenChangesUndoneGiveTheSavedFileBack) {
    Shortcut(Qt::Key_S, Qt::ControlModifier);
    const QByteArray start = FileBytes();
    ASSERT_FALSE(start.isEmpty());
    ASSERT_TRUE(form->FileSaved);
    auto* undo = Named("table_undo");
    ASSERT_TRUE(undo);
    EXPECT_FALSE(undo->isEnabled());

    QList<QByteArray> states{grid->Snapshot()};
    const auto changed = [&](const char* what) {
        const QByteArray now = grid->Snapshot();
        EXPECT_NE(now, states.last()) << what;
        states.append(now);
    };
    // 1. A command from the menu on the current cell.
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(0, 0));
    Named("table_insert")->trigger();
    changed("insert line");
    // 2. The formatting bar.
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(1, 0));
    QTest::mouseClick(form->Panel1->bold, Qt::LeftButton);
    changed("bold");
    // 3. Delete clears the texts of the selection.
    Key(Qt::Key_Delete);
    changed("delete");
    // 4. Typing in place: one step for the whole session.
    QTest::mouseDClick(grid, Qt::LeftButton, {}, Centre(0, 1));
    ASSERT_TRUE(grid->EditBox());
    QTest::keyClicks(grid->EditBox(), QStringLiteral("AB"));
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(3, 1));
    EXPECT_EQ(Gbk::Decode(Cell(0, 1)->CellText), QStringLiteral("AB"));
    changed("typing");
    // 5. A field from the popup's catalogue into the current cell.
    form->findChild<QAction*>(QStringLiteral("p_field_date"))->trigger();
    changed("field");
    // 6. Copy a line of cells and paste it onto another line.
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(0, 0));
    QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier, Centre(0, 1));
    Key(Qt::Key_C, Qt::ControlModifier);
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(3, 0));
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Gbk::Decode(Cell(3, 1)->CellText), QStringLiteral("AB"));
    changed("paste");
    // 7. A column border dragged.
    const TRect r = Cell(2, 0)->CellRect;
    QTest::mousePress(grid, Qt::LeftButton, {}, QPoint(r.right - 1, r.top + 5));
    QTest::mouseMove(grid, QPoint(r.right + 30, r.top + 5));
    QTest::mouseRelease(grid, Qt::LeftButton, {}, QPoint(r.right + 30, r.top + 5));
    changed("border drag");
    // 8. Combine two cells.
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(2, 0));
    QTest::mouseClick(grid, Qt::LeftButton, Qt::ShiftModifier, Centre(2, 1));
    Named("table_combine")->trigger();
    changed("combine");
    // 9. Cut.
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(3, 1));
    Key(Qt::Key_X, Qt::ControlModifier);
    changed("cut");
    // 10. Add a line.
    Named("table_add")->trigger();
    changed("add line");
    EXPECT_FALSE(form->FileSaved);
    EXPECT_TRUE(undo->isEnabled());

    for (int i = 10; i > 0; --i) {
        Shortcut(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(grid->Snapshot(), states[i - 1]) << "undo to state " << i - 1;
    }
    EXPECT_TRUE(form->FileSaved) << "back at the saved state";
    EXPECT_FALSE(undo->isEnabled());
    for (int i = 1; i <= 5; ++i) {
        Shortcut(i % 2 ? Qt::Key_Y : Qt::Key_Z,
                 i % 2 ? Qt::ControlModifier : Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(grid->Snapshot(), states[i]) << "redo to state " << i;
    }
    EXPECT_FALSE(form->FileSaved);
    for (int i = 0; i < 5; ++i)
        Shortcut(Qt::Key_Z, Qt::ControlModifier);
    Shortcut(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(FileBytes(), start) << "undoing everything and saving gives the start's bytes";
}

TEST_F(DesignerUndo, KeysMoveTheCurrentCellAndRefreshTheBar) {
    Cell(1, 1)->LogFont.lfWeight = 700;
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(0, 0));
    EXPECT_FALSE(form->Panel1->bold->isChecked());
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    EXPECT_EQ(grid->FocusCell, Cell(1, 1));
    ASSERT_EQ(grid->SelectedCells.size(), 1);
    EXPECT_TRUE(form->Panel1->bold->isChecked()) << "the bar shows the cell the key moved to";
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedCells.size(), 2);
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid->FocusCell, Cell(1, 0)) << "Tab goes on to the next line";
    EXPECT_EQ(QApplication::focusWidget(), grid) << "Tab stays in the grid";
    Key(Qt::Key_Escape);
    EXPECT_TRUE(grid->SelectedCells.isEmpty());
    EXPECT_TRUE(form->isVisible());

    // Enter opens the editor; Escape in it brings back the text it opened with.
    Key(Qt::Key_Return);
    ASSERT_TRUE(grid->EditBox());
    QTest::keyClicks(grid->EditBox(), QStringLiteral("xyz"));
    EXPECT_TRUE(Gbk::Decode(Cell(1, 0)->CellText).endsWith(QStringLiteral("xyz")));
    QTest::keyClick(grid->EditBox(), Qt::Key_Escape);
    EXPECT_FALSE(grid->EditBox());
    EXPECT_EQ(Gbk::Decode(Cell(1, 0)->CellText), QStringLiteral("#从表.名称"));
    EXPECT_FALSE(form->FileSaved) << "the restore is a change like any other";

    // At another zoom the first key only returns to 100 %.
    grid->SetZoom(60);
    const TReportCell* before = grid->FocusCell;
    Key(Qt::Key_Right);
    EXPECT_EQ(grid->Zoom, 100);
    EXPECT_EQ(grid->FocusCell, before);
}

TEST_F(DesignerUndo, EveryToolButtonHasAnAccessibleName) {
    TPreviewForm preview(nullptr);
    for (QWidget* window : {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(&preview)}) {
        const QList<QToolButton*> buttons = window->findChildren<QToolButton*>();
        ASSERT_GE(buttons.size(), 9);
        for (QToolButton* button : buttons) {
            if (button->objectName().startsWith(QLatin1String("qt_"))) continue; // Qt's own
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
            ASSERT_TRUE(a);
            EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
                << button->objectName().toStdString();
        }
    }
    // The two centring buttons share their hint but not their name.
    EXPECT_NE(form->Panel1->center->accessibleName(), form->Panel1->medium->accessibleName());
}

} // namespace
