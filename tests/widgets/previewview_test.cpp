// The preview and the printer setup dialog as a user meets them: after the click that returns
// the page to 100 % the whole page can be scrolled to, 添加行 acts right after 删除行, and the
// printer setup dialog lists the installed printers and makes the chosen one current.
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "apptermination.h"
#include "common/scoped_env.h"
#include "pagescrollbox.h"
#include "platform/error.h"
#include "platform/printer.h"
#include "preview_helpers.h"
#include "previewform.h"
#include "printersetupdialog.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

class PreviewView : public testing::Test {
protected:
    void SetUp() override {
        PrinterService::Instance().Reset();
        AppTermination::Reset();
    }
    void TearDown() override {
        PrinterService::Instance().Reset();
        AppTermination::Reset();
    }
};

TEST_F(PreviewView, AfterTheClickTo100PercentTheWholePageCanBeScrolledTo) {
    TReportRunTime runtime;
    runtime.SetEnableEdit(true);
    PageStreams pages = MakePageStreams(1);
    TPreviewForm form(&runtime);
    int fitted = 0, bottomReached = 0, pageBottom = 0;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm*) {
        form.SetAllowEdit(true); // what the runtime's EnableEdit gives the window
        TReportControl* grid = form.ReportControl1;
        fitted = grid->Zoom;
        QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(40, 40));
        EXPECT_EQ(grid->Zoom, 100);
        QTest::qWait(10);
        // Scrolled to the end, the page's bottom edge lies inside the viewport.
        QScrollBar* bar = form.ScrollBox1->verticalScrollBar();
        bar->setValue(bar->maximum());
        QTest::qWait(10);
        pageBottom = grid->mapTo(form.ScrollBox1->viewport(), QPoint(0, grid->height())).y();
        bottomReached = form.ScrollBox1->viewport()->height();
        // The zoom buttons place the page again too.
        QTest::mouseClick(form.ZoomInBtn, Qt::LeftButton);
        bar->setValue(bar->maximum());
        QTest::qWait(10);
        EXPECT_LE(grid->mapTo(form.ScrollBox1->viewport(), QPoint(0, grid->height())).y(),
                  form.ScrollBox1->viewport()->height());
        form.close();
    });
    form.RunPreview(pages.list);
    EXPECT_LT(fitted, 100);
    EXPECT_GT(pageBottom, 0);
    EXPECT_LE(pageBottom, bottomReached);
}

TEST_F(PreviewView, AddRowAppendsRightAfterDeleteRow) {
    TReportRunTime runtime;
    runtime.SetEnableEdit(true);
    PageStreams pages = MakePageStreams(1);
    TPreviewForm form(&runtime);
    QList<int> lineCounts;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm*) {
        form.SetAllowEdit(true);
        TReportControl* grid = form.ReportControl1;
        grid->SetZoom(100);
        const QPoint at = grid->ShownRect(grid->Lines[1]->Cells[0]->CellRect).center();
        QTest::mouseClick(grid, Qt::LeftButton, {}, at);
        lineCounts << int(grid->Lines.size());
        QTest::mouseClick(form.deleterow, Qt::LeftButton);
        lineCounts << int(grid->Lines.size());
        QTest::mouseClick(form.addrow, Qt::LeftButton);
        lineCounts << int(grid->Lines.size());
        form.close();
    });
    form.RunPreview(pages.list);
    EXPECT_EQ(lineCounts, (QList<int>{3, 2, 3}));
}

TEST_F(PreviewView, ThePrinterSetupDialogListsThePrintersAndMakesTheChosenOneCurrent) {
    PrinterService& service = PrinterService::Instance();
    service.SetSystemPrinters({QStringLiteral("Office"), QStringLiteral("Counter")},
                              QStringLiteral("Office"));
    ASSERT_EQ(service.CurrentName(), QStringLiteral("Office"));
    TPrinterSetupDialog dialog;
    QStringList listed;
    for (int i = 0; i < dialog.PrinterBox->count(); ++i)
        listed << dialog.PrinterBox->itemText(i);
    EXPECT_EQ(listed, service.Printers());
    EXPECT_TRUE(listed.contains(QStringLiteral("PDF")));
    EXPECT_EQ(dialog.PrinterBox->currentText(), QStringLiteral("Office"));
    EXPECT_EQ(dialog.PaperBox->currentData().toInt(), DMPAPER_A4);
    EXPECT_TRUE(dialog.Portrait->isChecked());
    // No margin boxes: the template's margins are set beside this dialog.
    EXPECT_TRUE(dialog.findChildren<QAbstractSpinBox*>().isEmpty());

    dialog.show();
    dialog.PrinterBox->setCurrentIndex(listed.indexOf(QStringLiteral("PDF")));
    dialog.PaperBox->setCurrentIndex(dialog.PaperBox->findData(int(DMPAPER_A5)));
    QTest::mouseClick(dialog.Landscape, Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("OkButton")), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(service.CurrentName(), QStringLiteral("PDF"));
    EXPECT_TRUE(service.CurrentIsPdf());
    const DEVMODE* dm = service.LockPrinterDevMode();
    EXPECT_EQ(dm->dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(dm->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(dm->dmPaperWidth, 1480);
    EXPECT_EQ(dm->dmPaperLength, 2100);

    // Without a printer there is no dialog, as without a DEVMODE.
    test::ScopedEnv none("KARVELL_NO_PRINTERS", "1");
    EXPECT_THROW(TPrinterSetupDialog{}, KarvellError);
}

} // namespace
