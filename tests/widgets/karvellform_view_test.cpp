// The template editor as a user meets it, with real mouse, key and input-method events: a failed
// open changes nothing, zoom steps start from the zoom shown, saving keeps the zoom, the recent
// list after many saves, the number-format box typed into with keys and an input method, the
// edit box taking the focus afterwards, and the right-click rule with the popup menu open.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

#include "editorstate/recentfiles.h"
#include "karvellform_helpers.h"
#include "platform/gbk.h"
#include "platform/profile.h"
#include "reportcontrol.h"

using namespace karvell;
using namespace karvell::testutil;

namespace {

class EditorView : public EditorTest {
protected:
    static QByteArray Bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    TReportControl* Grid() const { return form->ReportControl1; }
    TReportCell* Cell(int line, int cell) const { return Grid()->Lines[line]->Cells[cell]; }
    QPoint At(int line, int cell) const {
        return Grid()->ShownRect(Cell(line, cell)->CellRect).center();
    }
    void ShowActive() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
};

TEST_F(EditorView, AFailedOpenChangesNothing) {
    const QString good = MakeTemplate(QStringLiteral("good.ept"), 3, 2, QStringLiteral("甲"));
    OpenWithDialog(good);
    const QString recent = QString::fromLatin1(Profile::ReadString(Ini(), "Oldies", "1", {}));
    // A picture renamed .ept (not a template) and a damaged template.
    const QString jpeg = dir.filePath(QStringLiteral("photo.ept"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(KARVELL_FIXTURES "/pictures/photo7x5.jpg"), jpeg));
    const QString damaged = dir.filePath(QStringLiteral("damaged.ept"));
    {
        QFile in(good), out(damaged);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
        out.write(in.readAll().left(40));
    }
    ShowActive();
    for (const QString& bad : {jpeg, damaged}) {
        const QByteArray before = Bytes(bad);
        messages->dialogAnswers.push_back(QVariant(bad));
        form->RunCommand(&TKarvellForm::FileOpenClick); // reports the file, as the window does
        EXPECT_FALSE(messages->boxes.isEmpty()) << bad.toStdString();
        EXPECT_EQ(form->CurrentFile, good) << bad.toStdString();
        EXPECT_TRUE(form->FileMode);
        EXPECT_EQ(form->windowTitle(), good);
        EXPECT_EQ(FirstText(), QStringLiteral("甲"));
        EXPECT_EQ(QString::fromLatin1(Profile::ReadString(Ini(), "Oldies", "1", {})), recent);
        // F2 writes the template that is shown to its own file, never over the failed one.
        QTest::keyClick(form.get(), Qt::Key_F2);
        EXPECT_EQ(Bytes(bad), before) << bad.toStdString();
        EXPECT_EQ(QString::fromLatin1(Profile::ReadString(Ini(), "Oldies", "1", {})), recent);
    }
}

TEST_F(EditorView, ZoomStepsStartFromTheZoomShownAfterOpeningARecentFile) {
    const QString a = MakeTemplate(QStringLiteral("a.ept"));
    const QString b = MakeTemplate(QStringLiteral("b.ept"));
    OpenWithDialog(a);
    OpenWithDialog(b);
    form->resize(900, 500);
    form->FormResize();
    ASSERT_LT(form->ViewZoom, 60);
    form->T1Click();
    form->file1->actions()[1]->trigger(); // a, shown at 100 %
    ASSERT_EQ(form->CurrentFile, a);
    ASSERT_EQ(Grid()->Zoom, 100);
    const QSize at100 = Grid()->size();
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("SpeedButton12")),
                      Qt::LeftButton);
    EXPECT_EQ(Grid()->Zoom, 110);
    EXPECT_GT(Grid()->width(), at100.width());
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("SpeedButton15")),
                      Qt::LeftButton);
    QTest::mouseClick(form->findChild<QToolButton*>(QStringLiteral("SpeedButton15")),
                      Qt::LeftButton);
    EXPECT_EQ(Grid()->Zoom, 90);
}

