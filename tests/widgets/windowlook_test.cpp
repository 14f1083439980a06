// The windows' small things a user meets: message boxes and dialogs without minimise and
// maximise buttons and with their whole caption, Escape in the font dialog, the font-name box's
// 15 lines, the number-format list's rows, a cancelled composition that never comes back, and
// characters a cell cannot store said in the status bar.
#include <QApplication>
#include <QComboBox>
#include <QFontDialog>
#include <QInputMethodEvent>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "compositionguard.h"
#include "fontcolordialog.h"
#include "karvellform_helpers.h"
#include "newtableform.h"
#include "platform/gbk.h"
#include "preview_helpers.h"
#include "qtmessages.h"
#include "reportcontrol.h"
#include "windowlook.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

TEST(WindowLook, MessageBoxesHaveNoMinMaxButtonsAndShowTheirWholeCaption) {
    QtMessages messages;
    for (const QString& title :
         {QStringLiteral("Danmere"), QStringLiteral("请输入新建表格的列数和行数的数目")}) {
        Qt::WindowFlags flags;
        int width = 0, needed = 0;
        const auto watch = WhenModal<QWidget>([&](QWidget* modal) {
            flags = modal->windowFlags();
            width = modal->width();
            needed = CaptionWidth(modal, title);
            qobject_cast<QMessageBox*>(modal)->accept();
        });
        messages.Show(title, QStringLiteral("请先选择单元格"), MsgIcon::None, MsgButtons::Ok);
        EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint) << title.toStdString();
        EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        // Only the buttons asked for: without this a window manager shows them all.
        EXPECT_TRUE(flags & Qt::CustomizeWindowHint);
        EXPECT_GE(width, needed) << title.toStdString();
    }
}

TEST(WindowLook, DialogsShowTheirWholeCaption) {
    InstallWindowLook();
    TfrmNewTable table;
    TFontColorDialog font;
    for (QDialog* dialog : std::initializer_list<QDialog*>{&table, &font}) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        EXPECT_GE(dialog->width(), CaptionWidth(dialog, dialog->windowTitle()))
            << dialog->windowTitle().toStdString();
        EXPECT_TRUE(dialog->windowFlags() & Qt::CustomizeWindowHint);
        EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
        dialog->hide();
    }
}

TEST(WindowLook, EscapeInTheFontChooserClosesTheWholeFontDialogAsCancel) {
    TFontColorDialog dialog;
    int result = -1;
    bool chooserShownAfter = true;
    const auto watch = WhenModal<QWidget>([&](QWidget*) {
        // Escape where the user types: the chooser's family list.
        QWidget* target = dialog.FontPart->findChild<QListView*>();
        ASSERT_NE(target, nullptr);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        chooserShownAfter = dialog.isVisible();
    });
    result = dialog.exec();
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_FALSE(chooserShownAfter);
}

class EditorLook : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWithDialog(MakeTemplate(QStringLiteral("t.ept"), 3, 2));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        grid = form->ReportControl1;
        grid->SetZoom(100);
        cell = grid->Lines[0]->Cells[1];
        const QPoint at = grid->ShownRect(cell->CellRect).center();
        QTest::mouseClick(grid, Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid, Qt::LeftButton, {}, at);
        box = grid->EditBox();
        ASSERT_NE(box, nullptr);
    }
    void TearDown() override {
        form->ReportSaved = true;
        EditorTest::TearDown();
    }
    static void Send(QWidget* to, const QString& preedit, const QString& commit) {
        QInputMethodEvent e(preedit, {});
        if (!commit.isNull()) e.setCommitString(commit);
        QApplication::sendEvent(to, &e);
    }
    TReportControl* grid = nullptr;
    TReportCell* cell = nullptr;
    QPlainTextEdit* box = nullptr;
};

TEST_F(EditorLook, ACancelledCompositionNeverReachesTheCell) {
    // Composed, then cancelled (the preedit goes away, nothing committed); the user goes on
    // with a key, and the plugin commits its stale preedit: it is dropped.
    Send(box, QStringLiteral("文字"), QString());
    Send(box, QString(), QString());
    EXPECT_EQ(CompositionGuard::Cancelled(), QStringLiteral("文字"));
    QTest::keyClick(box, Qt::Key_Right);
    Send(box, QString(), QStringLiteral("文字"));
    EXPECT_TRUE(box->toPlainText().isEmpty());
    EXPECT_TRUE(cell->CellText.isEmpty());
    // A commit that follows its preedit's clearing at once is the engine's way of committing.
    Send(box, QStringLiteral("文字"), QString());
    Send(box, QString(), QString());
    Send(box, QString(), QStringLiteral("文字"));
    EXPECT_EQ(Gbk::Decode(cell->CellText), QStringLiteral("文字"));
}

TEST_F(EditorLook, WhatACellCannotTakeIsSaidInTheStatusBar) {
    // A rare character the input method offers is kept, four bytes in the cell's code.
    form->StatusBar1->clearMessage();
    Send(box, QStringLiteral("yan"), QString());
    Send(box, QString(), QStringLiteral("甲䶮乙"));
    EXPECT_EQ(Gbk::Decode(cell->CellText), QStringLiteral("甲䶮乙"));
    EXPECT_TRUE(form->StatusBar1->currentMessage().isEmpty())
        << form->StatusBar1->currentMessage().toStdString();
    // Text past the cell's byte limit is not dropped silently.
    Send(box, QString(), QString(3000, u'x'));
    const QString said = form->StatusBar1->currentMessage();
    EXPECT_TRUE(said.contains(QStringLiteral("3000"))) << said.toStdString();
    EXPECT_EQ(cell->CellText.size(), 3000);
}

TEST_F(EditorLook, TheFontBoxOpensOnFifteenLinesAndBothListsHaveOneRowHeight) {
    QComboBox* fonts = form->fontbox;
    ASSERT_GT(fonts->count(), 15);
    fonts->showPopup();
    QAbstractItemView* view = fonts->view();
    const int row = view->sizeHintForRow(0);
    ASSERT_GT(row, 0);
    EXPECT_LE(view->height(), 16 * row + 2 * view->frameWidth() + 8);
    EXPECT_GE(view->height(), 14 * row);
    fonts->hidePopup();
    // The number-format list's rows are as tall as the function list's.
    ASSERT_GT(form->Lsum->count(), 0);
    EXPECT_EQ(form->CellDispFormt->view()->sizeHintForRow(0),
              form->Lsum->view()->sizeHintForRow(0));
}

} // namespace
