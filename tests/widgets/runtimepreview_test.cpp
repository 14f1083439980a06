// The report runtime's windows through WidgetRuntimeUi: the progress box, the preview window of
// PrintPreview and Preview, and page setup from the preview with the rebuild of the pages.
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "apptermination.h"
#include "marginform.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "preview_helpers.h"
#include "previewform.h"
#include "repmessform.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"
#include "runtimeui.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

class RuntimePreviewTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_oldPdfDir = qgetenv("KARVELL_PDF_DIR");
        qputenv("KARVELL_PDF_DIR", m_dir.filePath("pdf").toUtf8());
        PrinterService::Instance().Reset();
        AppTermination::Reset();
        RuntimeUi::SetInstance(&m_ui);
        m_template = m_dir.filePath(QStringLiteral("清单.edj"));
        // Detail lines 200 px high: a few records fill a page.
        WriteDetailTemplate(m_template, QStringLiteral("T"), 200);
        m_items = new TDataSet(&m_owner);
        m_items->setObjectName(QStringLiteral("Items"));
        m_items->SetFields({{QStringLiteral("名称"), FieldKind::Other},
                            {QStringLiteral("金额"), FieldKind::Numeric}});
        for (int i = 1; i <= 12; ++i)
            m_items->AppendRow({QStringLiteral("物品%1").arg(i), i * 10.0});
        m_items->Open();
        m_runtime = new TReportRunTime(&m_owner);
        m_runtime->SetReportFile(m_template);
    }
    void TearDown() override {
        RuntimeUi::SetInstance(nullptr);
        qputenv("KARVELL_PDF_DIR", m_oldPdfDir);
        PrinterService::Instance().Reset();
        AppTermination::Reset();
    }
    int PageCountOfRun() {
        m_runtime->SetDataSet("T", m_items);
        return m_runtime->BuildPages(false, 0);
    }

    QTemporaryDir m_dir;
    QByteArray m_oldPdfDir;
    WidgetRuntimeUi m_ui;
    QObject m_owner;
    TDataSet* m_items = nullptr;
    TReportRunTime* m_runtime = nullptr;
    QString m_template;
};

TEST(ProgressBox, LooksAsDesigned) {
    TREPmessform box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("提示"));
    EXPECT_EQ(box.size(), QSize(237, 91));
    EXPECT_FALSE(box.isModal());
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
    const struct {
        QLabel* label;
        const char* text;
        QPoint pos;
        QColor color;
        int pixels;
        bool bold;
    } labels[] = {
        {box.Label2, "正在处理：", {80, 20}, Qt::blue, 16, true},
        {box.Label3, "第", {86, 51}, Qt::yellow, 14, false},
        {box.Label1, "", {109, 51}, Qt::red, 14, true},
        {box.Label4, "页", {133, 51}, Qt::yellow, 14, false},
    };
    for (const auto& l : labels) {
        EXPECT_EQ(l.label->text(), QString::fromUtf8(l.text));
        EXPECT_EQ(l.label->pos(), l.pos) << l.text;
        EXPECT_EQ(l.label->palette().color(QPalette::WindowText), l.color) << l.text;
        EXPECT_EQ(l.label->font().pixelSize(), l.pixels) << l.text;
        EXPECT_EQ(l.label->font().bold(), l.bold) << l.text;
    }
    EXPECT_EQ(box.Label2->font().family(), QStringLiteral("楷体_GB2312"));
}

TEST_F(RuntimePreviewTest, ProgressBoxBelongsToTheRuntime) {
    auto* runtime = new TReportRunTime;
    m_ui.ShowProgress(runtime);
    QPointer<TREPmessform> box = m_ui.ProgressForm(runtime);
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    m_ui.CloseProgress(runtime);
    EXPECT_FALSE(box->isVisible());
    delete runtime;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(box.isNull());
}

