// The template editor's window and files: creation, opening, saving, Save As, closing, the
// close question (also before another template replaces an unsaved one), the recent-file menu
// and the runtime's Design.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>

#include "editorstate/recentfiles.h"
#include "karvellform_helpers.h"
#include "platform/gbk.h"
#include "platform/profile.h"
#include "preview_helpers.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"
#include "runtimeui.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

const QString kQuestion = QStringLiteral("保存报表按“是”，不保存报表按“否”，取消本次操作按“取消”");

QStringList MenuCaptions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* a : menu->actions())
        captions.append(a->text());
    return captions;
}

} // namespace

TEST_F(EditorTest, CreationWritesOtherAndShowsNoTemplate) {
    EXPECT_EQ(form->windowTitle(), QStringLiteral("[无报表]"));
    EXPECT_EQ(form->StatusPanel->text(), QStringLiteral("  Karvell报表模板编辑器 Ver  4.02"));
    EXPECT_TRUE(form->ReportControl1->KarvellEdit);
    EXPECT_TRUE(form->ReportSaved);
    EXPECT_FALSE(form->FileMode);
    const QByteArray other = Gbk::Encode(QStringLiteral("其他"));
    for (const char* key : {"toolbar", "statusbar", "autosave", "fonts"})
        EXPECT_EQ(Profile::ReadString(Ini(), other, key, "missing"), "1") << key;
    EXPECT_EQ(Profile::ReadString(Ini(), other, "savetime", "missing"), "missing");
    EXPECT_EQ(form->fontsize->currentText(), QStringLiteral("9"));
}

TEST_F(EditorTest, CommandLineFileThatCannotBeReadStillOpensTheWindow) {
    const QString missing = dir.filePath(QStringLiteral("missing.ept"));
    TKarvellForm editor(nullptr, {missing});
    EXPECT_EQ(messages->boxes.size(), 1); // the platform's error
    EXPECT_EQ(messages->boxes[0].icon, MsgIcon::Error);
    // A failed open changes nothing: Save has no file to write over.
    EXPECT_FALSE(editor.FileMode);
    EXPECT_TRUE(editor.CurrentFile.isEmpty());
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("[无报表]"));
}

TEST_F(EditorTest, OpenShowsTheDesignsDialogAndMakesTheFileCurrent) {
    const QString x = MakeTemplate(QStringLiteral("x.ept"), 3, 2, QStringLiteral("甲"));
    OpenWithDialog(x);
    ASSERT_EQ(messages->dialogs, QList<DialogKind>{DialogKind::OpenFile});
    EXPECT_EQ(messages->initials[0].toMap().value(QStringLiteral("title")).toString(),
              QStringLiteral("打开Lunvane文件"));
    EXPECT_FALSE(messages->initials[0].toMap().contains(QStringLiteral("defaultSuffix")));
    EXPECT_EQ(messages->filters[0],
              QStringLiteral("Lunvane Files (*.ept)|*.ept|All Files (*.*)|*.*"));
    EXPECT_EQ(form->windowTitle(), x);
    EXPECT_EQ(FirstText(), QStringLiteral("甲"));
    EXPECT_EQ(RecentFiles(Ini()).PathOf(1), x);
    EXPECT_EQ(form->ViewZoom, 100);
}

