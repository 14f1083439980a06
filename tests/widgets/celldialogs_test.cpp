// The cell property dialogs, driven with real mouse and key events: border, colour, diagonal,
// split, new table and about; and the font dialog's colour box.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include "aboutform.h"
#include "borderform.h"
#include "colorform.h"
#include "diagonalform.h"
#include "fontcolordialog.h"
#include "newtableform.h"
#include "platform/messages.h"
#include "preview_helpers.h"
#include "qtmessages.h"
#include "qttranslations.h"
#include "render/colorref.h"
#include "vsplitform.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
}

// Shows the dialog as a window with the keyboard focus, as exec() would.
void ShowActive(QDialog& dialog) {
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

void Retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

TEST(BorderForm, ShowsTheCellsLinesAndCancelAllKeepsTheWidths) {
    TBorderForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("边框线"));
    EXPECT_EQ(form.GroupBox1->title(), QStringLiteral("边框线"));
    // The design: all four ticked, widths 1.
    for (QCheckBox* box : {form.TopLine, form.BottomLine, form.LeftLine, form.RightLine})
        EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(form.Values().topWidth, 1);

    // A cell with only the bottom line, widths left 2, top 1, right 2, bottom 2.
    BorderValues cell;
    cell.left = cell.top = cell.right = false;
    cell.leftWidth = 2;
    cell.rightWidth = 2;
    cell.bottomWidth = 2;
    form.SetValues(cell);
    ShowActive(form);
    EXPECT_FALSE(form.TopLine->isChecked());
    EXPECT_TRUE(form.BottomLine->isChecked());
    EXPECT_FALSE(form.LeftLine->isChecked());
    EXPECT_FALSE(form.RightLine->isChecked());
    EXPECT_EQ(form.SpinEdit1->text(), QStringLiteral("2"));
    EXPECT_EQ(form.SpinEdit2->text(), QStringLiteral("1"));
    EXPECT_EQ(form.SpinEdit3->text(), QStringLiteral("2"));
    EXPECT_EQ(form.SpinEdit4->text(), QStringLiteral("2"));

    Click(form.SpeedButton1); // "添加全部"
    EXPECT_TRUE(form.TopLine->isChecked() && form.LeftLine->isChecked() &&
                form.RightLine->isChecked() && form.BottomLine->isChecked());
    Click(form.SpeedButton2); // "取消全部"
    Click(form.BitBtn1);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const BorderValues out = form.Values();
    EXPECT_FALSE(out.left || out.top || out.right || out.bottom);
    EXPECT_EQ(out.leftWidth, 2);
    EXPECT_EQ(out.topWidth, 1);
    EXPECT_EQ(out.rightWidth, 2);
    EXPECT_EQ(out.bottomWidth, 2);
}

TEST(BorderForm, WidthsStayInRangeAndTheKeyboardGoesSideBySide) {
    TBorderForm form;
    ShowActive(form);
    const struct {
        const char* typed;
        int value;
    } cases[] = {{"5", 2}, {"0", 1}, {"x", 1}, {"2", 2}};
    for (const auto& c : cases) {
        form.SpinEdit2->setFocus();
        form.SpinEdit2->selectAll();
        QTest::keyClick(form.SpinEdit2, Qt::Key_Delete);
        QTest::keyClicks(form.SpinEdit2, QString::fromLatin1(c.typed));
        QTest::keyClick(form.SpinEdit2, Qt::Key_Tab); // leaving the box brings it into range
        EXPECT_EQ(form.SpinEdit2->Value(), c.value) << c.typed;
        EXPECT_EQ(form.SpinEdit2->text(), QString::number(c.value)) << c.typed;
    }
    // Tab order: each side's box, then its width, top to bottom.
    form.TopLine->setFocus();
    QWidget* const order[] = {form.SpinEdit2, form.BottomLine, form.SpinEdit4, form.LeftLine,
                              form.SpinEdit1, form.RightLine,  form.SpinEdit3};
    for (QWidget* expected : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        // A spin box's focus sits in its line edit.
        if (focus && focus->parentWidget() && qobject_cast<QSpinBox*>(focus->parentWidget()))
            focus = focus->parentWidget();
        EXPECT_EQ(focus, expected) << expected->objectName().toStdString();
    }
}

