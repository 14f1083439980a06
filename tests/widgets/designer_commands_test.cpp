// The voucher designer's commands on a selection: menus, tool bar and popup built from their
// tables, each command's precondition, message and FileSaved rule, the dialogs they open, the
// formatting bar and its refresh after a press, and saving.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "borderform.h"
#include "colorform.h"
#include "designer_helpers.h"
#include "formatbar.h"
#include "mainform.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "preview_helpers.h"
#include "qtmessages.h"
#include "render/colorref.h"
#include "reportcontrol.h"
#include "vsplitform.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

using DesignerCommands = DesignerFormTest;
using Handler = void (TMainForm::*)();

QStringList Captions(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text() + (a->isVisible() ? "" : "?"));
    return out;
}

TEST_F(DesignerCommands, MenusToolBarAndPopupAreTheDesigns) {
    const QList<QAction*> top = form->menuBar()->actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), QStringLiteral("〖文件〗"));
    EXPECT_EQ(top[1]->text(), QStringLiteral("〖表格〗"));
    EXPECT_EQ(Captions(top[0]->menu()).join(u' '),
              QStringLiteral("「保存」 - 「页面设置...」 - 「退出」"));
    EXPECT_EQ(
        Captions(top[1]->menu()).join(u' '),
        QStringLiteral("「插入行」 「添加行」 「删除行」 - 「拆分单元格...」 「合并单元格」 - "
                       "「字体...」 「边框...」 「颜色...」 - 「填充图片」 「清空图片」 "
                       "「新建表格...」?"));
    EXPECT_EQ(Named("file_save")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_EQ(Named("file_exit")->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));

    const struct {
        const char* name;
        const char* caption;
        const char* hint;
    } buttons[] = {{"save", "保存", "保存"},           {"printview", "设置", "页面设置"},
                   {"exit", "退出", "退出"},           {"insertrow", "插入行", ""},
                   {"addrow", "添加行", ""},           {"deleterow", "删除行", ""},
                   {"split", "拆分", "拆分单元格..."}, {"Combine", "合并", "合并单元格"},
                   {"font", "字体", "字体..."},        {"border", "边框", "边框..."},
                   {"color", "颜色", "颜色..."},       {"image_add", "填图片", ""},
                   {"image_delete", "清图片", ""}};
    for (const auto& b : buttons) {
        const auto* button = Named<QToolButton>(b.name);
        ASSERT_NE(button, nullptr) << b.name;
        EXPECT_EQ(button->parentWidget(), form->ToolBar1) << b.name;
        EXPECT_EQ(button->text(), QString::fromUtf8(b.caption)) << b.name;
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint)) << b.name;
    }

    const QStringList popup = Captions(form->PopupMenu1);
    EXPECT_EQ(
        popup.join(u' '),
        QStringLiteral("〖插入行〗 〖添加行〗 〖删除行〗 - 〖拆分单元格...〗 〖合并单元格〗 - "
                       "〖字体...〗 〖边框...〗 〖颜色...〗 - 〖填充图片〗 〖清空图片〗 - "
                       "『数据库字段』"));
    const QMenu* fields = form->findChild<QMenu*>(QStringLiteral("p_field"));
    ASSERT_NE(fields, nullptr);
    EXPECT_EQ(
        Captions(fields).mid(0, 7).join(u' '),
        QStringLiteral("「当前时间」 - 「核算单位」 「日期」 「顺序号」 『凭证字号』 『附单据』"));
    EXPECT_EQ(Captions(fields).constLast(), QStringLiteral("「大写合计金额」"));
    EXPECT_EQ(Captions(form->findChild<QMenu*>(QStringLiteral("p_field_user"))).join(u' '),
              QStringLiteral(
                  "「系统用户信息」 「制单」 「复核」 「记账」 「会计主管」 「出纳」 「经办」"));
}