TEST_F(EditorTest, SaveOnAFreshEditorDoesNothingAndAfterCloseAsksForAName) {
    form->N29Click();
    EXPECT_TRUE(messages->dialogs.isEmpty());
    OpenWithDialog(MakeTemplate(QStringLiteral("x.ept")));
    form->FileCloseClick(); // answered OK
    ASSERT_EQ(messages->boxes.size(), 1);
    EXPECT_EQ(messages->boxes[0].title, QStringLiteral("警告"));
    EXPECT_EQ(messages->boxes[0].text, QStringLiteral("确实要关闭报表吗？"));
    EXPECT_EQ(messages->boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(messages->boxes[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("[无报表]"));
    EXPECT_TRUE(form->ReportControl1->Lines.isEmpty());
    form->N29Click();
    ASSERT_EQ(messages->dialogs.size(), 2);
    EXPECT_EQ(messages->dialogs[1], DialogKind::SaveFile);
    const QVariantMap request = messages->initials[1].toMap();
    EXPECT_EQ(request.value(QStringLiteral("file")).toString(), QString());
    EXPECT_EQ(request.value(QStringLiteral("title")).toString(), QStringLiteral("保存Lunvane文件"));
    EXPECT_EQ(request.value(QStringLiteral("defaultSuffix")).toString(), QStringLiteral(".ept"));
}

TEST_F(EditorTest, SaveAsReReadsTheFileAndMakesItEntryOne) {
    const QString x = MakeTemplate(QStringLiteral("x.ept"), 3, 2, QStringLiteral("甲"));
    OpenWithDialog(x);
    form->ReportControl1->AddSelectedCell(form->ReportControl1->Lines[0]->Cells[0]);
    form->ReportControl1->SetSelText(Gbk::Encode(QStringLiteral("乙")));
    form->InsertLineClick();
    EXPECT_FALSE(form->ReportSaved);
    form->ViewZoom = 70;
    const QString y = dir.filePath(QStringLiteral("Sub/New Name.ept"));
    QDir().mkpath(QFileInfo(y).absolutePath());
    messages->dialogAnswers.push_back(QVariant(y));
    form->FileSaveClick();
    EXPECT_EQ(messages->initials.last().toMap().value(QStringLiteral("file")).toString(), x);
    EXPECT_TRUE(form->ReportSaved);
    EXPECT_EQ(form->windowTitle(), y);
    EXPECT_EQ(form->CurrentFile, y);
    EXPECT_EQ(form->ReportControl1->Lines.size(), 3);
    EXPECT_EQ(form->ReportControl1->SelectedCells.size(), 0); // the file read back
    EXPECT_EQ(RecentFiles(Ini()).PathOf(1), y);
    EXPECT_EQ(RecentFiles(Ini()).PathOf(2), x);
    EXPECT_EQ(form->ViewZoom, 100);
    TReportDocument back;
    ASSERT_TRUE(back.LoadFromFile(y));
    ASSERT_EQ(back.Lines.size(), 3);
    QStringList firstCells;
    for (const TReportLine* line : back.Lines)
        firstCells.append(Gbk::Decode(line->Cells[0]->CellText));
    EXPECT_TRUE(firstCells.contains(QStringLiteral("乙")));
}

TEST_F(EditorTest, RecentMenuDropsDuplicatesAndVanishedFilesAndOpensWithoutTouchingTheList) {
    const QString x = MakeTemplate(QStringLiteral("Xa.ept"), 2, 1, QStringLiteral("X"));
    const QString y = MakeTemplate(QStringLiteral("Ya.ept"), 2, 1, QStringLiteral("Y"));
    const QString z = MakeTemplate(QStringLiteral("Za.ept"), 2, 1, QStringLiteral("Z"));
    for (const QString& p : {z, x, y, x})
        OpenWithDialog(p);
    form->T1Click();
    EXPECT_EQ(MenuCaptions(form->file1),
              (QStringList{QStringLiteral("&1 ") + x, QStringLiteral("&2 ") + y,
                           QStringLiteral("&3 ") + z}));
    ASSERT_TRUE(QFile::remove(y));
    form->T1Click();
    ASSERT_EQ(form->file1->actions().size(), 2);
    form->ViewZoom = 60;
    form->ReportControl1->SetZoom(60);
    // Entry 2 (z) through its menu item.
    form->file1->actions()[1]->trigger();
    EXPECT_EQ(form->windowTitle(), z);
    EXPECT_EQ(FirstText(), QStringLiteral("Z"));
    // The file is shown at 100 %, and the zoom steps start from there.
    EXPECT_EQ(form->ReportControl1->Zoom, 100);
    EXPECT_EQ(form->ViewZoom, 100);
    EXPECT_EQ(RecentFiles(Ini()).PathOf(1), x);
}

TEST_F(EditorTest, TheMenuRebuildsWhenItOpens) {
    OpenWithDialog(MakeTemplate(QStringLiteral("a.ept")));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTimer::singleShot(50, form->T1, [this] { form->T1->close(); });
    form->T1->exec(form->mapToGlobal(QPoint(5, 5)));
    EXPECT_EQ(form->file1->actions().size(), 1);
    QTest::qWait(10);
}

TEST_F(EditorTest, UnsavedChangesAreAskedForBeforeAnotherTemplateOpens) {
    const QString x = MakeTemplate(QStringLiteral("x.ept"), 3, 2, QStringLiteral("甲"));
    const QString y = MakeTemplate(QStringLiteral("y.ept"), 3, 2, QStringLiteral("乙"));
    OpenWithDialog(x);
    form->ReportControl1->AddSelectedCell(form->ReportControl1->Lines[0]->Cells[0]);
    form->InsertLineClick();
    // Cancel keeps the template; no open dialog is shown.
    messages->answers.push_back(MsgResult::Cancel);
    form->FileOpenClick();
    EXPECT_EQ(messages->boxes.last().text, kQuestion);
    EXPECT_EQ(messages->boxes.last().title, QStringLiteral("注意"));
    EXPECT_EQ(messages->boxes.last().icon, MsgIcon::Warning);
    EXPECT_EQ(messages->boxes.last().buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(messages->dialogs.size(), 1);
    EXPECT_EQ(form->CurrentFile, x);
    EXPECT_EQ(form->ReportControl1->Lines.size(), 3);
    // Yes saves x first, then y opens.
    messages->answers.push_back(MsgResult::Yes);
    OpenWithDialog(y);
    EXPECT_EQ(form->CurrentFile, y);
    TReportDocument back;
    ASSERT_TRUE(back.LoadFromFile(x));
    EXPECT_EQ(back.Lines.size(), 3);
    // The recent list too: No discards.
    form->ReportControl1->AddSelectedCell(form->ReportControl1->Lines[0]->Cells[0]);
    form->InsertLineClick();
    form->T1Click();
    messages->answers.push_back(MsgResult::No);
    form->OpenRecent(2);
    EXPECT_EQ(form->CurrentFile, x);
    ASSERT_TRUE(back.LoadFromFile(y));
    EXPECT_EQ(back.Lines.size(), 2);
}

TEST_F(EditorTest, CloseQuestionGoesOnOnlyWhenTheSaveHappened) {
    form->show();
    // No file name: Yes runs Save As; cancelling it keeps the window.
    messages->answers.push_back(MsgResult::Ok);
    form->FileCloseClick();
    form->ReportSaved = false; // as after a change to the empty document
    messages->answers.push_back(MsgResult::Yes);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(messages->dialogs.last(), DialogKind::SaveFile);
    // Cancel keeps it, No closes it.
    messages->answers.push_back(MsgResult::Cancel);
    EXPECT_FALSE(form->close());
    messages->answers.push_back(MsgResult::No);
    EXPECT_TRUE(form->close());
}

TEST_F(EditorTest, TheQuestionIsStillAskedAfterCloseWithUnsavedChanges) {
    OpenWithDialog(MakeTemplate(QStringLiteral("x.ept")));
    form->InsertLineClick();
    form->FileCloseClick(); // OK
    EXPECT_FALSE(form->ReportSaved);
    form->show();
    messages->answers.push_back(MsgResult::Cancel);
    EXPECT_FALSE(form->close());
    EXPECT_EQ(messages->boxes.last().text, kQuestion);
}

TEST_F(EditorTest, AFailedSaveKeepsTheWindowAndTheOldFile) {
    const QString x = MakeTemplate(QStringLiteral("x.ept"), 3, 2, QStringLiteral("甲"));
    OpenWithDialog(x);
    QFile::remove(x);
    ASSERT_TRUE(QDir().mkpath(x)); // a folder where the file was: nothing can be written there
    form->InsertLineClick();
    form->show();
    messages->answers.push_back(MsgResult::Yes);
    EXPECT_FALSE(form->close());
    EXPECT_FALSE(form->ReportSaved);
    EXPECT_EQ(messages->boxes.last().icon, MsgIcon::Error);
    messages->answers.push_back(MsgResult::No);
    EXPECT_TRUE(form->close());
}

TEST_F(EditorTest, FitZoomAndTheLowestZoom) {
    OpenWithDialog(MakeTemplate(QStringLiteral("x.ept")));
    form->resize(900, 500);
    form->FormResize();
    const int page = form->ReportControl1->CachedPageHeight;
    ASSERT_GT(page, 0);
    const int outer = form->frameGeometry().height();
    EXPECT_EQ(form->ViewZoom, std::max(10, int(double(outer - 160) / page * 100.0)));
    EXPECT_EQ(form->ReportControl1->Zoom, form->ViewZoom);
    for (int i = 0; i < 30; ++i)
        form->SpeedButton15Click();
    EXPECT_EQ(form->ViewZoom, 10);
    form->SpeedButton12Click();
    EXPECT_EQ(form->ReportControl1->Zoom, 20);
}

TEST_F(EditorTest, DesignOpensTheEditorOnReportFileModallyAndDestroysIt) {
    const QString x = MakeTemplate(QStringLiteral("x.ept"), 3, 2, QStringLiteral("甲"));
    WidgetRuntimeUi ui;
    RuntimeUi::SetInstance(&ui);
    TReportRunTime runtime;
    runtime.SetReportFile(x);
    QPointer<TKarvellForm> seen;
    QString title;
    const auto watch = WhenModal<TKarvellForm>([&](TKarvellForm* editor) {
        seen = editor;
        title = editor->windowTitle();
        editor->close();
    });
    TKarvellForm::SetTemplateArguments({});
    runtime.Design();
    RuntimeUi::SetInstance(nullptr);
    EXPECT_EQ(title, x);
    EXPECT_TRUE(seen.isNull());
}