TEST(ColorForm, OkWithoutChoosingHandsBackWhiteAndTheWindowTextColour) {
    ScriptedMessages messages;
    TColorForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("颜色设置"));
    EXPECT_EQ(form.Panel1->text(), QStringLiteral("颜色设置"));
    ShowActive(form);
    Click(form.BitBtn1);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.ForeColor(), 0x80000008u);
    EXPECT_EQ(form.BackColor(), 0x00FFFFFFu);
    EXPECT_TRUE(messages.dialogs.isEmpty());
    // The sample shows the symbolic colour as the window text: black.
    EXPECT_EQ(form.Panel1->palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST(ColorForm, OneColourDialogRemembersTheLastColourWhileOpen) {
    ScriptedMessages messages;
    messages.dialogAnswers = {QVariant(QColor(255, 0, 0)), std::nullopt,
                              QVariant(QColor(0, 0, 255))};
    TColorForm form;
    ShowActive(form);
    Click(form.Button1); // "前景色": red
    Click(form.Button2); // "背景色": cancelled, background stays white
    Click(form.Button2); // "背景色": blue
    ASSERT_EQ(messages.dialogs.size(), 3);
    EXPECT_EQ(messages.dialogInitials[0].value<QColor>(), QColor(Qt::black));
    EXPECT_EQ(messages.dialogInitials[1].value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(messages.dialogInitials[2].value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(form.ForeColor(), RGB(255, 0, 0));
    EXPECT_EQ(form.BackColor(), RGB(0, 0, 255));
    EXPECT_EQ(form.Panel1->palette().color(QPalette::Window), QColor(0, 0, 255));
    Click(form.BitBtn2);
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

TEST(DiagonalForm, TickedBoxesAddUpTheirBits) {
    TDiagonalForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("斜线设置"));
    EXPECT_EQ(form.GroupBox1->title(), QStringLiteral("斜线"));
    ShowActive(form);
    EXPECT_EQ(form.Flags(), 0u); // all clear when it opens
    // Top to bottom in the table's order.
    QCheckBox* const order[] = {form.LeftDiagonal1,  form.LeftDiagonal2,  form.LeftDiagonal3,
                                form.RightDiagonal1, form.RightDiagonal2, form.RightDiagonal3};
    const char* const captions[] = {"左斜线1", "左斜线2", "左斜线3",
                                    "右斜线1", "右斜线2", "右斜线3"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(order[i]->text(), QString::fromUtf8(captions[i]));
        if (i > 0) {
            EXPECT_GT(order[i]->y(), order[i - 1]->y());
        }
    }
    Click(form.LeftDiagonal1);
    Click(form.RightDiagonal1);
    EXPECT_EQ(form.Flags(), 0x101u);
    Click(form.RightDiagonal3);
    EXPECT_EQ(form.Flags(), 0x501u);
}

TEST(VSplitForm, CountStartsAtTwoAndStaysBetweenTwoAndFifty) {
    TVSplitForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("拆分单元格"));
    ShowActive(form);
    EXPECT_EQ(form.Count(), 2);
    form.VSplitCount->setFocus();
    QTest::keyClick(form.VSplitCount, Qt::Key_Down);
    EXPECT_EQ(form.Count(), 2);
    QTest::keyClick(form.VSplitCount, Qt::Key_Up);
    EXPECT_EQ(form.Count(), 3);
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(form.VSplitCount, Qt::Key_PageUp); // ten at a time
    EXPECT_EQ(form.Count(), 50);
    QTest::keyClick(form.VSplitCount, Qt::Key_Up);
    EXPECT_EQ(form.Count(), 50);
}

TEST(NewTableForm, OnlyDigitsReachTheBoxesAndEnterIsOk) {
    TfrmNewTable form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("请输入表格的行列的数目"));
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("10"));
    EXPECT_EQ(form.Edit2->text(), QStringLiteral("6"));
    ShowActive(form);
    Retype(form.Edit1, QStringLiteral("1a2"));
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("12"));
    QTest::keyClick(form.Edit1, Qt::Key_Backspace);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("1"));
    // Text composed by an input method: only its digits arrive.
    Retype(form.Edit2, QString());
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral("3行4"));
    QApplication::sendEvent(form.Edit2, &composed);
    EXPECT_EQ(form.Edit2->text(), QStringLiteral("34"));
    QTest::keyClick(form.Edit2, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);

    TfrmNewTable other;
    ShowActive(other);
    other.Edit1->setFocus();
    QTest::keyClick(other.Edit1, Qt::Key_Escape);
    EXPECT_EQ(other.result(), QDialog::Rejected);
}

