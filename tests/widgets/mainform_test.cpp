// The voucher designer's main window: start-up from "Quorbex.ini" and the data source
// "acc_Quorbex" (a SQLite file behind the SQLite ODBC driver), the voucher printing at start-up,
// the close question and fitting the page.
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include "adoquery.h"
#include "apptermination.h"
#include "common/small_disk.h"
#include "designer_helpers.h"
#include "mainform.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "platform/profile.h"
#include "preview_helpers.h"
#include "previewform.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"
#include "runtimeui.h"
#include "templatename.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

class MainFormTest : public DesignerTest {
protected:
    // Pages of the voucher, counted by a runtime of its own.
    int VoucherPages() {
        TADOQuery detail;
        detail.SetConnectionString(
            QStringLiteral("Provider=MSDASQL.1;Password=mvbnlkjh;Data Source=acc_Quorbex"));
        detail.SetSQL({QStringLiteral("select * from Quorbex_Detail")});
        detail.Open();
        TReportRunTime runtime;
        runtime.SetReportFile(QStringLiteral("edj/单据.edj"));
        runtime.SetDataSet(Gbk::Encode(QStringLiteral("从表")), &detail);
        return runtime.BuildPages(false, 0);
    }
};

TEST_F(MainFormTest, StartUpWithoutSettingsCreatesThemAndOpensForDesign) {
    ASSERT_FALSE(QFile::exists(Ini()));
    bool previewShown = false;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* f) {
        previewShown = true;
        f->close();
    });
    TMainForm form({});
    QTest::qWait(30);

    QFile ini(Ini());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("[VchPrintSetup]"));
    EXPECT_EQ(Profile::ReadInt(Ini(), "VchPrintSetup", "AddSpace", -1), 1);
    EXPECT_EQ(Profile::ReadInt(Ini(), "VchPrintSetup", "EnableEdit", -1), 0);
    EXPECT_TRUE(form.ReportRunTimeMain->AddSpace());
    EXPECT_FALSE(form.ReportRunTimeMain->EnableEdit());

    EXPECT_EQ(form.windowTitle(), QStringLiteral("Danmere"));
    EXPECT_EQ(form.StartDir, m_work.path());
    EXPECT_EQ(form.GroupCode, QStringLiteral("*"));
    EXPECT_EQ(form.FormatName, QStringLiteral("单据"));
    EXPECT_TRUE(form.FileSaved);
    EXPECT_EQ(form.ReportControlMain->Lines.size(), 3);
    EXPECT_EQ(form.ReportRunTimeMain->ReportFile(), QStringLiteral("edj/单据.edj"));
    EXPECT_EQ(form.ReportRunTimeMain->TemplateLines.size(), 3);
    // Design only: no master or detail query ran, nothing was previewed or printed.
    EXPECT_FALSE(previewShown);
    EXPECT_FALSE(form.ADOQueryMain->Active());
    EXPECT_TRUE(form.ADOQueryMain->SQL().isEmpty());
    EXPECT_FALSE(form.ADOQueryDetail->Active());
    EXPECT_TRUE(form.ADOQueryDetail->SQL().isEmpty());
    EXPECT_EQ(PdfCount(), 0);
    EXPECT_FALSE(AppTermination::Requested());
    EXPECT_TRUE(m_messages.boxes.isEmpty());

    // The font boxes: installed and Windows faces with "宋体" chosen; size entry 1.
    EXPECT_GT(form.fontbox->count(), 2);
    EXPECT_EQ(form.fontbox->currentText(), QStringLiteral("宋体"));
    EXPECT_EQ(form.fontsize->count(), 16);
    EXPECT_EQ(form.fontsize->itemText(15), QStringLiteral("72"));
    EXPECT_EQ(form.fontsize->currentText(), QStringLiteral("9"));
}

