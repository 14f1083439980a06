// The designer's window as a user meets it, with real mouse and key events: the popup menu and
// the context-menu rule, clicks after saving at the fitted zoom, 添加行 after 删除行, the size
// box, and start-up without a printer.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

#include "common/scoped_env.h"
#include "designer_helpers.h"
#include "formatbar.h"
#include "mainform.h"
#include "pagescrollbox.h"
#include "platform/logfont.h"
#include "platform/printer.h"
#include "reportcontrol.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

// Acts on the popup menu as soon as it is open (it runs its own loop).
[[nodiscard]] std::unique_ptr<QTimer> WhenPopup(std::function<void(QMenu*)> act) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(10);
    QTimer* t = timer.get();
    QObject::connect(t, &QTimer::timeout, [t, act] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            t->stop();
            act(menu);
        }
    });
    timer->start();
    return timer;
}

class DesignerView : public DesignerFormTest {
protected:
    void Show() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->resize(800, 700);
        QTest::qWait(20);
    }
    // A cell's centre in window pixels at the zoom shown.
    QPoint At(int line, int column) {
        return grid->ShownRect(Cell(line, column)->CellRect).center();
    }
};

TEST_F(DesignerView, RightClickMakesTheCellUnderThePointerTheSelectionOnceTheMenuIsDone) {
    Show();
    grid->SetZoom(100);
    const struct {
        const char* name;
        const char* item; // picked from the menu; nullptr: Escape
    } cases[] = {{"Escape", nullptr}, {"插入行", "p_insertline"}};
    for (const auto& c : cases) {
        Select({Cell(0, 0)});
        TReportLine* lineA = Cell(0, 0)->OwnerLine;
        const QPoint b = At(2, 1);
        TReportCell* cellB = Cell(2, 1);
        bool opened = false;
        const auto watch = WhenPopup([&](QMenu* menu) {
            opened = true;
            EXPECT_EQ(grid->SelectedCells, QList<TReportCell*>{Cell(0, 0)}) << c.name;
            if (!c.item) {
                QTest::keyClick(menu, Qt::Key_Escape);
                return;
            }
            QAction* item = form->findChild<QAction*>(QString::fromLatin1(c.item));
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        });
        QTest::mouseClick(grid, Qt::RightButton, {}, b);
        EXPECT_TRUE(opened) << c.name;
        if (c.item) {
            // The command acted on the selection the menu opened on: a line above A's.
            EXPECT_EQ(grid->Lines.indexOf(lineA), 1) << c.name;
            EXPECT_EQ(grid->SelectedCells, QList<TReportCell*>{grid->CellFromPoint(b)}) << c.name;
        } else {
            EXPECT_EQ(grid->SelectedCells, QList<TReportCell*>{cellB}) << c.name;
        }
    }
    // A selected cell keeps the whole selection.
    Select({Cell(0, 0), Cell(1, 1)});
    const auto watch = WhenPopup([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    QTest::mouseClick(grid, Qt::RightButton, {}, At(1, 1));
    EXPECT_EQ(grid->SelectedCells, (QList<TReportCell*>{Cell(0, 0), Cell(1, 1)}));
}

TEST_F(DesignerView, SavingKeepsTheZoomShownSoClicksHitTheCellUnderThePointer) {
    Show();
    const int fitted = grid->Zoom;
    ASSERT_LT(fitted, 100);
    const QSize shown = grid->size();
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("save")), Qt::LeftButton);
    EXPECT_TRUE(form->FileSaved);
    EXPECT_EQ(grid->Zoom, fitted);
    EXPECT_EQ(grid->size(), shown);
    // The first click only returns to 100 %, as before saving; the next one selects the cell
    // under the pointer.
    QTest::mouseClick(grid, Qt::LeftButton, {}, At(1, 0));
    EXPECT_EQ(grid->Zoom, 100);
    EXPECT_TRUE(grid->SelectedCells.isEmpty());
    QTest::mouseClick(grid, Qt::LeftButton, {}, At(1, 0));
    EXPECT_EQ(grid->SelectedCells, QList<TReportCell*>{Cell(1, 0)});
}