TEST_F(DesignerCommands, CommandsWithoutACurrentCell) {
    const QString warn = QStringLiteral("请选择单元格!!!");
    const QString pick = QStringLiteral("请先选择单元格");
    const struct {
        Handler handler;
        const char* name;
        const QString* message; // nullptr: says nothing
        bool saved;             // FileSaved afterwards
    } cases[] = {
        {&TMainForm::table_fontClick, "font", &warn, true},
        {&TMainForm::table_colorClick, "color", &warn, true},
        {&TMainForm::table_borderClick, "border", &warn, true},
        {&TMainForm::table_image_addClick, "image add", &pick, true},
        {&TMainForm::table_image_deleteClick, "image delete", &pick, true},
        {&TMainForm::table_splitClick, "split", nullptr, true},
        {&TMainForm::table_addClick, "add line", nullptr, true},
        {&TMainForm::fontboxChange, "font bar", nullptr, true},
        // These call the grid regardless and mark the document changed.
        {&TMainForm::table_insertClick, "insert line", nullptr, false},
        {&TMainForm::table_deleteClick, "delete line", nullptr, false},
        {&TMainForm::table_combineClick, "combine", nullptr, false},
        {&TMainForm::leftClick, "alignment", nullptr, false},
    };
    for (const auto& c : cases) {
        grid->ClearSelection();
        ASSERT_EQ(grid->FocusCell, nullptr);
        form->FileSaved = true;
        m_messages.boxes.clear();
        m_messages.dialogs.clear();
        const int lines = int(grid->Lines.size());
        form->RunCommand(c.handler);
        EXPECT_EQ(form->FileSaved, c.saved) << c.name;
        EXPECT_TRUE(m_messages.dialogs.isEmpty()) << c.name;
        EXPECT_EQ(int(grid->Lines.size()), lines) << c.name;
        if (!c.message) {
            EXPECT_TRUE(m_messages.boxes.isEmpty()) << c.name;
            continue;
        }
        ASSERT_EQ(m_messages.boxes.size(), 1) << c.name;
        EXPECT_EQ(m_messages.boxes[0].text, *c.message) << c.name;
        EXPECT_EQ(m_messages.boxes[0].buttons, MsgButtons::Ok) << c.name;
        if (c.message == &warn) {
            EXPECT_EQ(m_messages.boxes[0].title, QStringLiteral("警告"));
            EXPECT_EQ(m_messages.boxes[0].icon, MsgIcon::Warning);
        } else {
            EXPECT_EQ(m_messages.boxes[0].title, ApplicationTitle());
        }
    }
}

TEST_F(DesignerCommands, DialogCommandsMarkTheDocumentOnlyOnOk) {
    Cell(0, 1)->SetBottomLine(false);
    Cell(0, 1)->SetLeftLineWidth(2);
    Select({Cell(0, 0), Cell(0, 1)});
    // The border dialog is filled from the current cell (the last one selected).
    bool leftShown = true, bottomShown = true;
    int leftWidthShown = 0;
    const struct {
        Handler handler;
        const char* name;
        bool ok;
    } cases[] = {
        {&TMainForm::table_borderClick, "border", false},
        {&TMainForm::table_borderClick, "border", true},
        {&TMainForm::table_colorClick, "colour", false},
        {&TMainForm::table_colorClick, "colour", true},
        {&TMainForm::table_splitClick, "split", false},
        {&TMainForm::file_print_setupClick, "page setup", false},
        {&TMainForm::file_print_setupClick, "page setup", true},
    };
    for (const auto& c : cases) {
        form->FileSaved = true;
        const auto watch = WhenModal<QDialog>([&](QDialog* dialog) {
            if (auto* border = qobject_cast<TBorderForm*>(dialog)) {
                leftShown = border->LeftLine->isChecked();
                bottomShown = border->BottomLine->isChecked();
                leftWidthShown = border->SpinEdit1->Value();
                QTest::mouseClick(border->SpeedButton2, Qt::LeftButton); // "取消全部"
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>(c.ok ? "BitBtn1" : "BitBtn2"),
                              Qt::LeftButton);
        });
        form->RunCommand(c.handler);
        EXPECT_EQ(form->FileSaved, !c.ok) << c.name << c.ok;
    }
    EXPECT_TRUE(leftShown);
    EXPECT_FALSE(bottomShown);
    EXPECT_EQ(leftWidthShown, 2);
    // Border OK after "取消全部": both cells lost their four lines, the widths shown stayed.
    for (TReportCell* cell : {Cell(0, 0), Cell(0, 1)}) {
        EXPECT_FALSE(cell->LeftLine || cell->TopLine || cell->RightLine || cell->BottomLine);
        EXPECT_EQ(cell->LeftLineWidth, 2);
    }
    // Colour OK without choosing: white fill, symbolic window-text colour, stored as it is.
    EXPECT_EQ(Cell(0, 0)->TextColor, clWindowText);
    EXPECT_EQ(Cell(0, 1)->BackGroundColor, RGB(255, 255, 255));

    // Split on OK with the count chosen.
    Select({Cell(2, 0)});
    const int cells = int(grid->Lines[2]->Cells.size());
    form->FileSaved = true;
    {
        const auto watch = WhenModal<TVSplitForm>([](TVSplitForm* dialog) {
            dialog->VSplitCount->setValue(3);
            QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        });
        form->RunCommand(&TMainForm::table_splitClick);
    }
    EXPECT_EQ(int(grid->Lines[2]->Cells.size()), cells + 2);
    EXPECT_FALSE(form->FileSaved);
}