TEST_F(MainFormTest, OnlyTheValueOneTurnsASettingOn) {
    const struct {
        const char* addSpace;
        const char* enableEdit;
        bool runtimeAddSpace;
        bool runtimeEnableEdit;
    } cases[] = {{"2", "1", false, true}, {"1", "0", true, false}, {"0", "2", false, false}};
    for (const auto& c : cases) {
        QFile::remove(Ini());
        Profile::WriteString(Ini(), "VchPrintSetup", "AddSpace", c.addSpace);
        Profile::WriteString(Ini(), "VchPrintSetup", "EnableEdit", c.enableEdit);
        QFile before(Ini());
        ASSERT_TRUE(before.open(QIODevice::ReadOnly));
        const QByteArray content = before.readAll();
        TMainForm form({});
        EXPECT_EQ(form.ReportRunTimeMain->AddSpace(), c.runtimeAddSpace) << c.addSpace;
        EXPECT_EQ(form.ReportRunTimeMain->EnableEdit(), c.runtimeEnableEdit) << c.enableEdit;
        QFile after(Ini());
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_EQ(after.readAll(), content); // only read, never written
    }
}

TEST_F(MainFormTest, StartUpErrorsAreShownAndEndTheSequence) {
    const struct {
        const char* group;
        const char* format;
        const char* inMessage;
    } cases[] = {
        {"*", "没有这个模板", "没有这个模板.edj"}, // template file missing
        {"01", "", "edj/.edj"},                    // empty name: only folder and extension
        {"*", "不是模板", "格式不正确"},           // a file that is no template
    };
    {
        QFile junk(m_work.filePath(QStringLiteral("edj/不是模板.edj")));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        junk.write("GIF89a, not a template");
    }
    for (const auto& c : cases) {
        Db().Choose(QString::fromUtf8(c.group), QString::fromUtf8(c.format));
        m_messages.boxes.clear();
        TMainForm form({});
        ASSERT_EQ(m_messages.boxes.size(), 1) << c.format;
        EXPECT_EQ(m_messages.boxes[0].icon, MsgIcon::Error);
        EXPECT_TRUE(m_messages.boxes[0].text.contains(QString::fromUtf8(c.inMessage)))
            << m_messages.boxes[0].text.toStdString();
        EXPECT_FALSE(form.FileSaved);
        EXPECT_TRUE(form.ReportControlMain->Lines.isEmpty());
        EXPECT_EQ(form.fontbox->count(), 0); // the sequence ended before the font boxes
        EXPECT_FALSE(form.ADOQueryDetail->Active());
        EXPECT_FALSE(AppTermination::Requested());
    }
}

TEST_F(MainFormTest, VoucherGroupPreviewsAtStartUpAndClosingThePreviewEnds) {
    Profile::WriteString(Ini(), "VchPrintSetup", "EnableEdit", "1");
    Db().Choose(QStringLiteral("01"), QStringLiteral("单据"));
    const int pages = VoucherPages();
    ASSERT_GE(pages, 2);
    QString status;
    bool ownedByRuntime = false, rowsEnabled = false, constructorReturned = true;
    TMainForm* created = nullptr;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* preview) {
        status = preview->StatusPanel->text();
        ownedByRuntime = qobject_cast<TReportRunTime*>(preview->Owner()) != nullptr &&
                         preview->Owner()->objectName() == QStringLiteral("ReportRunTimeMain");
        rowsEnabled = preview->insertrow->isEnabled();
        constructorReturned = created != nullptr;
        QTest::mouseClick(preview->ExitBtn, Qt::LeftButton);
    });
    TMainForm form({});
    created = &form;
    EXPECT_EQ(status, QStringLiteral("第1页  共%1页").arg(pages));
    EXPECT_TRUE(ownedByRuntime);
    EXPECT_TRUE(rowsEnabled);
    EXPECT_FALSE(constructorReturned); // the preview ran inside the window's creation
    EXPECT_TRUE(AppTermination::Requested());
    EXPECT_FALSE(form.ADOQueryMain->ControlsDisabled());
    EXPECT_EQ(PdfCount(), 0);
    EXPECT_TRUE(form.FileSaved);
}