TEST(AboutForm, ShowsTheComponentsTitleAndClosesWithOk) {
    TfrmAbout form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Karvell报表模版工具"));
    EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("确定"));
    ShowActive(form);
    Click(form.BitBtn1);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST(FontColorDialog, AnswersTheLogFontAndTheChosenColour) {
    QtMessages messages;
    LOGFONTA start = DefaultCellFont();
    QVariantMap initial;
    initial.insert(QStringLiteral("font"), LogFontToBytes(start));
    initial.insert(QStringLiteral("color"), 0u);
    uint shownColor = 1;
    const auto watch = WhenModal<TFontColorDialog>([&](TFontColorDialog* dialog) {
        shownColor = dialog->Color();
        // The colour box: the first entry is black; one step down is the second colour.
        dialog->ColorBox->setFocus();
        QTest::keyClick(dialog->ColorBox, Qt::Key_Down);
        QTest::keyClick(dialog->findChild<QPushButton*>(QStringLiteral("OkButton")), Qt::Key_Space);
    });
    const auto answer = messages.Dialog(DialogKind::Font, QVariant(initial), QString());
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(shownColor, 0u);
    const QVariantMap map = answer->toMap();
    const QByteArray bytes = map.value(QStringLiteral("font")).toByteArray();
    ASSERT_EQ(bytes.size(), 60);
    const LOGFONTA chosen = LogFontFromBytes(bytes.constData());
    EXPECT_EQ(chosen.lfHeight, -16);
    EXPECT_EQ(FaceName(chosen), QString::fromUtf8("宋体"));
    EXPECT_EQ(map.value(QStringLiteral("color")).toUInt(), 0x000080u); // the second colour
}

TEST(FontColorDialog, OpensOnTheCellsOwnFaceAndOffersSynthesisedBold) {
    QtMessages messages;
    LOGFONTA start = DefaultCellFont(); // 宋体, 12 points, weight 0
    QString shownFace;
    QStringList styles;
    QString shownStyle;
    const auto watch = WhenModal<TFontColorDialog>([&](TFontColorDialog* dialog) {
        TFontChooser* chooser = dialog->FontPart;
        shownFace =
            chooser->FaceList->currentItem() ? chooser->FaceList->currentItem()->text() : QString();
        for (int i = 0; i < chooser->StyleList->count(); ++i)
            styles << chooser->StyleList->item(i)->text();
        shownStyle = chooser->StyleList->currentItem() ? chooser->StyleList->currentItem()->text()
                                                       : QString();
        // Pick 粗体 with the mouse, then 确定.
        const QList<QListWidgetItem*> bold =
            chooser->StyleList->findItems(QStringLiteral("粗体"), Qt::MatchExactly);
        if (bold.isEmpty()) return dialog->reject();
        chooser->StyleList->scrollToItem(bold.first());
        QTest::mouseClick(chooser->StyleList->viewport(), Qt::LeftButton, {},
                          chooser->StyleList->visualItemRect(bold.first()).center());
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OkButton")),
                          Qt::LeftButton);
    });
    const auto answer =
        messages.Dialog(DialogKind::Font, QVariant(LogFontToBytes(start)), QString());
    EXPECT_EQ(shownFace, QStringLiteral("宋体"));
    // The substitute's own styles, then what Qt synthesises; the regular one is chosen.
    QStringList expected;
    for (const FaceStyle& s : FaceStyles(QStringLiteral("宋体")))
        expected << s.name;
    EXPECT_EQ(styles, expected);
    EXPECT_EQ(shownStyle,
              expected.value(StyleIndexFor(FaceStyles(QStringLiteral("宋体")), 0, false)));
    ASSERT_TRUE(answer.has_value());
    const LOGFONTA chosen = LogFontFromBytes(answer->toByteArray().constData());
    EXPECT_EQ(FaceName(chosen), QStringLiteral("宋体")); // the stored name, not the substitute
    EXPECT_GE(chosen.lfWeight, 600);
    EXPECT_EQ(chosen.lfHeight, start.lfHeight);
}

TEST(QtTranslations, QtsOwnButtonsSpeakChinese) {
    ASSERT_TRUE(InstallQtTranslations(*qApp)); // Debian package qt6-translations-l10n
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text().remove(u'&'), QStringLiteral("取消"));
    QFontDialog dialog;
    dialog.setOptions(QFontDialog::DontUseNativeDialog);
    bool english = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text().contains(QStringLiteral("Font")) ||
            label->text().contains(QStringLiteral("Size")))
            english = true;
    EXPECT_FALSE(english);
}

} // namespace
