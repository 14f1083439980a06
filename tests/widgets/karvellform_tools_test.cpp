// The template editor's tools: new table, the border dialog, the formatting bar's size box,
// number formats, report functions, field windows and drops, and the preview from the editor.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QVariantMap>

#include "adoquery.h"
#include "apptermination.h"
#include "borderform.h"
#include "editor/fieldmime.h"
#include "editorstate/lunvanesettings.h"
#include "formatbar.h"
#include "karvellform_helpers.h"
#include "marginkform.h"
#include "newtableform.h"
#include "platform/gbk.h"
#include "platform/printer.h"
#include "preview_helpers.h"
#include "previewform.h"
#include "reportcontrol.h"
#include "runtime/components.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

class EditorToolsTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        OpenWithDialog(MakeTemplate(QStringLiteral("t.ept"), 3, 2));
        grid = form->ReportControl1;
        ASSERT_EQ(grid->Lines.size(), 2);
    }
    TReportCell* Cell(int line, int cell) { return grid->Lines[line]->Cells[cell]; }
    void Select(TReportCell* cell) {
        grid->ClearSelection();
        grid->AddSelectedCell(cell);
    }
    // The centre of a cell in window pixels.
    QPoint Centre(const TReportCell* cell) const {
        const QRect r = cell->CellRect.ToQRect();
        return QPoint(r.center().x() * grid->Zoom / 100, r.center().y() * grid->Zoom / 100);
    }
    void Drop(const QString& field, QPoint at) {
        std::unique_ptr<QMimeData> data(FieldMime(field));
        // Over the grid first, as a drag comes; then the drop.
        QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(grid, &drop);
        EXPECT_TRUE(drop.isAccepted());
    }
    TReportControl* grid = nullptr;
};

} // namespace

TEST_F(EditorToolsTest, NewTableOfTenBySixMarksUnsaved) {
    messages->answers.push_back(MsgResult::Ok);
    form->FileCloseClick();
    ASSERT_TRUE(form->ReportSaved);
    const auto watch = WhenModal<TfrmNewTable>([](TfrmNewTable* d) {
        d->Edit1->setText(QStringLiteral("10"));
        d->Edit2->setText(QStringLiteral("6"));
        d->accept();
    });
    form->NewTableClick();
    ASSERT_EQ(grid->Lines.size(), 10);
    EXPECT_EQ(grid->Lines[0]->Cells.size(), 6);
    EXPECT_FALSE(form->ReportSaved);
}

TEST_F(EditorToolsTest, NewTableOverAnOpenTableWarnsAndKeepsIt) {
    ASSERT_FALSE(grid->Lines.isEmpty());
    const QByteArray before = grid->Snapshot();
    const auto watch = WhenModal<TfrmNewTable>([](TfrmNewTable* d) {
        d->Edit1->setText(QStringLiteral("3"));
        d->Edit2->setText(QStringLiteral("3"));
        d->accept();
    });
    messages->boxes.clear();
    form->NewTableClick();
    ASSERT_EQ(messages->boxes.size(), 1);
    EXPECT_EQ(messages->boxes[0].title, QStringLiteral("警告"));
    EXPECT_EQ(messages->boxes[0].text, QStringLiteral("关闭正在编辑的报表后，才能建立新表格。"));
    EXPECT_EQ(messages->boxes[0].icon, MsgIcon::Warning);
    EXPECT_EQ(grid->Snapshot(), before);
}

TEST_F(EditorToolsTest, AnEmptyNewTableBoxIsAConversionErrorAndNoTable) {
    messages->answers.push_back(MsgResult::Ok);
    form->FileCloseClick();
    const auto watch = WhenModal<TfrmNewTable>([](TfrmNewTable* d) {
        d->Edit1->clear();
        d->accept();
    });
    form->RunCommand(&TKarvellForm::NewTableClick);
    EXPECT_TRUE(grid->Lines.isEmpty());
    ASSERT_FALSE(messages->boxes.isEmpty());
    EXPECT_EQ(messages->boxes.last().icon, MsgIcon::Error);
    EXPECT_TRUE(form->ReportSaved);
}

TEST_F(EditorToolsTest, BorderDialogCancelledMarksUnsavedAndChangesNothing) {
    Select(Cell(0, 1));
    const auto watch = WhenModal<TBorderForm>([](TBorderForm* d) {
        d->SpeedButton2Click();
        d->reject();
    });
    form->CellBorderLineClick();
    EXPECT_FALSE(form->ReportSaved);
    EXPECT_TRUE(Cell(0, 1)->LeftLine);
    // Without a current cell: the warning, no dialog.
    grid->ClearSelection();
    grid->FocusCell = grid->LastSelectedCell = nullptr;
    form->CellBorderLineClick();
    EXPECT_EQ(messages->boxes.last().text, QStringLiteral("请选择单元格!!!"));
    EXPECT_EQ(messages->boxes.last().title, QStringLiteral("警告"));
}

