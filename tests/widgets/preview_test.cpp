// The preview window: its tool bar, paging through page streams, zooming and fitting, printing
// each page as its own job, the row buttons, and the runtime's preview entry points that create
// it through WidgetRuntimeUi.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "apptermination.h"
#include "pagefit.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "preview_helpers.h"
#include "previewform.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

QString Status(const TPreviewForm& form) {
    return form.StatusPanel->text();
}

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

class PreviewTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pdfDir.isValid());
        m_oldPdfDir = qgetenv("KARVELL_PDF_DIR");
        qputenv("KARVELL_PDF_DIR", m_pdfDir.path().toUtf8());
        PrinterService::Instance().Reset();
        AppTermination::Reset();
    }
    void TearDown() override {
        qputenv("KARVELL_PDF_DIR", m_oldPdfDir);
        PrinterService::Instance().Reset();
        AppTermination::Reset();
    }
    QStringList PdfFiles() const {
        return QDir(m_pdfDir.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }
    QString PdfText(const QString& name) const {
        QProcess process;
        process.start(QStringLiteral("pdftotext"), {QDir(m_pdfDir.path()).filePath(name), "-"});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    QTemporaryDir m_pdfDir;
    QByteArray m_oldPdfDir;
};

TEST_F(PreviewTest, ToolBarAndStateAtCreation) {
    TPreviewForm form(nullptr);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Danmere - 打印预览"));
    EXPECT_EQ(form.size(), QSize(715, 550));
    EXPECT_EQ(form.PreviewZoom, 75);
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_EQ(form.PageCount, 1);
    EXPECT_EQ(Status(form), QStringLiteral("第1页  共1页"));
    EXPECT_FALSE(form.ReportControl1->KarvellEdit);

    // Buttons in order, "|" for a separator; captions and hints as designed.
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
    } buttons[] = {
        {"PrintSetupBtn", "设置", "打印设置"},
        {"PrintBtn", "打印", "打印"},
        {"PrintSizeBtn", "最适合", "最适合的缩放比例"},
        {"OriginalSizeBtn", "原比例", ""},
        {"ZoomInBtn", "放大", "放大"},
        {"ZoomOutBtn", "缩小", "缩小"},
        {"FirstBtn", "首页", "首页"},
        {"PriorBtn", "上页", "上页"},
        {"NextBtn", "下页", "下页"},
        {"LastBtn", "末页", "末页"},
        {"insertrow", "插入行", ""},
        {"addrow", "添加行", ""},
        {"deleterow", "删除行", ""},
        {"ExitBtn", "退出", "退出"},
        {"ExportBtn", "导出…", "把所有页导出为 PDF、PDF/A 或 Excel 文件"},
    };
    QStringList order;
    int index = 0;
    for (QAction* action : form.ToolBar1->actions()) {
        if (action->isSeparator()) {
            order << QStringLiteral("|");
            continue;
        }
        auto* button = qobject_cast<QToolButton*>(form.ToolBar1->widgetForAction(action));
        ASSERT_NE(button, nullptr);
        order << button->objectName();
        ASSERT_LT(index, int(std::size(buttons)));
        EXPECT_EQ(button->objectName(), QString::fromLatin1(buttons[index].name));
        EXPECT_EQ(button->text(), QString::fromUtf8(buttons[index].caption));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(buttons[index].hint));
        EXPECT_EQ(button->size(), QSize(43, 52));
        EXPECT_EQ(button->iconSize(), QSize(32, 32));
        EXPECT_FALSE(button->icon().isNull());
        ++index;
    }
    EXPECT_EQ(order.join(' '),
              QStringLiteral("PrintSetupBtn | PrintBtn | PrintSizeBtn | OriginalSizeBtn | "
                             "ZoomInBtn ZoomOutBtn | FirstBtn PriorBtn NextBtn LastBtn | "
                             "insertrow addrow deleterow | ExitBtn | ExportBtn"));
}

TEST_F(PreviewTest, RowButtonsOnlyForAnEditingRuntime) {
    TReportRunTime editing;
    editing.SetEnableEdit(true);
    TReportRunTime viewing;
    QObject other;
    const struct {
        QObject* owner;
        bool enabled;
    } cases[] = {{nullptr, false}, {&other, false}, {&viewing, false}, {&editing, true}};
    for (const auto& c : cases) {
        TPreviewForm form(c.owner);
        for (QToolButton* b : {form.insertrow, form.addrow, form.deleterow})
            EXPECT_EQ(b->isEnabled(), c.enabled) << b->objectName().toStdString();
    }
}