TEST_F(RuntimePreviewTest, PrintPreviewShowsThePagesInAWindowOfTheRuntime) {
    const struct {
        bool enableEdit;
        bool previewMode;
    } cases[] = {{false, true}, {true, false}};
    for (const auto& c : cases) {
        m_runtime->SetEnableEdit(c.enableEdit);
        m_runtime->SetEditEpt(!c.enableEdit);
        const int count = PageCountOfRun();
        ASSERT_GE(count, 3);
        m_runtime->SetDataSet("T", m_items);
        QString status;
        bool ownerOk = false, previewMode = false, allowEdit = false, editEpt = false;
        bool gridEnabled = false, rowsEnabled = false, printEnabled = false;
        int tag = -1, pages = 0;
        const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* form) {
            ownerOk = form->Owner() == m_runtime && m_runtime->PreviewWindow == form;
            status = form->StatusPanel->text();
            tag = form->Tag();
            pages = int(form->Pages.size());
            previewMode = form->ReportControl1->PreviewMode;
            allowEdit = form->AllowEdit;
            editEpt = form->EditEptFlag;
            gridEnabled = form->ReportControl1->isEnabled();
            rowsEnabled = form->insertrow->isEnabled();
            printEnabled = form->PrintBtn->isEnabled() && form->PrintSetupBtn->isEnabled();
            Click(form->ExitBtn);
        });
        m_runtime->PrintPreview(c.previewMode);
        EXPECT_TRUE(ownerOk);
        EXPECT_EQ(status, QStringLiteral("第1页  共%1页").arg(count));
        EXPECT_EQ(pages, count);
        EXPECT_EQ(tag, 1); // the detail line's index in the template
        EXPECT_EQ(previewMode, c.previewMode);
        EXPECT_EQ(allowEdit, c.enableEdit);
        EXPECT_EQ(gridEnabled, c.enableEdit);
        EXPECT_EQ(rowsEnabled, c.enableEdit);
        EXPECT_EQ(editEpt, !c.enableEdit);
        EXPECT_TRUE(printEnabled);
        // The window is gone with its run; closing it ended the program.
        EXPECT_EQ(m_runtime->PreviewWindow, nullptr);
        EXPECT_TRUE(m_runtime->PageStreams.isEmpty());
        EXPECT_TRUE(AppTermination::Requested());
        EXPECT_FALSE(m_ui.ProgressForm(m_runtime)->isVisible());
        AppTermination::Reset();
    }
}

TEST_F(RuntimePreviewTest, PrintDirectPrintsEveryPageWithoutAWindow) {
    const int count = PageCountOfRun();
    m_runtime->SetDataSet("T", m_items);
    m_runtime->PrintDirect = true;
    bool shown = false;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* form) {
        shown = true;
        form->close();
    });
    m_runtime->PrintPreview(true);
    QTest::qWait(50);
    EXPECT_FALSE(shown);
    EXPECT_EQ(QDir(m_dir.filePath("pdf")).entryList({"*.pdf"}, QDir::Files).size(), count);
}

TEST_F(RuntimePreviewTest, PreviewFromSetDataCannotPrintAndShowsGeneratedPages) {
    m_runtime->SetSetData({QStringLiteral("SetDataSet(T,Items)")});
    bool printDisabled = false, showingPages = false, previewMode = false;
    int widthLines = -1;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* form) {
        printDisabled = !form->PrintBtn->isEnabled() && !form->PrintSetupBtn->isEnabled();
        showingPages = form->ReportControl1->ShowingPages;
        previewMode = form->ReportControl1->PreviewMode;
        widthLines = form->ReportControl1->WidthLineCount;
        form->close();
    });
    m_runtime->Preview();
    EXPECT_TRUE(printDisabled);
    EXPECT_TRUE(showingPages);
    EXPECT_TRUE(previewMode);
    EXPECT_EQ(widthLines, m_runtime->SumAllLineIndex);
    EXPECT_EQ(m_runtime->PreviewWindow, nullptr);
    EXPECT_FALSE(m_items->Active()); // the SetData data sets are closed after the preview
}