TEST_F(EditorView, SavingKeepsTheZoomShownAndTenSavesKeepTheRecentList) {
    QStringList files;
    for (int i = 0; i < 5; ++i) {
        files << MakeTemplate(QStringLiteral("f%1.ept").arg(i));
        OpenWithDialog(files.last());
    }
    form->resize(900, 500);
    form->FormResize();
    const int fitted = Grid()->Zoom;
    ASSERT_LT(fitted, 100);
    const QSize shown = Grid()->size();
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(form.get(), Qt::Key_F2);
    EXPECT_EQ(Grid()->Zoom, fitted);
    EXPECT_EQ(form->ViewZoom, fitted);
    EXPECT_EQ(Grid()->size(), shown);
    // The real entries are all still there, in order, with at most one marker among them.
    RecentFiles recent(Ini());
    QStringList paths;
    int markers = 0;
    for (int i = 1; i <= RECENT_ENTRIES; ++i) {
        if (recent.Stored(i) == "filepath")
            ++markers;
        else if (!recent.Stored(i).isEmpty())
            paths << recent.PathOf(i);
    }
    EXPECT_EQ(paths, (QStringList{files[4], files[3], files[2], files[1], files[0]}));
    EXPECT_LE(markers, 1);
    form->T1Click();
    EXPECT_EQ(form->file1->actions().size(), 5);
}

TEST_F(EditorView, TheNumberFormatBoxIsQuietUnderKeysAndAnInputMethodAndEnterApplies) {
    OpenWithDialog(MakeTemplate(QStringLiteral("t.ept"), 3, 2));
    ShowActive();
    Grid()->SetZoom(100);
    QTest::mouseClick(Grid(), Qt::LeftButton, {}, At(1, 1));
    ASSERT_EQ(Grid()->LastSelectedCell, Cell(1, 1));
    QLineEdit* edit = form->CellDispFormt->lineEdit();
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->clear();
    const int steps = Grid()->History().UndoCount();
    QTest::keyClicks(edit, QStringLiteral("0.0"));
    // Pinyin composed and committed character by character, as an input method does.
    for (const QString& c : {QStringLiteral("元"), QStringLiteral("整")}) {
        QInputMethodEvent preedit(QStringLiteral("yuan"), {});
        QApplication::sendEvent(edit, &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(c);
        QApplication::sendEvent(edit, &commit);
    }
    EXPECT_TRUE(messages->boxes.isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(edit->text(), QStringLiteral("0.0元整"));
    EXPECT_TRUE(Cell(1, 1)->CellDispFormat.isEmpty()); // nothing applied while typing
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Gbk::Decode(Cell(1, 1)->CellDispFormat), QStringLiteral("0.0元整"));
    EXPECT_EQ(Grid()->History().UndoCount(), steps + 1);
    EXPECT_FALSE(form->ReportSaved);

    // A double click on a cell afterwards gives its edit box the keyboard focus.
    QTest::mouseClick(Grid(), Qt::LeftButton, {}, At(0, 2));
    QTest::mouseDClick(Grid(), Qt::LeftButton, {}, At(0, 2));
    ASSERT_NE(Grid()->EditBox(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), Grid()->EditBox());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ab"));
    EXPECT_EQ(Cell(0, 2)->CellText, QByteArray("ab"));
    EXPECT_EQ(Gbk::Decode(Cell(1, 1)->CellDispFormat), QStringLiteral("0.0元整"));
    form->ReportSaved = true;
}

TEST_F(EditorView, RightClickSelectsTheCellUnderThePointerAfterThePopupMenu) {
    OpenWithDialog(MakeTemplate(QStringLiteral("t.ept"), 3, 2));
    ShowActive();
    Grid()->SetZoom(100);
    Grid()->AddSelectedCell(Cell(0, 0));
    bool opened = false;
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            closer.stop();
            opened = true;
            EXPECT_EQ(Grid()->SelectedCells, QList<TReportCell*>{Cell(0, 0)});
            QTest::keyClick(menu, Qt::Key_Escape);
        }
    });
    closer.start();
    QTest::mouseClick(Grid(), Qt::RightButton, {}, At(1, 2));
    EXPECT_TRUE(opened);
    EXPECT_EQ(Grid()->SelectedCells, QList<TReportCell*>{Cell(1, 2)});
}

} // namespace