TEST_F(DesignerCommands, FontDialogStartsOnTheSelectedFaceAndSizeAndTheLastColour) {
    LOGFONTA cellFont = DefaultCellFont();
    cellFont.lfHeight = -21; // ⌊⌊21 × 720 / 96⌋ / 10⌋ = 15 points
    cellFont.lfWeight = 700;
    cellFont.lfItalic = 1;
    SetFaceName(cellFont, QStringLiteral("黑体"));
    Cell(1, 0)->SetLogFont(cellFont);
    Select({Cell(0, 0), Cell(1, 0)});

    LOGFONTA chosen = BarLogFont(QStringLiteral("楷体_GB2312"), 20, true, false, true);
    QVariantMap answer;
    answer.insert(QStringLiteral("font"), LogFontToBytes(chosen));
    answer.insert(QStringLiteral("color"), uint(RGB(0, 0, 255)));
    m_messages.dialogAnswers = {QVariant(answer), std::nullopt};
    form->RunCommand(&TMainForm::table_fontClick);
    form->FileSaved = true;
    form->RunCommand(&TMainForm::table_fontClick); // cancelled
    EXPECT_TRUE(form->FileSaved);

    ASSERT_EQ(m_messages.dialogs, (QList<DialogKind>{DialogKind::Font, DialogKind::Font}));
    const QVariantMap first = m_messages.dialogInitials[0].toMap();
    const QByteArray startBytes = first.value(QStringLiteral("font")).toByteArray();
    ASSERT_EQ(startBytes.size(), 60);
    const LOGFONTA start = LogFontFromBytes(startBytes.constData());
    EXPECT_EQ(FaceName(start), QStringLiteral("黑体"));
    EXPECT_EQ(PointSizeOf(start), 15);
    EXPECT_EQ(start.lfWeight, 400); // not the cell's style
    EXPECT_EQ(start.lfItalic, 0);
    EXPECT_EQ(first.value(QStringLiteral("color")).toUInt(), 0u); // window text as RGB black
    // The second time: the colour chosen the first time.
    EXPECT_EQ(m_messages.dialogInitials[1].toMap().value(QStringLiteral("color")).toUInt(),
              uint(RGB(0, 0, 255)));
    for (TReportCell* cell : {Cell(0, 0), Cell(1, 0)}) {
        EXPECT_TRUE(cell->LogFont == chosen);
        EXPECT_EQ(cell->TextColor, RGB(0, 0, 255));
    }
    EXPECT_EQ(form->FontDialogColor(), RGB(0, 0, 255));
}

