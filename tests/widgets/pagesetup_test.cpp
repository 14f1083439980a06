// The page-setup dialogs: the refused plain constructor, the margin boxes, the dialog on a live
// grid (TMarginkForm) and the dialog on a template file (TMarginForm) with its SetupDone.
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include "marginform.h"
#include "marginkform.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "preview_helpers.h"
#include "reportcontrol.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

// Replaces the box's text by typing; characters beyond ASCII arrive as key events with text.
void Type(TMarginSpinEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(box, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QByteArray ReadAll(const QString& fileName) {
    QFile f(fileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class PageSetupTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        PrinterService::Instance().Reset();
        m_file = m_dir.filePath(QStringLiteral("凭证.edj"));
        // A template on A5 landscape with margins left 25, top 12, right 18, bottom 9 mm:
        // saving takes the paper from the printer.
        DEVMODE* dm = LockPrinterDevMode();
        dm->dmPaperSize = DMPAPER_A5;
        dm->dmOrientation = DMORIENT_LANDSCAPE;
        TReportDocument doc;
        doc.NewTable(3, 4);
        doc.SetMargin(25, 12, 18, 9);
        doc.SaveToFile(m_file);
        // The printer is back on A4 portrait before a dialog opens.
        PrinterService::Instance().Reset();
    }
    void TearDown() override { PrinterService::Instance().Reset(); }

    QTemporaryDir m_dir;
    QString m_file;
};

TEST(PellamForm, PlainConstructorIsRefused) {
    try {
        TPellamForm form(nullptr);
        FAIL() << "the plain constructor made a dialog";
    } catch (const KarvellError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("不允许调用该方法"));
    }
    std::unique_ptr<TPellamForm> made(TPellamForm::CreateDialog(nullptr));
    EXPECT_NE(made, nullptr);
}

TEST(MarginSpinEdit, TakesWholeNumbersAndRefusesOtherCharacters) {
    const struct {
        const char* typed;
        const char* shown;
        int value;
    } cases[] = {
        {"12", "12", 12}, {"-7", "-7", -7},  {"+5", "+5", 5},    {"", "", 0},
        {"-", "-", 0},    {"1.5", "1.5", 0}, {"a1b2", "12", 12}, {"99999", "99999", 99999},
        {"毫米", "", 0},  {"4 0", "40", 40},
    };
    for (const auto& c : cases) {
        TMarginSpinEdit box;
        box.SetValue(33);
        box.show();
        Type(&box, QString::fromUtf8(c.typed));
        EXPECT_EQ(box.text(), QString::fromUtf8(c.shown)) << c.typed;
        EXPECT_EQ(box.Value(), c.value) << c.typed;
    }
}

TEST_F(PageSetupTest, FileDialogIsFilledAndHandsItsPaperToThePrinter) {
    std::unique_ptr<TMarginForm> dialog = TMarginForm::CreateForFile(nullptr, m_file);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("页面设置"));
    EXPECT_EQ(dialog->GroupBox1->title(), QStringLiteral("页面设置"));
    EXPECT_EQ(dialog->FileName, m_file);
    EXPECT_FALSE(dialog->SetupDone);
    EXPECT_FALSE(dialog->ReportControl1->isVisibleTo(dialog.get()));
    EXPECT_EQ(dialog->TopMargin->Value(), 12);
    EXPECT_EQ(dialog->BottomMargin->Value(), 9);
    EXPECT_EQ(dialog->LeftMargin->Value(), 25);
    EXPECT_EQ(dialog->RightMargin->Value(), 18);
    EXPECT_TRUE(dialog->BitBtn1->isDefault());
    EXPECT_EQ(dialog->BitBtn1->text(), QStringLiteral("确定"));
    EXPECT_EQ(dialog->BitBtn2->text(), QStringLiteral("取消"));
    EXPECT_EQ(dialog->SpeedButton2->text(), QStringLiteral("设置…"));
    EXPECT_EQ(dialog->UnitLabel->text(), QStringLiteral("单位：毫米"));
    EXPECT_EQ(dialog->UnitLabel->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    QStringList captions;
    for (QLabel* label : dialog->GroupBox1->findChildren<QLabel*>())
        captions << label->text();
    EXPECT_EQ(captions,
              (QStringList{"  上边距：", "  下边距：", "  左边距：", "  右边距：", "  打印纸："}));
    const DEVMODE* dm = LockPrinterDevMode();
    EXPECT_EQ(dm->dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(dm->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(dm->dmFields & (DM_PAPERSIZE | DM_ORIENTATION), DM_PAPERSIZE | DM_ORIENTATION);
}

TEST_F(PageSetupTest, FileDialogConfirmedWritesTheFileCancelledLeavesIt) {
    const QByteArray original = ReadAll(m_file);
    {
        std::unique_ptr<TMarginForm> dialog = TMarginForm::CreateForFile(nullptr, m_file);
        dialog->show();
        Type(dialog->LeftMargin, "30");
        Click(dialog->BitBtn2);
        EXPECT_FALSE(dialog->SetupDone);
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(ReadAll(m_file), original);
    }
    std::unique_ptr<TMarginForm> dialog = TMarginForm::CreateForFile(nullptr, m_file);
    dialog->show();
    Type(dialog->LeftMargin, "30");
    Type(dialog->BottomMargin, ""); // an empty box is 0 mm
    Click(dialog->BitBtn1);
    EXPECT_TRUE(dialog->SetupDone);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialog->ReportControl1->Lines.isEmpty());
    TReportDocument saved;
    ASSERT_TRUE(saved.LoadFromFile(m_file));
    EXPECT_EQ(saved.LeftMargin, 30);
    EXPECT_EQ(saved.TopMargin, 12);
    EXPECT_EQ(saved.RightMargin, 18);
    EXPECT_EQ(saved.BottomMargin, 0);
    EXPECT_EQ(saved.Lines.size(), 4);
}

TEST_F(PageSetupTest, FileDialogPrinterSetupDecidesSetupDoneUntilTheCloseBox) {
    ScriptedMessages messages;
    const QByteArray original = ReadAll(m_file);
    std::unique_ptr<TMarginForm> dialog = TMarginForm::CreateForFile(nullptr, m_file);
    dialog->show();
    messages.dialogAnswers.push_back(QVariant(true)); // confirmed
    Click(dialog->SpeedButton2);
    EXPECT_TRUE(dialog->SetupDone);
    EXPECT_TRUE(dialog->isVisible());
    Click(dialog->SpeedButton2); // no answer: cancelled
    EXPECT_FALSE(dialog->SetupDone);
    messages.dialogAnswers.push_back(QVariant(true));
    Click(dialog->SpeedButton2);
    // The title-bar close box keeps the outcome of the last printer setup; nothing is written.
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(dialog->SetupDone);
    EXPECT_EQ(ReadAll(m_file), original);
    EXPECT_EQ(messages.dialogs,
              (QList<DialogKind>{DialogKind::PrinterSetup, DialogKind::PrinterSetup,
                                 DialogKind::PrinterSetup}));
}

TEST_F(PageSetupTest, FileDialogForAMissingFileFails) {
    EXPECT_THROW(TMarginForm::CreateForFile(nullptr, m_dir.filePath("nichts.edj")), KarvellError);
}

TEST_F(PageSetupTest, GridDialogAnswersOneOrTwo) {
    TReportControl grid;
    grid.NewTable(2, 2);
    grid.PaperSize = DMPAPER_B5;
    grid.PaperOrientation = DMORIENT_LANDSCAPE;
    const TRect before = grid.GetMargin();

    // Cancelled: 2, margins unchanged, but the printer took the grid's paper.
    const auto cancel = WhenModal<TMarginkForm>([](TMarginkForm* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("页面设置"));
        EXPECT_EQ(dialog->LeftMargin->Value(), 20);
        EXPECT_EQ(dialog->TopMargin->Value(), 20);
        Type(dialog->TopMargin, "44");
        Click(dialog->BitBtn2);
    });
    EXPECT_EQ(TMarginkForm::ExecutePageSetup(nullptr, &grid), 2);
    EXPECT_EQ(grid.GetMargin(), before);
    EXPECT_EQ(LockPrinterDevMode()->dmPaperSize, DMPAPER_B5);
    EXPECT_EQ(LockPrinterDevMode()->dmOrientation, DMORIENT_LANDSCAPE);

    // Confirmed: 1 and the boxes' margins, an emptied box giving 0; the printer setup's own
    // outcome plays no part.
    ScriptedMessages messages;
    const auto confirm = WhenModal<TMarginkForm>([](TMarginkForm* dialog) {
        Click(dialog->SpeedButton2);
        Type(dialog->TopMargin, "44");
        Type(dialog->RightMargin, "");
        Click(dialog->BitBtn1);
    });
    EXPECT_EQ(TMarginkForm::ExecutePageSetup(nullptr, &grid), 1);
    EXPECT_EQ(messages.dialogs, QList<DialogKind>{DialogKind::PrinterSetup});
    EXPECT_EQ(grid.TopMargin, 44);
    EXPECT_EQ(grid.RightMargin, 0);
    EXPECT_EQ(grid.LeftMargin, before.left);
    EXPECT_EQ(grid.BottomMargin, before.bottom);
    EXPECT_EQ(grid.TopMarginPx, 169); // ⌊44 × 96 / 25 + 0.5⌋
    EXPECT_EQ(grid.RightMarginPx, 0);
}

TEST_F(PageSetupTest, WithoutAPrinterNoDialogIsShown) {
    qputenv("KARVELL_NO_PRINTERS", "1");
    TReportControl grid;
    bool shown = false;
    const auto watch = WhenModal<TMarginkForm>([&](TMarginkForm* dialog) {
        shown = true;
        dialog->reject();
    });
    EXPECT_THROW(TMarginkForm::ExecutePageSetup(nullptr, &grid), KarvellError);
    EXPECT_THROW(TMarginForm::CreateForFile(nullptr, m_file), KarvellError);
    qunsetenv("KARVELL_NO_PRINTERS");
    QTest::qWait(30);
    EXPECT_FALSE(shown);
}

} // namespace