TEST_F(EditorToolsTest, SizeBoxTakesTheLeadingNumber) {
    Select(Cell(1, 0));
    struct Case {
        const char* typed;
        int points;
    };
    for (const Case& c : {Case{"14pt", 14}, Case{"0", 9}, Case{"ab", 9}, Case{"20", 20}}) {
        form->fontsize->lineEdit()->clear();
        QTest::keyClicks(form->fontsize->lineEdit(), QString::fromLatin1(c.typed));
        EXPECT_EQ(PointSizeOf(Cell(1, 0)->LogFont), c.points) << c.typed;
    }
    EXPECT_FALSE(form->ReportSaved);
}

TEST_F(EditorToolsTest, NumberFormatFromAPickedItemOrTypedAndEntered) {
    Select(Cell(1, 2));
    const int index = form->CellDispFormt->findText(QStringLiteral("0,.00"));
    ASSERT_GE(index, 0);
    Q_EMIT form->CellDispFormt->activated(index);
    EXPECT_EQ(Cell(1, 2)->CellDispFormat, QByteArray("0,.00"));
    // Typing is quiet and applies nothing; Enter applies the typed format as one step.
    QLineEdit* edit = form->CellDispFormt->lineEdit();
    edit->clear();
    const int steps = grid->History().UndoCount();
    QTest::keyClicks(edit, QStringLiteral("x#.0"));
    EXPECT_TRUE(messages->boxes.isEmpty());
    EXPECT_EQ(Cell(1, 2)->CellDispFormat, QByteArray("0,.00"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Cell(1, 2)->CellDispFormat, QByteArray("x#.0"));
    EXPECT_EQ(grid->History().UndoCount(), steps + 1);
    EXPECT_TRUE(messages->boxes.isEmpty());
    // Undo and redo show the restored format in the box, not the text typed before.
    form->EditUndo->trigger();
    EXPECT_EQ(Cell(1, 2)->CellDispFormat, QByteArray("0,.00"));
    EXPECT_EQ(form->CellDispFormt->currentText(), QStringLiteral("0,.00"));
    form->EditRedo->trigger();
    EXPECT_EQ(form->CellDispFormt->currentText(), QStringLiteral("x#.0"));
    // The formats of carried amounts are offered after the design's.
    EXPECT_GE(form->CellDispFormt->findText(QStringLiteral("[大写]")), 6);
    EXPECT_GE(form->Lsum->findText(QStringLiteral("SumCarry()")), 8);
}

TEST_F(EditorToolsTest, SumAllIntoThreeSelectedCellsWithTheBarFont) {
    for (int i = 0; i < 3; ++i)
        grid->AddSelectedCell(Cell(1, i));
    form->bold->setChecked(true);
    const int index = form->Lsum->findText(QStringLiteral("SumAll()"));
    Q_EMIT form->Lsum->activated(index);
    const LOGFONTA bar = form->Panel4->BarLogFont();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Cell(1, i)->CellText, QByteArray("`SumAll()")) << i;
        EXPECT_EQ(Cell(1, i)->LogFont.lfWeight, 700) << i;
        EXPECT_TRUE(Cell(1, i)->LogFont == bar) << i;
    }
    EXPECT_FALSE(form->ReportSaved);
}

TEST_F(EditorToolsTest, FunctionBoxIgnoredWhenTheCurrentCellIsNoLongerSelected) {
    grid->AddSelectedCell(Cell(0, 0));
    grid->AddSelectedCell(Cell(0, 1));
    grid->RemoveSelectedCell(Cell(0, 1)); // a later rubber band left it out
    grid->LastSelectedCell = Cell(0, 1);
    Q_EMIT form->Lsum->activated(0);
    EXPECT_TRUE(Cell(0, 0)->CellText.isEmpty());
    EXPECT_TRUE(form->ReportSaved);
}

