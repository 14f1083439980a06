// The grid window's mouse with real Qt mouse, key and input-method events: the owner's
// notification after the selection is complete, the right button's rule after the owner's notice,
// the double click as its own event, the drag line repainting only itself, the in-place edit
// box with its colours, Enter, the input method and the paste limit, the change notification.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "platform/printer.h"
#include "reportcontrol.h"

using namespace karvell;

namespace {

// Paint events of a widget: the union of their regions.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget* w) { w->installEventFilter(this); }
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

class GridMouseTest : public testing::Test {
protected:
    void SetUp() override {
        PrinterService::Instance().Reset();
        grid = std::make_unique<TReportControl>();
        grid->NewTable(3, 3);
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
    }
    void TearDown() override {
        grid.reset();
        PrinterService::Instance().Reset();
    }
    TReportCell* Cell(int line, int cell) { return grid->Lines[line]->Cells[cell]; }
    QPoint Centre(int line, int cell) {
        const TRect& r = Cell(line, cell)->CellRect;
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    std::unique_ptr<TReportControl> grid;
};

TEST_F(GridMouseTest, LeftPressTellsTheOwnerOnlyAfterTheSelectionIsComplete) {
    QList<TReportCell*> focusAtNotice;
    QObject::connect(grid.get(), &TReportControl::MouseDown,
                     [&](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
                         if (button == Qt::LeftButton) focusAtNotice << grid->FocusCell;
                     });
    QSignalSpy changed(grid.get(), &TReportControl::Changed);
    QTest::mousePress(grid.get(), Qt::LeftButton, {}, Centre(0, 0));
    EXPECT_TRUE(focusAtNotice.isEmpty()); // the selection is still tracked
    QTest::mouseMove(grid.get(), Centre(1, 1));
    QTest::mouseRelease(grid.get(), Qt::LeftButton, {}, Centre(1, 1));
    EXPECT_EQ(focusAtNotice, QList<TReportCell*>{Cell(1, 1)});
    EXPECT_EQ(grid->SelectedCells.size(), 4);
    QTest::mouseClick(grid.get(), Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier,
                      Centre(2, 2));
    EXPECT_EQ(grid->SelectedCells.size(), 5); // Alt is not part of the key state
    EXPECT_EQ(changed.count(), 0);            // selecting changes nothing
}

TEST_F(GridMouseTest, RightPressNotifiesFirstThenAppliesTheSelectionRule) {
    grid->AddSelectedCell(Cell(0, 0));
    grid->AddSelectedCell(Cell(1, 1));
    int rightNotices = 0;
    QObject::connect(grid.get(), &TReportControl::MouseDown,
                     [&](Qt::MouseButton button, Qt::KeyboardModifiers, QPoint) {
                         if (button == Qt::RightButton) ++rightNotices;
                         EXPECT_EQ(grid->SelectedCells.size(), 2); // the owner sees the old one
                     });
    QTest::mouseClick(grid.get(), Qt::RightButton, {}, Centre(1, 1));
    EXPECT_EQ(rightNotices, 1);
    EXPECT_EQ(grid->SelectedCells.size(), 2); // a selected cell keeps the selection
    QTest::mousePress(grid.get(), Qt::RightButton, {}, Centre(2, 2));
    EXPECT_EQ(grid->SelectedCells, QList<TReportCell*>{Cell(2, 2)});
    QTest::mouseRelease(grid.get(), Qt::RightButton, {}, Centre(2, 2));
    EXPECT_EQ(grid->SelectedCells, QList<TReportCell*>{Cell(2, 2)});
}

TEST_F(GridMouseTest, ADragMoveRepaintsOnlyTheOldAndTheNewDragLine) {
    const TRect r = Cell(0, 0)->CellRect;
    QTest::mousePress(grid.get(), Qt::LeftButton, {}, QPoint(r.right - 1, r.top + 5));
    QTest::mouseMove(grid.get(), QPoint(r.right + 10, r.top + 5));
    QApplication::processEvents();
    PaintRecorder recorder(grid.get());
    QTest::mouseMove(grid.get(), QPoint(r.right + 30, 400));
    QApplication::processEvents();
    const QRegion expected =
        QRegion(r.right + 10, 0, 1, grid->height()) + QRegion(r.right + 30, 0, 1, grid->height());
    EXPECT_EQ(recorder.painted, expected);
    QSignalSpy changed(grid.get(), &TReportControl::Changed);
    QSignalSpy applied(grid.get(), &TReportControl::BorderDragApplied);
    QTest::mouseRelease(grid.get(), Qt::LeftButton, {}, QPoint(r.right + 30, 400));
    EXPECT_EQ(Cell(2, 0)->CellRect.right, r.right + 30);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(applied.count(), 1);
}

TEST_F(GridMouseTest, DoubleClickIsItsOwnEventAndOpensTheBoxOverTheText) {
    TReportCell* cell = Cell(1, 1);
    cell->SetTextColor(0x00FF0000);       // blue
    cell->SetBackGroundColor(0x0000FFFF); // yellow
    cell->HorzAlign = 2;
    grid->AddSelectedCell(Cell(0, 0));
    QTest::mouseDClick(grid.get(), Qt::LeftButton, {}, Centre(1, 1));
    QPlainTextEdit* box = grid->EditBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(grid->EditingCell, cell);
    EXPECT_TRUE(grid->SelectedCells.isEmpty());
    EXPECT_EQ(box->geometry(), cell->TextRect.ToQRect());
    EXPECT_EQ(box->palette().color(QPalette::Text), QColor(0, 0, 255));
    EXPECT_EQ(box->palette().color(QPalette::Base), QColor(255, 255, 0));
    EXPECT_EQ(box->document()->defaultTextOption().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_TRUE(box->hasFocus());
}

TEST_F(GridMouseTest, TypingAndTheInputMethodGoLiveIntoTheCellAndTheLineGrows) {
    TReportCell* cell = Cell(0, 1);
    QSignalSpy changed(grid.get(), &TReportControl::Changed);
    QTest::mouseDClick(grid.get(), Qt::LeftButton, {}, Centre(0, 1));
    QPlainTextEdit* box = grid->EditBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(changed.count(), 0);
    const int height = grid->Lines[0]->LineHeight();
    QTest::keyClicks(box, QStringLiteral("ab"));
    QTest::keyClick(box, Qt::Key_Return);
    QInputMethodEvent preedit(QStringLiteral("zhong"), {});
    QApplication::sendEvent(box, &preedit);
    EXPECT_EQ(cell->CellText, QByteArray("ab\r\n")); // the preedit is not text yet
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中文"));
    QApplication::sendEvent(box, &commit);
    EXPECT_EQ(cell->CellText, Gbk::Encode(QStringLiteral("ab\r\n中文")));
    EXPECT_GT(grid->Lines[0]->LineHeight(), height);
    EXPECT_EQ(box->geometry(), cell->TextRect.ToQRect());
    EXPECT_GT(changed.count(), 0);
    // Escape neither commits nor cancels; the next press in the grid commits.
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_EQ(grid->EditBox(), box);
    QTest::mouseClick(grid.get(), Qt::LeftButton, {}, Centre(2, 2));
    EXPECT_EQ(grid->EditBox(), nullptr);
    EXPECT_EQ(grid->EditingCell, nullptr);
    EXPECT_EQ(cell->CellText, Gbk::Encode(QStringLiteral("ab\r\n中文")));
}

TEST_F(GridMouseTest, PastedTextIsCutAtTheLimitAndRareCharactersKeepTheirCodes) {
    QTest::mouseDClick(grid.get(), Qt::LeftButton, {}, Centre(2, 0));
    QPlainTextEdit* box = grid->EditBox();
    ASSERT_NE(box, nullptr);
    // 𠀀 and ก are four GB18030 bytes each; a lone surrogate has no code and never shows.
    const QString rare = QStringLiteral("a𠀀") + QChar(0x0E01) + QStringLiteral("b");
    QApplication::clipboard()->setText(QStringLiteral("a𠀀") + QChar(0x0E01) + QChar(0xD800) +
                                       QStringLiteral("b"));
    box->paste();
    EXPECT_EQ(box->toPlainText(), rare);
    EXPECT_EQ(Cell(2, 0)->CellText, QByteArray::fromHex("61953282368132ce3962"));
    QApplication::clipboard()->setText(QString(100 * 1024, QChar(0x6C49)));
    box->paste();
    EXPECT_EQ(Cell(2, 0)->CellText.size(), 3000);
    EXPECT_EQ(box->toPlainText(), rare + QString(1495, QChar(0x6C49)));
    QTest::keyClick(box, Qt::Key_Return); // no room for CR LF
    EXPECT_EQ(Cell(2, 0)->CellText.size(), 3000);
    EXPECT_FALSE(box->toPlainText().endsWith(u'\n'));
}

TEST_F(GridMouseTest, AClickAtAnotherZoomOnlyRestoresOneHundred) {
    grid->SetZoom(75);
    int notices = 0;
    QObject::connect(grid.get(), &TReportControl::MouseDown, [&] { ++notices; });
    QTest::mouseClick(grid.get(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(grid->Zoom, 100);
    EXPECT_TRUE(grid->SelectedCells.isEmpty());
    EXPECT_EQ(notices, 0);
    QTest::mouseClick(grid.get(), Qt::LeftButton, {}, Centre(0, 0));
    EXPECT_EQ(grid->SelectedCells.size(), 1);
    EXPECT_EQ(notices, 1);
}

TEST_F(GridMouseTest, TheWindowShowsTheSelectionAlsoInPreviewMode) {
    grid->PreviewMode = true;
    grid->AddSelectedCell(Cell(1, 1));
    const QImage image = grid->grab().toImage();
    const QPoint inside = Centre(1, 1);
    EXPECT_EQ(image.pixel(inside), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(Centre(1, 0)), qRgb(255, 255, 255));
}

} // namespace