TEST_F(DesignerView, AddLineAppendsRightAfterDeleteLine) {
    Show();
    grid->SetZoom(100);
    QTest::mouseClick(grid, Qt::LeftButton, {}, At(1, 0));
    ASSERT_EQ(grid->SelectedCells, QList<TReportCell*>{Cell(1, 0)});
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("deleterow")), Qt::LeftButton);
    ASSERT_EQ(grid->Lines.size(), 2);
    EXPECT_NE(grid->LastSelectedCell, nullptr); // the current cell outlives its line
    form->FileSaved = true;
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("addrow")), Qt::LeftButton);
    EXPECT_EQ(grid->Lines.size(), 3);
    EXPECT_FALSE(form->FileSaved);
}

TEST_F(DesignerView, TheSizeBoxReadsBlanksAndASignBeforeTheDigits) {
    Show();
    grid->SetZoom(100);
    QTest::mouseClick(grid, Qt::LeftButton, {}, At(0, 0));
    const struct {
        const char* typed;
        int points;
    } cases[] = {{" 20", 20}, {"+20", 20}, {"  14pt", 14}, {"-5", 9}, {"+", 9}, {"0", 9}};
    for (const auto& c : cases) {
        QLineEdit* edit = form->fontsize->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(PointSizeOf(Cell(0, 0)->LogFont), c.points) << c.typed;
        // Once entered, the box shows the size applied, and nothing is applied again.
        const int steps = grid->History().UndoCount();
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(form->fontsize->currentText(), QString::number(c.points)) << c.typed;
        EXPECT_EQ(grid->History().UndoCount(), steps) << c.typed;
    }
}

TEST_F(DesignerView, FitShowsTheWholePageWithoutScrollBars) {
    Show();
    for (const QSize size : {QSize(800, 700), QSize(1000, 800), QSize(700, 900)}) {
        form->resize(size);
        QTest::qWait(20);
        ASSERT_LT(grid->Zoom, 100);
        EXPECT_EQ(form->ScrollBoxMain->verticalScrollBar()->maximum(), 0) << size.height();
        EXPECT_EQ(form->ScrollBoxMain->horizontalScrollBar()->maximum(), 0) << size.width();
        const QPoint bottom =
            grid->mapTo(form->ScrollBoxMain->viewport(), QPoint(grid->width(), grid->height()));
        EXPECT_LE(bottom.y(), form->ScrollBoxMain->viewport()->height()) << size.height();
    }
}

TEST_F(DesignerView, WithoutAPrinterStartUpCompletesAndPrintingSaysSo) {
    form.reset();
    test::ScopedEnv noPrinters("KARVELL_NO_PRINTERS", "1");
    m_messages.boxes.clear();
    TMainForm designer({});
    EXPECT_TRUE(m_messages.boxes.isEmpty()) << m_messages.boxes.value(0).text.toStdString();
    EXPECT_EQ(designer.ReportControlMain->Lines.size(), 3);
    EXPECT_GT(designer.fontbox->count(), 0); // the last start-up step ran
    EXPECT_TRUE(designer.FileSaved);
    // Designing and saving work; the template keeps its own page.
    const QSize page(designer.ReportControlMain->PageWidth, designer.ReportControlMain->PageHeight);
    designer.RunCommand(&TMainForm::table_insertClick);
    designer.RunCommand(&TMainForm::file_saveClick);
    EXPECT_TRUE(m_messages.boxes.isEmpty()) << m_messages.boxes.value(0).text.toStdString();
    TReportDocument reread;
    ASSERT_TRUE(reread.LoadFromFile(QStringLiteral("edj/单据.edj")));
    EXPECT_EQ(reread.Lines.size(), 3);
    EXPECT_EQ(QSize(reread.PageWidth, reread.PageHeight), page);

    // A voucher group: the print step says "未安装打印机" and the window opens.
    Db().Choose(QStringLiteral("01"), QStringLiteral("单据"));
    m_messages.boxes.clear();
    TMainForm voucher({});
    ASSERT_EQ(m_messages.boxes.size(), 1);
    EXPECT_EQ(m_messages.boxes[0].text, QStringLiteral("未安装打印机"));
    EXPECT_EQ(voucher.ReportControlMain->Lines.size(), 3);
    EXPECT_GT(voucher.fontbox->count(), 0);
    designer.FileSaved = voucher.FileSaved = true;
}

} // namespace
