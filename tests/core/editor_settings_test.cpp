// The template editor's settings: "Lunvane.ini" in the configuration folder, section "其他"
// written back as read, the recent-file list with its kept paths, and the view rules.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "editorstate/editorview.h"
#include "editorstate/lunvanesettings.h"
#include "editorstate/recentfiles.h"
#include "model_helpers.h"
#include "platform/gbk.h"
#include "platform/profile.h"

using namespace karvell;

namespace {

class RecentFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ini = dir.filePath(QStringLiteral("Lunvane.ini"));
    }
    QString Touch(const QString& name) {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    QList<QByteArray> Stored() {
        QList<QByteArray> values;
        RecentFiles recent(ini);
        for (int i = 1; i <= RECENT_ENTRIES; ++i)
            values.append(recent.Stored(i));
        while (!values.isEmpty() && values.last().isEmpty())
            values.removeLast();
        return values;
    }
    static QByteArray U(const QString& path) { return Gbk::Upper(Gbk::Encode(path)); }

    QTemporaryDir dir;
    QString ini;
};

} // namespace

TEST(LunvaneSettings, LivesInTheConfigurationFolder) {
    {
        test::ScopedEnv env("XDG_CONFIG_HOME", "/tmp/somewhere");
        EXPECT_EQ(Lunvane::SettingsFile(), QStringLiteral("/tmp/somewhere/Lunvane.ini"));
    }
    test::ScopedEnv env("XDG_CONFIG_HOME", "");
    EXPECT_EQ(Lunvane::SettingsFile(), QDir::homePath() + QStringLiteral("/.config/Lunvane.ini"));
}

TEST(LunvaneSettings, FirstStartWritesOtherWithoutSavetime) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("cfg/Lunvane.ini"));
    const Lunvane::OtherSettings read = Lunvane::LoadOther(ini);
    EXPECT_EQ(read.savetime, 120000);
    ASSERT_TRUE(Lunvane::SaveOther(ini, read));
    const QByteArray other = Gbk::Encode(QStringLiteral("其他"));
    for (const char* key : {"toolbar", "statusbar", "autosave", "fonts"})
        EXPECT_EQ(Profile::ReadString(ini, other, key, "missing"), "1") << key;
    EXPECT_EQ(Profile::ReadString(ini, other, "savetime", "missing"), "missing");
}

TEST(LunvaneSettings, WritesBackExactlyWhatWasRead) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Lunvane.ini"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Gbk::Encode(QStringLiteral("[其他]\r\ntoolbar=0\r\nfonts=7\r\nsavetime=5\r\n")));
    f.close();
    const Lunvane::OtherSettings read = Lunvane::LoadOther(ini);
    EXPECT_EQ(read.toolbar, 0);
    EXPECT_EQ(read.fonts, 7);
    EXPECT_EQ(read.savetime, 5);
    EXPECT_EQ(read.statusbar, 1);
    ASSERT_TRUE(Lunvane::SaveOther(ini, read));
    const Lunvane::OtherSettings again = Lunvane::LoadOther(ini);
    EXPECT_EQ(again.toolbar, 0);
    EXPECT_EQ(again.fonts, 7);
    EXPECT_EQ(again.savetime, 5);
}

TEST(LunvaneSettings, DamagedFileGivesDefaultsAndSurvives) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Lunvane.ini"));
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 37) & 0xFF);
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(junk);
    f.close();
    const Lunvane::OtherSettings read = Lunvane::LoadOther(ini);
    EXPECT_EQ(read.toolbar, 1);
    EXPECT_EQ(read.savetime, 120000);
    Lunvane::SaveOther(ini, read);
    QFile back(ini);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_TRUE(back.readAll().startsWith(junk.left(64))); // the old content is kept
}

TEST_F(RecentFilesTest, ReopeningAnEntryLeavesTheMarkerUntilTheMenuOpens) {
    const QString x = Touch(QStringLiteral("x.ept")), y = Touch(QStringLiteral("y.ept")),
                  z = Touch(QStringLiteral("z.ept"));
    RecentFiles recent(ini);
    recent.Put(z);
    recent.Put(y);
    recent.Put(x);
    recent.Put(y);
    EXPECT_EQ(Stored(), (QList<QByteArray>{U(y), U(x), "filepath", U(z)}));
    const QList<RecentFiles::Entry> shown = recent.Rebuild();
    ASSERT_EQ(shown.size(), 3);
    EXPECT_EQ(shown[0].path, y);
    EXPECT_EQ(shown[1].path, x);
    EXPECT_EQ(shown[2].path, z);
    EXPECT_EQ(Stored(), (QList<QByteArray>{U(y), U(x), U(z)}));
}