TEST_F(EditorToolsTest, FieldWindowsKeepToTheirPlacesAndListTheFields) {
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QObject module;
    module.setObjectName(QStringLiteral("DataModule1"));
    Components::RegisterForm(&module);
    auto* t1 = new TDataSet(&module);
    t1->setObjectName(QStringLiteral("T1"));
    t1->SetFields(
        {{QStringLiteral("摘要"), FieldKind::Other}, {QStringLiteral("金额"), FieldKind::Numeric}});
    auto* broken = new TADOQuery(&module);
    broken->setObjectName(QStringLiteral("Broken"));
    broken->SetConnectionString(QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("x.db")));
    broken->SetSQL({QStringLiteral("select * from nowhere")});
    form->FillDataSetBox();
    const int t1Index = form->ComboBox1->findText(QStringLiteral("DataModule1.T1"));
    const int brokenIndex = form->ComboBox1->findText(QStringLiteral("DataModule1.Broken"));
    ASSERT_GE(t1Index, 0);
    ASSERT_GE(brokenIndex, 0);
    for (int i = 0; i < 9; ++i)
        Q_EMIT form->ComboBox1->activated(t1Index);
    ASSERT_EQ(form->FieldWindows.size(), 9);
    // The rows start below the menu and the bars (the work area's top left on the screen), and
    // each window shows its table's name inside.
    const QPoint o = form->centralWidget()->mapToGlobal(QPoint(0, 0));
    EXPECT_GT(o.y(), form->Panel4->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_EQ(form->FieldWindows[0]->findChild<QLabel*>(QStringLiteral("TableName"))->text(),
              QStringLiteral("DataModule1.T1"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(form->FieldWindows[i]->pos(), o + QPoint(2 + 120 * i, 2)) << i;
    EXPECT_EQ(form->FieldWindows[8]->pos(), o + QPoint(2, 142));
    EXPECT_EQ(form->FieldWindows[0]->windowTitle(), QStringLiteral("表名:DataModule1.T1"));
    auto* list = form->FieldWindows[0]->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("金额"));
    EXPECT_FALSE(form->ReportSaved);
    EXPECT_TRUE(messages->boxes.isEmpty());
    // A query that fails: the message and an empty list.
    Q_EMIT form->ComboBox1->activated(brokenIndex);
    ASSERT_EQ(form->FieldWindows.size(), 10);
    EXPECT_EQ(messages->boxes.last().text, QStringLiteral("此表打不开或属性设置不正确"));
    EXPECT_EQ(form->FieldWindows[9]->findChild<QListWidget*>()->count(), 0);
    EXPECT_EQ(form->FieldWindows[9]->pos(), o + QPoint(122, 142));
}

TEST_F(EditorToolsTest, FieldDropWritesThePlaceholderAtZoom100Only) {
    grid->SetZoom(100);
    Drop(QStringLiteral("摘要"), Centre(Cell(1, 1)));
    EXPECT_EQ(Cell(1, 1)->CellText, Gbk::Encode(QStringLiteral("#T1.摘要")));
    EXPECT_EQ(grid->SelectedCells, QList<TReportCell*>{Cell(1, 1)});
    EXPECT_EQ(grid->LastSelectedCell, Cell(1, 1));
    EXPECT_FALSE(form->ReportSaved);
    // Zoomed: the grid only returns to 100 %.
    form->ReportSaved = true;
    grid->SetZoom(150);
    form->ViewZoom = 150;
    Drop(QStringLiteral("金额"), Centre(Cell(0, 0)));
    EXPECT_TRUE(Cell(0, 0)->CellText.isEmpty());
    EXPECT_EQ(grid->Zoom, 100);
    EXPECT_EQ(form->ViewZoom, 100);
    EXPECT_TRUE(form->ReportSaved);
}

TEST_F(EditorToolsTest, PreviewShowsThePlaceholdersUnfilledAndReturnsToTheEditor) {
    Select(Cell(0, 0));
    grid->SetSelText(Gbk::Encode(QStringLiteral("#T1.摘要")));
    form->ReportSaved = false;
    QString shown;
    bool setupEnabled = true;
    const auto watch = WhenModal<TPreviewForm>([&](TPreviewForm* p) {
        shown = FirstCellText(*p->ReportControl1);
        setupEnabled = p->PrintSetupBtn->isEnabled();
        p->close();
    });
    form->SpeedButton4Click();
    EXPECT_EQ(shown, QStringLiteral("#T1.摘要"));
    EXPECT_FALSE(setupEnabled);
    EXPECT_FALSE(AppTermination::Requested());
    EXPECT_FALSE(form->ReportSaved);
}

TEST_F(EditorToolsTest, PrintAndPreviewWithoutAPrinter) {
    qputenv("KARVELL_NO_PRINTERS", "1");
    form->PrintItClick();
    form->SpeedButton4Click();
    qunsetenv("KARVELL_NO_PRINTERS");
    ASSERT_EQ(messages->boxes.size(), 2);
    EXPECT_EQ(messages->boxes[0].text, QStringLiteral("未安装打印机"));
    EXPECT_EQ(messages->boxes[1].icon, MsgIcon::Warning);
}

TEST_F(EditorToolsTest, MouseInTheGridFollowsTheBarAndTypingMarksUnsaved) {
    Cell(1, 2)->SetCellDispFormat("0.00");
    LOGFONTA big = Cell(1, 2)->LogFont;
    big.lfHeight = -24; // 18 points at 96 dpi
    big.lfItalic = 1;
    Cell(1, 2)->SetLogFont(big);
    grid->UpdateLines();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QPoint at = Centre(Cell(1, 2));
    // A press on a zoomed grid only brings it back to 100 %.
    if (grid->Zoom != 100) {
        QTest::mouseClick(grid, Qt::LeftButton, {}, at);
        EXPECT_EQ(grid->Zoom, 100);
        EXPECT_EQ(form->ViewZoom, 100);
    }
    const TRect r = Cell(1, 2)->CellRect;
    const QPoint inside(r.left + 10, r.top + 5);
    QTest::mouseClick(grid, Qt::LeftButton, {}, inside);
    EXPECT_EQ(grid->LastSelectedCell, Cell(1, 2));
    EXPECT_EQ(form->CellDispFormt->currentText(), QStringLiteral("0.00"));
    EXPECT_EQ(form->fontsize->currentText(), QStringLiteral("18"));
    EXPECT_TRUE(form->italic->isChecked());
    EXPECT_TRUE(form->ReportSaved); // showing a cell applies nothing
    QTest::mouseDClick(grid, Qt::LeftButton, {}, inside);
    ASSERT_NE(grid->EditBox(), nullptr);
    QTest::keyClicks(grid->EditBox(), QStringLiteral("x"));
    EXPECT_FALSE(form->ReportSaved);
    messages->answers.push_back(MsgResult::No);
    EXPECT_TRUE(form->close());
}

TEST_F(EditorToolsTest, PageSetupKeepsTheFormOffsetInLunvaneIni) {
    QFile ini(Ini());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray before = ini.readAll();
    ini.close();
    const auto watch = WhenModal<TMarginkForm>([](TMarginkForm* d) {
        ASSERT_NE(d->OffsetX, nullptr);
        d->OffsetX->setValue(2.5);
        d->OffsetY->setValue(-1.0);
        d->accept();
    });
    form->MarginSettingClick();
    EXPECT_FALSE(form->ReportSaved);
    EXPECT_EQ(PrinterService::Instance().FormOffsetMm(), QPointF(2.5, -1.0));
    EXPECT_EQ(Lunvane::LoadOffset(Ini()), QPointF(2.5, -1.0));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().startsWith(before)); // only the section "Offset" was added
    // A new editor takes it up again.
    PrinterService::Instance().SetFormOffsetMm(QPointF());
    TKarvellForm again(nullptr, {});
    EXPECT_EQ(PrinterService::Instance().FormOffsetMm(), QPointF(2.5, -1.0));
    PrinterService::Instance().SetFormOffsetMm(QPointF());
}