TEST_F(MainFormTest, FirstArgumentOnePrintsEveryPageAndEnds) {
    const struct {
        const char* group;
        QStringList arguments;
        bool printed;
    } cases[] = {
        {"01", {"1"}, true}, {"*", {"1"}, false}, // design only: the argument has no effect
    };
    for (const auto& c : cases) {
        QDir(m_work.filePath("pdf")).removeRecursively();
        AppTermination::Reset();
        Db().Choose(QString::fromUtf8(c.group), QStringLiteral("单据"));
        const int pages = VoucherPages();
        bool previewShown = false;
        const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* f) {
            previewShown = true;
            f->close();
        });
        TMainForm form(c.arguments);
        QTest::qWait(30);
        EXPECT_FALSE(previewShown) << c.group;
        EXPECT_EQ(PdfCount(), c.printed ? pages : 0) << c.group;
        EXPECT_EQ(AppTermination::Requested(), c.printed) << c.group;
        if (previewShown) AppTermination::Reset();
    }
}

TEST_F(MainFormTest, CloseAsksOnlyAfterAChangeAndCancelKeepsTheWindow) {
    const struct {
        bool changed;
        MsgResult answer;
        bool closes;
        bool saved;
    } cases[] = {
        {false, MsgResult::Cancel, true, false}, // nothing to ask
        {true, MsgResult::Cancel, false, false},
        {true, MsgResult::No, true, false},
        {true, MsgResult::Yes, true, true},
    };
    const QString file = m_work.filePath(QStringLiteral("edj/单据.edj"));
    for (const auto& c : cases) {
        WriteDetailTemplate(file, QStringLiteral("从表"), 200);
        AppTermination::Reset();
        m_messages.boxes.clear();
        m_messages.answers = {c.answer};
        TMainForm form({});
        form.show();
        if (c.changed) {
            form.ReportControlMain->Lines[0]->Cells[1]->SetCellText("changed");
            form.FileSaved = false;
        }
        const bool closed = form.close();
        EXPECT_EQ(closed, c.closes);
        EXPECT_EQ(form.isVisible(), !c.closes);
        EXPECT_EQ(AppTermination::Requested(), c.closes);
        if (c.changed) {
            ASSERT_EQ(m_messages.boxes.size(), 1);
            EXPECT_EQ(m_messages.boxes[0].title, QStringLiteral("提示"));
            EXPECT_EQ(m_messages.boxes[0].text, QStringLiteral("是否保存文件？？？"));
            EXPECT_EQ(m_messages.boxes[0].icon, MsgIcon::Question);
            EXPECT_EQ(m_messages.boxes[0].buttons, MsgButtons::YesNoCancel);
        } else {
            EXPECT_TRUE(m_messages.boxes.isEmpty());
        }
        TReportDocument onDisk;
        ASSERT_TRUE(onDisk.LoadFromFile(file));
        EXPECT_EQ(onDisk.Lines[0]->Cells[1]->CellText == "changed", c.saved);
        if (c.saved) {
            EXPECT_TRUE(form.FileSaved);
        }
    }
}

TEST_F(MainFormTest, TypingOrDraggingInTheGridMarksTheTemplateChangedASelectingClickDoesNot) {
    for (const bool typing : {true, false}) {
        SCOPED_TRACE(typing);
        AppTermination::Reset();
        m_messages.boxes.clear();
        m_messages.answers = {MsgResult::Cancel};
        TMainForm form({});
        form.show();
        TReportControl* grid = form.ReportControlMain;
        grid->SetZoom(100);
        const TRect r = grid->Lines[0]->Cells[0]->CellRect;
        QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(r.left + 10, r.top + 5));
        EXPECT_TRUE(form.FileSaved);
        if (typing) {
            QTest::mouseDClick(grid, Qt::LeftButton, {}, QPoint(r.left + 10, r.top + 5));
            ASSERT_NE(grid->EditBox(), nullptr);
            QTest::keyClicks(grid->EditBox(), QStringLiteral("x"));
        } else {
            QTest::mousePress(grid, Qt::LeftButton, {}, QPoint(r.right - 1, r.top + 5));
            QTest::mouseMove(grid, QPoint(r.right + 20, r.top + 5));
            QTest::mouseRelease(grid, Qt::LeftButton, {}, QPoint(r.right + 20, r.top + 5));
        }
        EXPECT_FALSE(form.FileSaved);
        // Closing with the box still open asks too.
        EXPECT_FALSE(form.close());
        ASSERT_EQ(m_messages.boxes.size(), 1);
        EXPECT_EQ(m_messages.boxes[0].text, QStringLiteral("是否保存文件？？？"));
        form.FileSaved = true;
    }
}