TEST_F(RecentFilesTest, DeletedFilesAndFoldersLeaveTheMenu) {
    const QString a = Touch(QStringLiteral("a.ept")), b = Touch(QStringLiteral("b.ept")),
                  c = Touch(QStringLiteral("c.ept"));
    const QString folder = dir.filePath(QStringLiteral("folder.ept"));
    QDir().mkpath(folder);
    RecentFiles recent(ini);
    for (const QString& p : {c, folder, b, a})
        recent.Put(p);
    ASSERT_TRUE(QFile::remove(b));
    const QList<RecentFiles::Entry> shown = recent.Rebuild();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].path, a);
    EXPECT_EQ(shown[1].path, c);
    EXPECT_EQ(shown[1].number, 2);
    EXPECT_EQ(Stored(), (QList<QByteArray>{U(a), U(c)}));
    EXPECT_EQ(recent.Kept(2), c); // the kept paths moved with the entries
}

TEST_F(RecentFilesTest, TenEntriesKeptNineShown) {
    RecentFiles recent(ini);
    for (int i = 11; i >= 1; --i)
        recent.Put(Touch(QStringLiteral("f%1.ept").arg(i)));
    EXPECT_EQ(Stored().size(), RECENT_ENTRIES);
    const QList<RecentFiles::Entry> shown = recent.Rebuild();
    ASSERT_EQ(shown.size(), RECENT_SHOWN);
    EXPECT_EQ(shown.last().path, dir.filePath(QStringLiteral("f9.ept")));
    EXPECT_EQ(recent.Kept(10), dir.filePath(QStringLiteral("f10.ept")));
}

TEST_F(RecentFilesTest, LowerCaseLettersAreKeptAndAnEntryWithoutKeptPathIsFoundIgnoringCase) {
    const QString mixed = Touch(QStringLiteral("Vouchers/记账Plan.ept"));
    Touch(QStringLiteral("vouchers/记账plan.ept")); // a second file that differs only in case
    RecentFiles recent(ini);
    recent.Put(mixed);
    EXPECT_EQ(recent.Stored(1), U(mixed));
    EXPECT_EQ(recent.PathOf(1), mixed);
    // A profile written by hand: only the upper-cased path.
    const QString other = Touch(QStringLiteral("Old/Report.EPT"));
    ASSERT_TRUE(Profile::WriteString(ini, "Oldies", "2", U(other)));
    EXPECT_EQ(recent.PathOf(2), other);
    EXPECT_EQ(recent.Rebuild().size(), 2);
    EXPECT_EQ(RecentFiles::FindIgnoringCase(dir.filePath(QStringLiteral("nothing/here"))),
              QString());
}

TEST(EditorView, FitZoomAndPlacement) {
    // A window 700 px high and a page 1058 px high: ⌊540 / 1058 × 100⌋.
    EXPECT_EQ(EditorFitZoom(QSize(2000, 700), QSize(800, 1058)), 51);
    EXPECT_EQ(EditorFitZoom(QSize(700, 2000), QSize(800, 100)), 66); // ⌊529 / 800 × 100⌋
    EXPECT_EQ(EditorFitZoom(QSize(2000, 2000), QSize(800, 1058)), 100);
    EXPECT_EQ(EditorGridPos(1000, 900, QSize(600, 500)), QPoint(190, 130));
    EXPECT_EQ(EditorGridPos(500, 500, QSize(600, 500)), QPoint(30, 5));
}

TEST(EditorView, FieldWindowsEightToARow) {
    int column = 0, row = 0;
    QList<QPoint> got;
    for (int i = 0; i < 9; ++i)
        got.append(TakeFieldWindowSlot(column, row));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(got[i], QPoint(2 + 120 * i, 2)) << i;
    EXPECT_EQ(got[8], QPoint(2, 142));
    for (int i = 9; i < 100; ++i)
        got.append(TakeFieldWindowSlot(column, row));
    EXPECT_EQ(got[99], QPoint(2 + 120 * (99 % 8), 2 + 140 * (99 / 8)));
}

namespace {

TEST(EditorOffset, OnlyFiniteMillimetresWithinAHundredAreTaken) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("Lunvane.ini"));
    const struct {
        const char* text;
        double mm;
    } cases[] = {{"2.5", 2.5}, {"-100", -100}, {"nan", 0}, {"inf", 0},
                 {"1e3", 0},   {"-101", 0},    {"abc", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(Profile::WriteString(ini, "Offset", "OffsetX", c.text));
        ASSERT_TRUE(Profile::WriteString(ini, "Offset", "OffsetY", "1"));
        EXPECT_EQ(Lunvane::LoadOffset(ini), QPointF(c.mm, 1));
    }
}

} // namespace
