// What the grid window shows on the screen (the window's flushed pixels, not a fresh grab):
// cells whose texts a key, the clipboard or an undo step changed are repainted at once, the
// selection is drawn where the cell is shown at any zoom, and a double click whose first press
// changed the zoom opens the cell that was under the pointer.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "platform/printer.h"
#include "reportcontrol.h"

using namespace karvell;

namespace {

class GridScreenTest : public testing::Test {
public: // the table's steps act on the fixture
    void SetUp() override {
        PrinterService::Instance().Reset();
        QGuiApplication::clipboard()->clear();
        grid = std::make_unique<TReportControl>();
        grid->SetDesignKeys(true);
        grid->NewTable(3, 3);
        Cell(0, 0)->SetCellText(Gbk::Encode(QStringLiteral("汉字汉字")));
        Cell(1, 1)->SetCellText(Gbk::Encode(QStringLiteral("金额合计")));
        grid->UpdateLines();
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
        grid->activateWindow();
        grid->setFocus();
        Flush();
    }
    void TearDown() override {
        grid.reset();
        QGuiApplication::clipboard()->clear();
        PrinterService::Instance().Reset();
    }
    TReportCell* Cell(int line, int cell) { return grid->Lines[line]->Cells[cell]; }
    // The centre of a cell in window pixels at the zoom shown.
    QPoint Shown(int line, int cell) {
        return grid->ShownRect(Cell(line, cell)->CellRect).center();
    }
    void Flush() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
    }
    // What the window shows now, as flushed to the screen.
    QImage Screen() {
        Flush();
        return grid->screen()
            ->grabWindow(grid->winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    // What a full repaint shows.
    QImage Fresh() { return grid->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // The inside of a cell (its border lines left out) in window pixels.
    QRect Inside(int line, int cell) {
        return grid->ShownRect(Cell(line, cell)->CellRect).adjusted(3, 3, -3, -3);
    }
    static int Dark(const QImage& image, const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += qGray(image.pixel(x, y)) < 128;
        return n;
    }
    std::unique_ptr<TReportControl> grid;
};

TEST_F(GridScreenTest, TextChangesByKeysClipboardAndUndoAreOnTheScreenAtOnce) {
    const struct {
        const char* name;
        std::function<void(GridScreenTest&)> act;
        int line, cell; // the cell whose pixels are compared
        bool textShown; // it shows text afterwards
    } cases[] = {
        {"Delete",
         [](GridScreenTest& t) {
             QTest::mouseClick(t.grid.get(), Qt::LeftButton, {}, t.Shown(0, 0));
             QTest::keyClick(t.grid.get(), Qt::Key_Delete);
         },
         0, 0, false},
        {"Ctrl+X",
         [](GridScreenTest& t) {
             QTest::mouseClick(t.grid.get(), Qt::LeftButton, {}, t.Shown(1, 1));
             QTest::keyClick(t.grid.get(), Qt::Key_X, Qt::ControlModifier);
         },
         1, 1, false},
        {"Ctrl+V",
         [](GridScreenTest& t) {
             QTest::mouseClick(t.grid.get(), Qt::LeftButton, {}, t.Shown(0, 0));
             QTest::keyClick(t.grid.get(), Qt::Key_C, Qt::ControlModifier);
             QTest::mouseClick(t.grid.get(), Qt::LeftButton, {}, t.Shown(2, 2));
             t.Screen(); // the empty, selected cell is on the screen
             QTest::keyClick(t.grid.get(), Qt::Key_V, Qt::ControlModifier);
         },
         2, 2, true},
        {"undo after Delete",
         [](GridScreenTest& t) {
             QTest::mouseClick(t.grid.get(), Qt::LeftButton, {}, t.Shown(0, 0));
             QTest::keyClick(t.grid.get(), Qt::Key_Delete);
             t.Screen();
             t.grid->Undo(); // the windows' 撤销 (Ctrl+Z) runs this
         },
         0, 0, true},
    };
    for (const auto& c : cases) {
        SetUp();
        c.act(*this);
        const QImage screen = Screen();
        const QRect inside = Inside(c.line, c.cell);
        EXPECT_EQ(screen.copy(inside), Fresh().copy(inside)) << c.name;
        // The selected cell is inverted: text shows as light pixels on a dark fill.
        const int light = inside.width() * inside.height() - Dark(screen, inside);
        EXPECT_EQ(light > 0, c.textShown) << c.name;
        TearDown();
    }
}

TEST_F(GridScreenTest, TheSelectionIsDrawnWhereTheCellIsShownAtEveryZoom) {
    for (const int zoom : {100, 81, 45}) {
        grid->SetZoom(zoom);
        grid->ClearSelection();
        grid->AddSelectedCell(Cell(2, 1));
        const QImage screen = Screen();
        const QRect shown = grid->ShownRect(Cell(2, 1)->CellRect);
        const QRect inside = shown.adjusted(3, 3, -3, -3);
        EXPECT_GT(Dark(screen, inside), inside.width() * inside.height() * 9 / 10) << zoom;
        // Nothing is inverted outside the shown cell: the rest of its zoom-100 rectangle and
        // the strip beside it are white.
        const QRect beside(shown.right() + 4, shown.top() + 3, 20, shown.height() - 6);
        EXPECT_EQ(Dark(screen, beside), 0) << zoom;
        EXPECT_EQ(screen.copy(shown.adjusted(-4, -4, 4, 4)),
                  Fresh().copy(shown.adjusted(-4, -4, 4, 4)))
            << zoom;
    }
}

TEST_F(GridScreenTest, ADoubleClickWhoseFirstPressChangedTheZoomOpensTheCellThatWasUnderIt) {
    for (int i = 0; i < 6; ++i)
        grid->AddLine();
    grid->SetZoom(50);
    // Where cell (8, 2) is shown at 50 % another cell lies at 100 %.
    const QPoint p = Shown(8, 2);
    ASSERT_NE(grid->CellFromPoint(p), nullptr);
    ASSERT_NE(grid->CellFromPoint(p), Cell(8, 2));
    // A double click reaches a widget as press, release, double click, release.
    QTest::mouseClick(grid.get(), Qt::LeftButton, {}, p);
    QTest::mouseDClick(grid.get(), Qt::LeftButton, {}, p);
    EXPECT_EQ(grid->Zoom, 100);
    EXPECT_EQ(grid->EditingCell, Cell(8, 2));
    ASSERT_NE(grid->EditBox(), nullptr);
    EXPECT_EQ(grid->EditBox()->geometry(), Cell(8, 2)->TextRect.ToQRect());

    // At 100 % a double click opens the cell under the pointer, as always.
    grid->CancelEdit();
    QTest::mouseClick(grid.get(), Qt::LeftButton, {}, Shown(0, 1));
    QTest::mouseDClick(grid.get(), Qt::LeftButton, {}, Shown(0, 1));
    EXPECT_EQ(grid->EditingCell, Cell(0, 1));
}

} // namespace