TEST_F(DesignerCommands, SizeBoxAppliesTheLeadingNumberOnEveryKeystroke) {
    Select({Cell(0, 0), Cell(0, 1)});
    form->show();
    const struct {
        const char* typed;
        int lfHeight;
    } cases[] = {
        {"14pt", -19}, // MulDiv(14, 96, 72) = 19
        {"0", -12},    // 9 points
        {"ab", -12},   {"-5", -12}, {"72", -96},
    };
    for (const auto& c : cases) {
        form->FileSaved = true;
        QLineEdit* edit = form->fontsize->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        EXPECT_EQ(Cell(0, 0)->LogFont.lfHeight, c.lfHeight) << c.typed;
        EXPECT_EQ(Cell(0, 1)->LogFont.lfHeight, c.lfHeight) << c.typed;
        EXPECT_EQ(Cell(0, 0)->LogFont.lfCharSet, DEFAULT_CHARSET);
        EXPECT_EQ(FaceName(Cell(0, 1)->LogFont), form->fontbox->currentText());
        EXPECT_FALSE(form->FileSaved) << c.typed;
    }
    // The style toggles apply with the bar's size and face.
    QTest::mouseClick(form->Panel1->bold, Qt::LeftButton);
    QTest::mouseClick(form->Panel1->underline, Qt::LeftButton);
    EXPECT_EQ(Cell(0, 0)->LogFont.lfWeight, 700);
    EXPECT_EQ(Cell(0, 0)->LogFont.lfUnderline, 1);
    EXPECT_EQ(Cell(0, 0)->LogFont.lfItalic, 0);
}

TEST_F(DesignerCommands, AlignmentGroupWithNoButtonDownSendsThree) {
    Select({Cell(1, 1)});
    form->show();
    QTest::mouseClick(form->Panel1->center, Qt::LeftButton);
    EXPECT_EQ(Cell(1, 1)->HorzAlign, 1);
    EXPECT_EQ(Cell(1, 1)->VertAlign, 3); // no vertical button pressed yet
    QTest::mouseClick(form->Panel1->bottom, Qt::LeftButton);
    QTest::mouseClick(form->Panel1->right, Qt::LeftButton);
    EXPECT_EQ(Cell(1, 1)->HorzAlign, 2);
    EXPECT_EQ(Cell(1, 1)->VertAlign, 2);
    EXPECT_FALSE(form->Panel1->center->isChecked()); // one down per group
}

TEST_F(DesignerCommands, LeftPressShowsTheCellWithoutApplyingAnything) {
    form->show();
    const QString before = form->fontbox->itemText(0);
    form->fontbox->setCurrentIndex(0);
    TReportCell* cell = Cell(1, 0);
    LOGFONTA font = BarLogFont(QStringLiteral("没有这种字体"), 20, true, false, true);
    cell->SetLogFont(font);
    cell->HorzAlign = 2;
    cell->VertAlign = 0;
    Select({cell});
    form->FileSaved = true;
    Q_EMIT grid->MouseDown(Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(form->fontbox->currentText(), before); // no such face: unchanged
    EXPECT_EQ(form->fontsize->currentText(), QStringLiteral("20"));
    EXPECT_TRUE(form->Panel1->bold->isChecked());
    EXPECT_TRUE(form->Panel1->underline->isChecked());
    EXPECT_FALSE(form->Panel1->italic->isChecked());
    EXPECT_TRUE(form->Panel1->right->isChecked());
    EXPECT_TRUE(form->Panel1->top->isChecked());
    EXPECT_TRUE(cell->LogFont == font); // nothing applied
    EXPECT_TRUE(form->FileSaved);
    EXPECT_TRUE(form->ToolBar1->isEnabled());
    EXPECT_TRUE(form->Panel1->isEnabled());

    // A cell with a known face and alignment 3 horizontally: the face follows, the
    // horizontal buttons keep their state.
    TReportCell* other = Cell(2, 1);
    other->SetLogFont(BarLogFont(form->fontbox->itemText(2), 11, false, true, false));
    other->HorzAlign = 3;
    other->VertAlign = 2;
    Select({other});
    Q_EMIT grid->MouseDown(Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(form->fontbox->currentIndex(), 2);
    EXPECT_EQ(form->fontsize->currentText(), QStringLiteral("11"));
    EXPECT_TRUE(form->Panel1->right->isChecked());
    EXPECT_TRUE(form->Panel1->bottom->isChecked());
    EXPECT_TRUE(form->Panel1->italic->isChecked());
    EXPECT_TRUE(form->FileSaved);
}

TEST_F(DesignerCommands, SaveWritesToTheStartFolderAfterTheDirectoryChanged) {
    Select({Cell(0, 0)});
    Named("p_field_company")->trigger();
    const QString elsewhere = m_work.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere + QStringLiteral("/edj")));
    QDir::setCurrent(elsewhere);
    QTest::mouseClick(Named<QToolButton>("save"), Qt::LeftButton);
    EXPECT_TRUE(form->FileSaved);
    EXPECT_TRUE(m_messages.boxes.isEmpty());
    TReportDocument saved;
    ASSERT_TRUE(saved.LoadFromFile(m_work.filePath(QStringLiteral("edj/单据.edj"))));
    EXPECT_EQ(Gbk::Decode(saved.Lines[0]->Cells[0]->CellText), QStringLiteral("@主表.核算单位"));
    EXPECT_FALSE(QFile::exists(elsewhere + QStringLiteral("/edj/单据.edj")));

    // A save that fails reaches the error box through the guard; the program goes on.
    form->StartDir = m_work.filePath(QStringLiteral("missing"));
    form->FileSaved = false;
    Named("file_save")->trigger();
    ASSERT_EQ(m_messages.boxes.size(), 1);
    EXPECT_EQ(m_messages.boxes[0].icon, MsgIcon::Error);
    EXPECT_FALSE(form->FileSaved);
}