TEST_F(PreviewTest, PagesThroughThreePagesWithTheButtons) {
    PageStreams pages = MakePageStreams(3);
    TPreviewForm form(nullptr);
    struct Seen {
        QString status, text;
        bool first, prior, next, last;
    };
    QList<Seen> seen;
    QBuffer* streamOfPage2 = nullptr;
    auto record = [&] {
        seen.append({Status(form), FirstCellText(*form.ReportControl1), form.FirstBtn->isEnabled(),
                     form.PriorBtn->isEnabled(), form.NextBtn->isEnabled(),
                     form.LastBtn->isEnabled()});
    };
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* shown) {
        EXPECT_EQ(shown, &form);
        EXPECT_TRUE(form.isMaximized());
        streamOfPage2 = form.PageStream(2);
        record();
        Click(form.NextBtn);
        record();
        Click(form.LastBtn);
        record();
        Click(form.NextBtn); // nothing after the last page
        record();
        Click(form.PriorBtn);
        record();
        Click(form.FirstBtn);
        record();
        Click(form.ExitBtn);
    });
    form.RunPreview(pages.list);

    const Seen expected[] = {
        {"第1页  共3页", "页1", false, false, true, true},
        {"第2页  共3页", "页2", true, true, true, true},
        {"第3页  共3页", "页3", true, true, false, false},
        {"第3页  共3页", "页3", true, true, false, false},
        {"第2页  共3页", "页2", true, true, true, true},
        {"第1页  共3页", "页1", false, false, true, true},
    };
    ASSERT_EQ(seen.size(), int(std::size(expected)));
    for (int i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].status, expected[i].status) << i;
        EXPECT_EQ(seen[i].text, expected[i].text) << i;
        EXPECT_EQ(seen[i].first, expected[i].first) << i;
        EXPECT_EQ(seen[i].prior, expected[i].prior) << i;
        EXPECT_EQ(seen[i].next, expected[i].next) << i;
        EXPECT_EQ(seen[i].last, expected[i].last) << i;
    }
    EXPECT_EQ(streamOfPage2, pages.list[1]);
    // After the run the pages are no longer the window's, and closing it ended the program.
    EXPECT_FALSE(form.ShowsStreams);
    EXPECT_EQ(form.PageStream(2), nullptr);
    EXPECT_TRUE(AppTermination::Requested());
    EXPECT_TRUE(PdfFiles().isEmpty());
}

TEST_F(PreviewTest, NoPagesShowNothing) {
    TPreviewForm form(nullptr);
    bool shown = false;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* f) {
        shown = true;
        f->close();
    });
    form.RunPreview({});
    QTest::qWait(50);
    EXPECT_FALSE(shown);
    EXPECT_FALSE(AppTermination::Requested());
}

TEST_F(PreviewTest, ZoomStepsAndAClickOnThePage) {
    PageStreams pages = MakePageStreams(1);
    TPreviewForm form(nullptr);
    QList<int> zooms;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm*) {
        form.SetAllowEdit(true);
        form.PreviewZoom = 70;
        for (int i = 0; i < 3; ++i)
            Click(form.ZoomInBtn);
        zooms << form.PreviewZoom << form.ReportControl1->Zoom;
        for (int i = 0; i < 3; ++i)
            Click(form.ZoomOutBtn);
        zooms << form.PreviewZoom;
        // A click on the page: the next step starts from 100, whatever the zoom was.
        QTest::mouseClick(form.ReportControl1, Qt::LeftButton, {}, QPoint(40, 40));
        Click(form.ZoomInBtn);
        zooms << form.PreviewZoom << form.ReportControl1->Zoom;
        Click(form.OriginalSizeBtn);
        zooms << form.PreviewZoom;
        for (int i = 0; i < 15; ++i)
            Click(form.ZoomOutBtn);
        zooms << form.PreviewZoom;
        form.close();
    });
    form.RunPreview(pages.list);
    EXPECT_EQ(zooms, (QList<int>{100, 100, 70, 110, 110, 100, 10}));
}

TEST_F(PreviewTest, FitZoomAndCentring) {
    // Page 768 × 1058 px; window sizes are outer sizes.
    const struct {
        QSize window;
        int zoom;
        QPoint pos;
    } cases[] = {
        // zh = ⌊700 / 1058 × 100⌋ = 66, zw = 100; grid 507 × 698 at ((1100-507-20) div 2,
        // (810-110-698) div 2 + 10).
        {{1100, 810}, 66, {286, 11}},
        // The page fits: never enlarged; grid 768 × 1058.
        {{2000, 1400}, 100, {606, 126}},
        // zw = ⌊530 / 768 × 100⌋ = 69; grid 530 × 730 at (75, (1500-110-730) div 2 + 10).
        {{700, 1500}, 69, {75, 340}},
    };
    for (const auto& c : cases) {
        TPreviewForm form(nullptr);
        TReportControl* grid = form.ReportControl1;
        grid->PageWidth = grid->CachedPageWidth = 768;
        grid->PageHeight = grid->CachedPageHeight = 1058;
        form.resize(c.window);
        form.FitZoom();
        EXPECT_EQ(form.PreviewZoom, c.zoom) << c.window.width();
        EXPECT_EQ(grid->Zoom, c.zoom);
        EXPECT_EQ(grid->size(),
                  QSize(int(768 * c.zoom / 100.0 + 0.5), int(1058 * c.zoom / 100.0 + 0.5)));
        EXPECT_EQ(grid->pos(), c.pos) << c.window.width();
        EXPECT_TRUE(grid->isVisibleTo(&form));
    }
}