TEST_F(EditorToolsTest, FontDialogStartsOnTheCellsFaceAndSizeWithTheStyleLastChosen) {
    Select(Cell(0, 0));
    LOGFONTA chosen = DefaultCellFont();
    chosen.lfWeight = 700;
    chosen.lfHeight = -24;
    QVariantMap answer;
    answer.insert(QStringLiteral("font"), LogFontToBytes(chosen));
    answer.insert(QStringLiteral("color"), uint(RGB(255, 0, 0)));
    messages->dialogAnswers.push_back(QVariant(answer));
    form->CellFontClick();
    EXPECT_EQ(Cell(0, 0)->LogFont.lfWeight, 700);
    EXPECT_EQ(Cell(0, 0)->TextColor, RGB(255, 0, 0));
    EXPECT_FALSE(form->ReportSaved);
    // The next time: the selected cell's size (12 points), the bold chosen before, red.
    Select(Cell(1, 0));
    form->CellFontClick(); // cancelled
    const QVariantMap second = messages->initials.last().toMap();
    const QByteArray bytes = second.value(QStringLiteral("font")).toByteArray();
    ASSERT_EQ(bytes.size(), int(sizeof(LOGFONTA)));
    const LOGFONTA start = LogFontFromBytes(bytes.constData());
    EXPECT_EQ(start.lfWeight, 700);
    EXPECT_EQ(PointSizeOf(start), 12);
    EXPECT_EQ(second.value(QStringLiteral("color")).toUInt(), uint(RGB(255, 0, 0)));
    EXPECT_EQ(Cell(1, 0)->LogFont.lfWeight, DefaultCellFont().lfWeight);
}