TEST_F(RuntimePreviewTest, PageSetupFromThePreviewRebuildsOnlyWhenConfirmed) {
    const int count = PageCountOfRun();
    m_runtime->SetDataSet("T", m_items);
    QFile file(m_template);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray original = file.readAll();
    file.close();

    QList<QBuffer*> pagesBefore, pagesAfterCancel, pagesAfterConfirm;
    QString statusAfterConfirm;
    int currentAfterConfirm = 0, zoomAfterCancel = 0;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* form) {
        pagesBefore = form->Pages;
        Click(form->NextBtn);
        // Cancelled: the pages stay; the zoom is fitted anew.
        const auto cancel =
            WhenModal<TMarginForm>([](TMarginForm* dialog) { Click(dialog->BitBtn2); });
        form->PreviewZoom = 123;
        Click(form->PrintSetupBtn);
        pagesAfterCancel = form->Pages;
        zoomAfterCancel = form->PreviewZoom;
        // Confirmed with a larger top margin: the template is written, the pages rebuilt and
        // the first page shown.
        const auto confirm = WhenModal<TMarginForm>([](TMarginForm* dialog) {
            dialog->TopMargin->selectAll();
            QTest::keyClicks(dialog->TopMargin, QStringLiteral("60"));
            Click(dialog->BitBtn1);
        });
        Click(form->PrintSetupBtn);
        pagesAfterConfirm = form->Pages;
        statusAfterConfirm = form->StatusPanel->text();
        currentAfterConfirm = form->CurrentPage;
        form->close();
    });
    m_runtime->PrintPreview(true);

    EXPECT_EQ(pagesAfterCancel, pagesBefore);
    EXPECT_NE(zoomAfterCancel, 123);
    EXPECT_EQ(currentAfterConfirm, 1);
    EXPECT_GT(pagesAfterConfirm.size(), count); // fewer records fit under the larger margin
    EXPECT_EQ(statusAfterConfirm, QStringLiteral("第1页  共%1页").arg(pagesAfterConfirm.size()));
    TReportDocument saved;
    ASSERT_TRUE(saved.LoadFromFile(m_template));
    EXPECT_EQ(saved.TopMargin, 60);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_NE(file.readAll(), original);
}

} // namespace

namespace {

TEST_F(RuntimePreviewTest, DraggedWidthsGoBackIntoThePageOnlyInPreviewAndTheShownPageStays) {
    // One record a page: the width table then matches the page line for line.
    WriteDetailTemplate(m_template, QStringLiteral("T"), 800);
    m_runtime->SetReportFile(m_template);
    m_runtime->SetSetData({QStringLiteral("SetDataSet(T,Items)")});
    m_runtime->SetEnableEdit(true);
    const struct {
        const char* name;
        bool preview;
        bool karvellEdit;
        bool survives;
    } cases[] = {
        {"Preview", true, false, true},
        {"PrintPreview", false, false, false},
        {"Preview, design mode", true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int original = 0, dragged = 0, afterPaging = 0;
        QByteArray typedAfterDrag, typedAfterPaging;
        const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* form) {
            TReportControl* grid = form->ReportControl1;
            grid->SetKarvellEdit(c.karvellEdit);
            Click(form->OriginalSizeBtn);
            const TReportCell* cell = grid->Lines[0]->Cells[0];
            original = cell->CellWidth;
            const TRect r = cell->TextRect;
            QTest::mouseDClick(grid, Qt::LeftButton, {}, QPoint(r.left + 5, r.top + 3));
            if (grid->EditBox()) QTest::keyClicks(grid->EditBox(), QStringLiteral("x"));
            const TRect cr = grid->Lines[0]->Cells[0]->CellRect;
            const QPoint from(cr.right - 1, cr.top + 4);
            QTest::mousePress(grid, Qt::LeftButton, {}, from);
            QTest::mouseMove(grid, from + QPoint(30, 0));
            QTest::mouseRelease(grid, Qt::LeftButton, {}, from + QPoint(30, 0));
            dragged = grid->Lines[0]->Cells[0]->CellWidth;
            typedAfterDrag = grid->Lines[0]->Cells[0]->CellText;
            Click(form->NextBtn);
            Click(form->PriorBtn);
            afterPaging = grid->Lines[0]->Cells[0]->CellWidth;
            typedAfterPaging = grid->Lines[0]->Cells[0]->CellText;
            form->close();
        });
        if (c.preview) {
            m_runtime->Preview();
        } else {
            m_items->Open();
            m_runtime->SetDataSet("T", m_items);
            m_runtime->PrintPreview(true);
        }
        EXPECT_EQ(dragged, original + 29);
        EXPECT_TRUE(typedAfterDrag.endsWith('x')); // the write-back keeps the shown page
        EXPECT_FALSE(typedAfterPaging.endsWith('x'));
        EXPECT_EQ(afterPaging, c.survives ? dragged : original);
        AppTermination::Reset();
    }
}

} // namespace