TEST(PageFit, SmallWindowsKeepAPositiveZoomAndTheMinimumOffsets) {
    // Narrower than the page plus 20: left 23; too short to centre: top 10; the fitted zoom
    // would not be positive here, so it stops at the smallest zoom.
    EXPECT_EQ(FitZoomPercent({90, 150}, {768, 1058}), MIN_PAGE_ZOOM);
    EXPECT_EQ(CenteredPagePos(90, 150, {77, 106}), QPoint(23, 10));
    EXPECT_EQ(CenteredPagePos(98, 400, {77, 106}), QPoint(0, 102));
}

TEST_F(PreviewTest, DirectPrintingPrintsEveryPageAsItsOwnJobWithoutAWindow) {
    PageStreams pages = MakePageStreams(3);
    TPreviewForm form(nullptr);
    form.PrintDirect = true;
    bool shown = false;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* f) {
        shown = true;
        f->close();
    });
    form.RunPreview(pages.list);
    QTest::qWait(50);
    EXPECT_FALSE(shown);
    EXPECT_EQ(PdfFiles().size(), 3);
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_EQ(FirstCellText(*form.ReportControl1), QStringLiteral("页1"));
    EXPECT_FALSE(AppTermination::Requested());
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        const QStringList files = PdfFiles();
        for (int i = 0; i < files.size(); ++i)
            EXPECT_TRUE(PdfText(files[i]).contains(QStringLiteral("页%1").arg(i + 1))) << i;
    }
}

TEST_F(PreviewTest, PrintingOnePageKeepsItsEditsSeveralPagesAreReloaded) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    for (int count : {1, 2}) {
        const QStringList before = PdfFiles();
        PageStreams pages = MakePageStreams(count);
        TPreviewForm form(nullptr);
        QString shown, pagePanel;
        const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm*) {
            form.ReportControl1->Lines[0]->Cells[0]->SetCellText(
                Gbk::Encode(QStringLiteral("改过")));
            Click(form.PrintBtn);
            if (form.PrintedPanel && form.PrintedPanel->isVisible())
                shown = form.PrintedPanel->text();
            pagePanel = form.StatusPanel->isVisible() ? form.StatusPanel->text() : QString();
            form.close();
        });
        form.RunPreview(pages.list);
        QStringList printed = PdfFiles();
        for (const QString& f : before)
            printed.removeAll(f);
        ASSERT_EQ(printed.size(), count);
        // The window says where the files went, beside the page panel.
        EXPECT_TRUE(shown.contains(QFileInfo(printed.last()).fileName())) << shown.toStdString();
        EXPECT_FALSE(pagePanel.isEmpty());
        const QString first = PdfText(printed.first());
        EXPECT_EQ(first.contains(QStringLiteral("改过")), count == 1) << count;
        EXPECT_EQ(first.contains(QStringLiteral("页1")), count == 2) << count;
    }
}

TEST_F(PreviewTest, RowButtonsEditTheShownPage) {
    TReportRunTime runtime;
    runtime.SetEnableEdit(true);
    PageStreams pages = MakePageStreams(2);
    TPreviewForm form(&runtime);
    QList<int> lineCounts;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm*) {
        TReportControl* grid = form.ReportControl1;
        lineCounts << int(grid->Lines.size());
        Click(form.addrow); // no cell selected: nothing
        lineCounts << int(grid->Lines.size());
        grid->AddSelectedCell(grid->Lines[1]->Cells[0]);
        Click(form.insertrow);
        lineCounts << int(grid->Lines.size());
        Click(form.addrow);
        lineCounts << int(grid->Lines.size());
        Click(form.deleterow);
        lineCounts << int(grid->Lines.size());
        // Another page is loaded from its stream: the edits are gone.
        Click(form.NextBtn);
        Click(form.PriorBtn);
        lineCounts << int(grid->Lines.size());
        form.close();
    });
    form.RunPreview(pages.list);
    EXPECT_EQ(lineCounts, (QList<int>{3, 3, 4, 5, 4, 3}));
}

} // namespace
