// The designer's field catalogue in the popup menu: a right press opens it for the current
// cell, each entry writes its placeholder into that one cell, and a voucher designed with it
// prints with the fields filled.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "borderform.h"
#include "designer_helpers.h"
#include "formatbar.h"
#include "mainform.h"
#include "preview_helpers.h"
#include "reportcontrol.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

using DesignerFields = DesignerFormTest;

TEST_F(DesignerFields, RightPressOpensTheCatalogueForTheCurrentCell) {
    form->show();
    Cell(0, 0)->SetCellText("old");
    Select({Cell(0, 0)});
    bool shown = false;
    QTimer pick;
    pick.setInterval(10);
    QObject::connect(&pick, &QTimer::timeout, [&] {
        if (!form->PopupMenu1->isVisible()) return;
        pick.stop();
        shown = true;
        EXPECT_EQ(grid->LastSelectedCell, Cell(0, 0));
        // The formatting bar did not follow the right press.
        EXPECT_TRUE(form->Panel1->isEnabled());
        Named("p_field_date")->trigger();
        form->PopupMenu1->close();
    });
    pick.start();
    // The menu runs until it is done.
    Q_EMIT grid->MouseDown(Qt::RightButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_TRUE(shown);
    EXPECT_EQ(CellText(0, 0), QStringLiteral("@主表.日期")); // the old text is gone
    EXPECT_FALSE(form->FileSaved);
}

TEST_F(DesignerFields, CatalogueEntriesWriteOnlyTheLastSelectedCell) {
    Cell(0, 0)->SetCellText("a");
    Cell(0, 1)->SetCellText("b");
    Select({Cell(0, 0), Cell(0, 1), Cell(1, 1)});
    const int height = grid->Lines[1]->LineHeight();
    const struct {
        const char* item;
        const char* text;
    } cases[] = {
        {"p_field_groupnum_num", "@主表.凭证号"},
        {"p_field_user_treasurer", "出纳"},
        {"p_field_acct_info_obj", "#从表.会计科目信息（含核算项目）"},
        {"p_field_dx_sum_amount", "@主表.大写合计金额"},
    };
    for (const auto& c : cases) {
        form->FileSaved = true;
        QAction* item = Named(c.item);
        ASSERT_NE(item, nullptr) << c.item;
        item->trigger();
        EXPECT_EQ(CellText(1, 1), QString::fromUtf8(c.text)) << c.item;
        EXPECT_FALSE(form->FileSaved);
    }
    EXPECT_EQ(CellText(0, 0), QStringLiteral("a"));
    EXPECT_EQ(CellText(0, 1), QStringLiteral("b"));
    EXPECT_EQ(grid->Lines[1]->LineHeight(), height); // not laid out again

    // Without a current cell nothing changes.
    grid->ClearSelection();
    grid->FocusCell = grid->LastSelectedCell = nullptr;
    form->FileSaved = true;
    Named("p_field_time")->trigger();
    EXPECT_TRUE(form->FileSaved);
    EXPECT_TRUE(m_messages.boxes.isEmpty());
}

TEST_F(DesignerFields, TheDesignedVoucherPrintsWithItsFieldsFilled) {
    form->show();
    // A master field into the header, larger and framed; the footer merged into one cell.
    Select({Cell(0, 1)});
    Named("p_field_company")->trigger();
    QLineEdit* size = form->fontsize->lineEdit();
    size->selectAll();
    QTest::keyClicks(size, QStringLiteral("16"));
    {
        const auto watch = WhenModal<TBorderForm>([](TBorderForm* dialog) {
            QTest::mouseClick(dialog->SpeedButton1, Qt::LeftButton); // "添加全部"
            QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(Named<QToolButton>("border"), Qt::LeftButton);
    }
    Select({Cell(2, 0), Cell(2, 1)});
    QTest::mouseClick(Named<QToolButton>("Combine"), Qt::LeftButton);
    ASSERT_FALSE(form->FileSaved);
    QTest::mouseClick(Named<QToolButton>("save"), Qt::LeftButton);
    ASSERT_TRUE(form->FileSaved);
    form.reset();

    // The same template for a voucher group, printed at once.
    Db().Choose(QStringLiteral("01"), QStringLiteral("单据"));
    TMainForm printer({QStringLiteral("1")});
    const QStringList pdfs = QDir(m_work.filePath("pdf")).entryList({"*.pdf"}, QDir::Files);
    ASSERT_FALSE(pdfs.isEmpty());
    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {m_work.filePath(QStringLiteral("pdf/") + pdfs.constFirst()), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString page = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(page.contains(QStringLiteral("东方机电有限公司"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("物品1"))) << page.toStdString();
    EXPECT_FALSE(page.contains(QStringLiteral("@主表"))) << page.toStdString();
    Db().Choose(QStringLiteral("*"), QStringLiteral("单据"));
    form = std::make_unique<TMainForm>(QStringList()); // for TearDown
}

} // namespace
