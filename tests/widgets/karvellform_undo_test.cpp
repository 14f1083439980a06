// Undo and redo in the template editor: the same grid history as the designer, with the
// editor's own rules on what clears it (opening, Close, a new table) and what does not (Save,
// Save As re-reading the file).
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "formatbar.h"
#include "karvellform_helpers.h"
#include "newtableform.h"
#include "preview_helpers.h"
#include "reportcontrol.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

class EditorUndoTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        file = MakeTemplate(QStringLiteral("t.ept"), 3, 2, QStringLiteral("起"));
        OpenWithDialog(file);
        grid = form->ReportControl1;
        form->resize(1400, 1600);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        grid->SetZoom(100);
    }
    QPoint Centre(int line, int cell) const {
        return grid->Lines[line]->Cells[cell]->CellRect.ToQRect().center();
    }
    QAction* Item(const char* name) const {
        return form->findChild<QAction*>(QString::fromLatin1(name));
    }
    QByteArray OnDisk(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString file;
    TReportControl* grid = nullptr;
};

TEST_F(EditorUndoTest, ChangesUndoToTheSavedBytesAndSavingKeepsTheHistory) {
    const QByteArray start = OnDisk(file);
    const QByteArray opened = grid->Snapshot();
    ASSERT_FALSE(Item("EditUndo")->isEnabled());
    // Typing, a command and a key, each one step.
    QTest::mouseDClick(grid, Qt::LeftButton, {}, Centre(0, 1));
    ASSERT_TRUE(grid->EditBox());
    QTest::keyClicks(grid->EditBox(), QStringLiteral("ab"));
    QInputMethodEvent commit; // Chinese comes through the input method
    commit.setCommitString(QStringLiteral("甲乙"));
    QApplication::sendEvent(grid->EditBox(), &commit);
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(1, 0));
    Item("AddLine")->trigger();
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(0, 0));
    QTest::keyClick(grid, Qt::Key_Delete); // clears "起"
    EXPECT_TRUE(grid->Lines[0]->Cells[0]->CellText.isEmpty());
    EXPECT_FALSE(form->ReportSaved);
    EXPECT_EQ(grid->History().UndoCount(), 3);

    // Save (F2) keeps the history and makes this the saved state.
    QTest::keyClick(form.get(), Qt::Key_F2);
    EXPECT_TRUE(form->ReportSaved);
    const QByteArray saved = OnDisk(file);
    EXPECT_EQ(grid->History().UndoCount(), 3);
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(form->ReportSaved);
    QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(form->ReportSaved) << "redo back to the saved state";

    // Save As re-reads the file it wrote and goes on with the same history.
    const QString copy = dir.filePath(QStringLiteral("copy.ept"));
    messages->dialogAnswers.push_back(QVariant(copy));
    Item("FileSave")->trigger();
    EXPECT_EQ(OnDisk(copy), saved);
    EXPECT_EQ(grid->History().UndoCount(), 3);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid->Snapshot(), opened);
    EXPECT_FALSE(Item("EditUndo")->isEnabled());
    EXPECT_TRUE(Item("EditRedo")->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_F2);
    EXPECT_EQ(OnDisk(copy), start) << "undoing everything and saving gives the start's bytes";
}

TEST_F(EditorUndoTest, OpeningClosingAndANewTableClearTheHistory) {
    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(0, 0));
    Item("AddLine")->trigger();
    ASSERT_TRUE(grid->History().CanUndo());
    // Another template: the question first (No discards), then nothing to undo.
    messages->answers = {MsgResult::No};
    OpenWithDialog(MakeTemplate(QStringLiteral("other.ept")));
    EXPECT_FALSE(grid->History().CanUndo());
    EXPECT_TRUE(form->ReportSaved);

    QTest::mouseClick(grid, Qt::LeftButton, {}, Centre(0, 0));
    Item("AddLine")->trigger();
    ASSERT_TRUE(grid->History().CanUndo());
    messages->answers = {MsgResult::Ok};
    form->FileCloseClick();
    EXPECT_FALSE(grid->History().CanUndo());
    EXPECT_FALSE(grid->Undo()) << "undo after the template was closed does nothing";

    const auto watch = WhenModal<TfrmNewTable>([](TfrmNewTable* dialog) { dialog->accept(); });
    Item("NewTable")->trigger();
    ASSERT_FALSE(grid->Lines.isEmpty());
    EXPECT_FALSE(grid->History().CanUndo());
    EXPECT_FALSE(form->ReportSaved);
}

TEST_F(EditorUndoTest, EveryToolButtonHasAnAccessibleName) {
    const QList<QToolButton*> buttons = form->findChildren<QToolButton*>();
    ASSERT_GE(buttons.size(), 10);
    for (QToolButton* button : buttons) {
        if (button->objectName().startsWith(QLatin1String("qt_"))) continue; // Qt's own
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
        ASSERT_TRUE(a);
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << button->objectName().toStdString();
    }
}

} // namespace