TEST_F(MainFormTest, ResizingFitsTheWholePageAndCentresIt) {
    TMainForm form({});
    form.show();
    form.resize(1100, 810);
    QTest::qWait(30);
    TReportControl* grid = form.ReportControlMain;
    const QSize outer = form.frameGeometry().size();
    EXPECT_LT(grid->Zoom, 100);
    EXPECT_LE(grid->height(), outer.height() - 110);
    EXPECT_LE(grid->width(), outer.width() - 170);
    EXPECT_EQ(grid->x(), (form.width() - grid->width() - 20) / 2);
    form.resize(3000, 3000);
    QTest::qWait(30);
    EXPECT_EQ(grid->Zoom, 100); // a page smaller than the window is never enlarged
    form.FileSaved = true;
}

TEST(TemplateName, OnlyNamesThatStayInsideEdjAreTaken) {
    const struct {
        const char* name;
        const char* path; // empty: refused
    } cases[] = {
        {"记账凭证", "/work/edj/记账凭证.edj"},
        {"2026/凭证", "/work/edj/2026/凭证.edj"},
        {"", "/work/edj/.edj"}, // the empty row of the design: the open error follows
        {"../outside", ""},
        {"a/../../outside", ""},
        {"a\\..\\..\\outside", ""},
        {"/etc/passwd", ""},
        {"tab\there", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromUtf8(c.name);
        if (*c.path) {
            EXPECT_EQ(TemplatePath(QStringLiteral("/work"), name), QString::fromUtf8(c.path));
        } else {
            try {
                TemplatePath(QStringLiteral("/work"), name);
                ADD_FAILURE() << "accepted";
            } catch (const KarvellError& e) {
                EXPECT_TRUE(e.message().contains(name)) << e.message().toStdString();
            }
        }
    }
}

TEST_F(MainFormTest, ANameOutsideEdjIsNeitherReadNorWritten) {
    const QString outside = m_work.filePath(QStringLiteral("outside.edj"));
    WriteDetailTemplate(outside, QStringLiteral("从表"), 200);
    Db().Choose(QStringLiteral("*"), QStringLiteral("../outside"));
    TMainForm form({});
    ASSERT_EQ(m_messages.boxes.size(), 1);
    EXPECT_TRUE(m_messages.boxes[0].text.contains(QStringLiteral("../outside")));
    EXPECT_TRUE(form.ReportControlMain->Lines.isEmpty());
    const QDateTime written = QFileInfo(outside).lastModified();
    EXPECT_THROW(form.file_saveClick(), KarvellError);
    EXPECT_EQ(QFileInfo(outside).lastModified(), written);
    form.FileSaved = true;
}

TEST_F(MainFormTest, SavingOntoAFullDiskSaysSoAndKeepsTheFile) {
    test::SmallDisk disk;
    if (!disk.IsMounted())
        GTEST_SKIP() << "full-disk saves not tested: " << disk.WhyNot().toStdString();
    QDir::setCurrent(disk.Path());
    QDir().mkpath(QStringLiteral("edj"));
    const QString file = disk.FilePath(QStringLiteral("edj/单据.edj"));
    WriteDetailTemplate(file, QStringLiteral("从表"), 200);
    ASSERT_TRUE(Profile::WriteString(disk.FilePath(QStringLiteral("Quorbex.ini")), "VchPrintSetup",
                                     "AddSpace", "1"));
    QFile before(file);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    TMainForm form({});
    ASSERT_TRUE(m_messages.boxes.isEmpty());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.ReportControlMain->Lines[0]->Cells[1]->SetCellText(QByteArray(20000, 'x'));
    form.FileSaved = false;
    ASSERT_TRUE(disk.Fill(0));
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(m_messages.boxes.size(), 1);
    EXPECT_TRUE(m_messages.boxes[0].text.contains(QStringLiteral("设备上没有空间")))
        << m_messages.boxes[0].text.toStdString();
    EXPECT_FALSE(form.FileSaved);
    QFile after(file);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    form.FileSaved = true;
    QDir::setCurrent(m_work.path());
}

} // namespace