TEST_F(DesignerCommands, PicturesLoadFromTheDesignsFilterAndFailSilently) {
    form->show();
    Select({Cell(1, 0)});
    const QString notAPicture = m_work.filePath(QStringLiteral("edj/单据.edj"));
    m_messages.dialogAnswers = {QVariant(notAPicture), std::nullopt,
                                QVariant(QStringLiteral(KARVELL_FIXTURES "/pictures/bmp24.bmp"))};
    for (int i = 0; i < 2; ++i) { // not a picture; cancelled
        form->RunCommand(&TMainForm::table_image_addClick);
        EXPECT_FALSE(Cell(1, 0)->HasBitmap);
        EXPECT_TRUE(form->FileSaved);
    }
    EXPECT_TRUE(m_messages.boxes.isEmpty());
    form->RunCommand(&TMainForm::table_image_addClick);
    EXPECT_TRUE(Cell(1, 0)->HasBitmap);
    EXPECT_FALSE(form->FileSaved);
    ASSERT_EQ(m_messages.dialogs.size(), 3);
    EXPECT_EQ(m_messages.dialogs[0], DialogKind::OpenPicture);
    // Qt's form of the design's filter takes the patterns from the pattern fields.
    EXPECT_EQ(QtFileFilter(m_messages.dialogFilters[0]).split(QStringLiteral(";;")).constFirst(),
              QStringLiteral("图像文件 （*.bmp;*.jpg;*.jpeg;*.icon） (*.bmp *.jpg *.ico)"));

    form->FileSaved = true;
    const QPoint at = grid->pos();
    form->RunCommand(&TMainForm::table_image_deleteClick);
    EXPECT_FALSE(Cell(1, 0)->HasBitmap);
    EXPECT_FALSE(form->FileSaved);
    EXPECT_TRUE(grid->isVisible());
    EXPECT_EQ(grid->pos(), at); // re-centred where it was
}

TEST_F(DesignerCommands, LineCommandsActOnTheSelection) {
    Select({Cell(1, 0)});
    const struct {
        const char* button;
        int lines;
    } steps[] = {{"addrow", 4}, {"insertrow", 5}, {"deleterow", 4}};
    for (const auto& s : steps) {
        form->FileSaved = true;
        QTest::mouseClick(Named<QToolButton>(s.button), Qt::LeftButton);
        EXPECT_EQ(int(grid->Lines.size()), s.lines) << s.button;
        EXPECT_FALSE(form->FileSaved) << s.button;
    }
    Select({Cell(0, 0), Cell(0, 1)});
    form->FileSaved = true;
    QTest::mouseClick(Named<QToolButton>("Combine"), Qt::LeftButton);
    EXPECT_EQ(grid->Lines[0]->Cells.size(), 1);
    EXPECT_FALSE(form->FileSaved);
}

} // namespace
