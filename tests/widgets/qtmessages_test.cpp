// Real message boxes and dialogs of the windowed programs, answered by simulated clicks.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "platform/logfont.h"
#include "platform/printer.h"
#include "preview_helpers.h"
#include "qtmessages.h"

using namespace karvell;
using namespace karvell::testutil;

TEST(QtMessages, ConvertsWindowsFilters) {
    const struct {
        const char* windows;
        const char* qt;
    } cases[] = {
        {"Lunvane Files (*.ept)|*.ept|All Files (*.*)|*.*",
         "Lunvane Files (*.ept);;All Files (*.*)"},
        {"Lunvanefile (*.ept)|*.ept", "Lunvanefile (*.ept)"},
        {"图像文件 （*.bmp;*.jpg）|*.bmp;*.jpg;*.ico|BMP （*.bmp）|*.bmp",
         "图像文件 （*.bmp;*.jpg） (*.bmp *.jpg *.ico);;BMP （*.bmp） (*.bmp)"},
        {"*.bmp|*.bmp|dangling", "*.bmp (*.bmp)"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QtFileFilter(QString::fromUtf8(c.windows)), QString::fromUtf8(c.qt)) << c.windows;
}

TEST(QtMessages, ShowsABoxAndAnswersTheClickedButton) {
    const struct {
        MsgButtons buttons;
        const char* click; // caption of the button to click
        MsgResult expected;
        int buttonCount;
    } cases[] = {
        {MsgButtons::Ok, "确定", MsgResult::Ok, 1},
        {MsgButtons::OkCancel, "取消", MsgResult::Cancel, 2},
        {MsgButtons::YesNo, "否(&N)", MsgResult::No, 2},
        {MsgButtons::YesNoCancel, "是(&Y)", MsgResult::Yes, 3},
        {MsgButtons::YesNoCancel, "取消", MsgResult::Cancel, 3},
    };
    QtMessages messages;
    for (const auto& c : cases) {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int count = 0;
        const auto watch = WhenModal<QWidget>([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            count = int(box->buttons().size());
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QString::fromUtf8(c.click)) QTest::mouseClick(b, Qt::LeftButton);
        });
        const MsgResult result = messages.Show(QStringLiteral("提示"), QStringLiteral("是否保存？"),
                                               MsgIcon::Question, c.buttons);
        EXPECT_EQ(result, c.expected) << c.click;
        EXPECT_EQ(title, QStringLiteral("提示"));
        EXPECT_EQ(text, QStringLiteral("是否保存？"));
        EXPECT_EQ(icon, QMessageBox::Question);
        EXPECT_EQ(count, c.buttonCount);
    }
}

TEST(QtMessages, EscapeOnAYesNoBoxAnswersNo) {
    QtMessages messages;
    const auto watch =
        WhenModal<QWidget>([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(messages.Show("a", "b", MsgIcon::Warning, MsgButtons::YesNo), MsgResult::No);
}

TEST(QtMessages, FontDialogAnswersALogFont) {
    QtMessages messages;
    LOGFONTA start = DefaultCellFont();
    start.lfItalic = 1;
    const auto watch =
        WhenModal<QWidget>([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
    const auto answer = messages.Dialog(DialogKind::Font, LogFontToBytes(start), QString());
    ASSERT_TRUE(answer.has_value());
    const QByteArray bytes = answer->toByteArray();
    ASSERT_EQ(bytes.size(), 60);
    const LOGFONTA chosen = LogFontFromBytes(bytes.constData());
    EXPECT_EQ(chosen.lfHeight, -16);
    EXPECT_EQ(chosen.lfItalic, 1);
    EXPECT_EQ(FaceName(chosen), QString::fromUtf8("宋体"));

    const auto watchAgain =
        WhenModal<QWidget>([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(messages.Dialog(DialogKind::Font, LogFontToBytes(start), QString()).has_value());
}

TEST(QtMessages, PrinterSetupStartsFromAndWritesBackTheDevMode) {
    PrinterService::Instance().Reset();
    DEVMODE* dm = LockPrinterDevMode();
    dm->dmPaperSize = DMPAPER_A5;
    dm->dmOrientation = DMORIENT_LANDSCAPE;
    QtMessages messages;
    const auto watch =
        WhenModal<QWidget>([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    EXPECT_FALSE(messages.Dialog(DialogKind::PrinterSetup, QVariant(), QString()).has_value());

    // Confirming unchanged hands the same paper back; a dialog that changes the paper would land
    // its choice in the same record.
    dm->dmFields = 0;
    const auto watchAgain =
        WhenModal<QWidget>([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
    const auto answer = messages.Dialog(DialogKind::PrinterSetup, QVariant(), QString());
    ASSERT_TRUE(answer.has_value());
    EXPECT_TRUE(answer->toBool());
    EXPECT_EQ(dm->dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(dm->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(dm->dmPaperWidth, 1480);
    EXPECT_EQ(dm->dmPaperLength, 2100);
    EXPECT_EQ(dm->dmFields & (DM_PAPERSIZE | DM_ORIENTATION), DM_PAPERSIZE | DM_ORIENTATION);
    PrinterService::Instance().Reset();
}

TEST(QtMessages, PictureDialogPreviewsTheFileUnderTheCursor) {
    QtMessages messages;
    const QString file = QStringLiteral(KARVELL_FIXTURES "/pictures/photo7x5.jpg");
    QString sizeShown;
    bool pictureShown = false;
    const auto watch = WhenModal<QWidget>([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        // The name typed into the dialog's file-name box, as a user does: selectFile alone
        // selects nothing when the dialog reopens on a folder whose listing it holds already.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(file);
        Q_EMIT dialog->currentChanged(file);
        auto* picture = dialog->findChild<QLabel*>(QStringLiteral("PicturePreview"));
        pictureShown = picture && !picture->pixmap().isNull();
        if (auto* size = dialog->findChild<QLabel*>(QStringLiteral("PictureSize")))
            sizeShown = size->text();
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto answer =
        messages.Dialog(DialogKind::OpenPicture, QString(), QStringLiteral("JPG （*.jpg）|*.jpg"));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->toString(), file);
    EXPECT_TRUE(pictureShown);
    EXPECT_EQ(sizeShown, QStringLiteral("7 × 5"));
}
