// What the programs do when a save cannot complete (a full disk) and with the inputs a user or
// a shared database gives them: the previous file stays whole, the reason is said, the exit
// status says it failed.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/program_runner.h"
#include "common/small_disk.h"

using namespace karvell;
using namespace karvell::test;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kNoSpace = u"设备上没有空间"_s;

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// A demo (template, SQLite database, ODBC configuration) in a folder of its own.
class Demo : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        const ProgramRun made = RunProgram(QStringLiteral(KARVELL_TOOL), {u"make-demo"_s, Dir()});
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    }
    QString Dir() const { return m_dir.filePath(u"run"_s); }
    QString Template() const { return Dir() + u"/edj/记账凭证.edj"_s; }
    QString Db() const { return Dir() + u"/quorbex.db"_s; }
    QProcessEnvironment Env() const {
        QProcessEnvironment env = ProgramEnvironment();
        env.insert(u"ODBCSYSINI"_s, Dir());
        env.insert(u"ODBCINI"_s, Dir() + u"/odbc.ini"_s);
        env.insert(u"KARVELL_PDF_DIR"_s, m_dir.filePath(u"pdf"_s));
        return env;
    }
    int PdfCount() const {
        return int(QDir(m_dir.filePath(u"pdf"_s)).entryList({u"*.pdf"_s}, QDir::Files).size());
    }
    // Changes the demo database with the sqlite3 shell.
    void Sql(const QString& statement) const {
        const ProgramRun run = RunProgram(u"sqlite3"_s, {Db(), statement});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    ProgramRun Danmere(const QStringList& args, const QString& workDir = QString()) const {
        return RunProgram(QStringLiteral(DANMERE_TOOL), args, Env(),
                          workDir.isEmpty() ? Dir() : workDir, 60000);
    }

    QTemporaryDir m_dir;
};

TEST_F(Demo, ASaveOntoAFullDiskFailsAndKeepsThePreviousFile) {
    SmallDisk disk;
    if (!disk.IsMounted())
        GTEST_SKIP() << "full-disk saves not tested: " << disk.WhyNot().toStdString();
    const QString ops = m_dir.filePath(u"ops.json"_s);
    ASSERT_TRUE(WriteAll(ops, R"([{"op": "SetCellText", "cell": [0, 0], "text": "新标题"}])"));
    const struct {
        const char* target;
        QStringList args; // %T is the target on the full disk
    } cases[] = {
        {"a.edj", {u"convert"_s, Template(), u"%T"_s}},
        {"a.edj", {u"apply"_s, Template(), ops, u"-o"_s, u"%T"_s}},
        {"a.pdf", {u"print"_s, Template(), u"--pdf"_s, u"%T"_s}},
        {"a.pdf",
         {u"expand"_s, Template(), u"--db"_s, Db(), u"--dataset"_s,
          u"主表=select * from Quorbex_Main"_s, u"--dataset"_s,
          u"从表=select * from Quorbex_Detail"_s, u"--pdf"_s, u"%T"_s}},
        {"a.png", {u"render"_s, Template(), u"-o"_s, u"%T"_s}},
        {"a.pdf",
         {u"batch"_s, Template(), u"--db"_s, Db(), u"--master"_s,
          u"select * from Month_Main where 凭证号 in (select 凭证号 from Month_Main limit 2)"_s,
          u"--detail"_s, u"select * from Month_Detail"_s, u"--key"_s, u"凭证号"_s, u"--pdf"_s,
          u"%T"_s}},
        {"a.pdf", {u"calibrate"_s, u"--pdf"_s, u"%T"_s}},
        {"a.sql", {u"make-demo"_s, u"--sql"_s, u"%T"_s}},
    };
    const QByteArray previous = "the previous file, which a failed save must leave alone\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const QString target = disk.FilePath(QString::fromLatin1(c.target));
        ASSERT_TRUE(WriteAll(target, previous));
        ASSERT_TRUE(disk.Fill(0));
        const QStringList before = QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden);
        QStringList args = c.args;
        args.replaceInStrings(u"%T"_s, target);
        const ProgramRun run = RunProgram(QStringLiteral(KARVELL_TOOL), args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(kNoSpace)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(target)) << run.err.toStdString();
        EXPECT_EQ(ReadAll(target), previous);
        EXPECT_EQ(QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden), before)
            << "no temporary file is left behind";
        QFile::remove(disk.FilePath(u".filler"_s));
    }
}

TEST_F(Demo, TheDesignerSaysWhenItCannotCreateItsSettingsFile) {
    SmallDisk disk;
    if (!disk.IsMounted())
        GTEST_SKIP() << "full-disk saves not tested: " << disk.WhyNot().toStdString();
    ASSERT_TRUE(disk.Fill(0));
    const ProgramRun run = Danmere({u"1"_s}, disk.Path());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(kNoSpace)) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(disk.FilePath(u"Quorbex.ini"_s)));
    EXPECT_EQ(PdfCount(), 0);
}

TEST_F(Demo, ATemplateNameFromTheDatabaseMustStayInsideEdj) {
    // A template outside edj/ that a crafted name would reach.
    ASSERT_TRUE(QFile::copy(Template(), m_dir.filePath(u"outside.edj"_s)));
    for (const char* name : {"../../outside", "/etc/passwd", "sub/../../../outside"}) {
        SCOPED_TRACE(name);
        Sql(u"update Quorbex set SFormat = '%1'"_s.arg(QString::fromUtf8(name)));
        const ProgramRun run = Danmere({u"1"_s});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(name))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(u"edj"_s)) << run.err.toStdString();
        EXPECT_EQ(PdfCount(), 0) << "nothing from outside edj/ is printed";
    }
    // A subfolder is fine.
    ASSERT_TRUE(QDir().mkpath(Dir() + u"/edj/2026"_s));
    ASSERT_TRUE(QFile::copy(Template(), Dir() + u"/edj/2026/凭证.edj"_s));
    Sql(u"update Quorbex set SFormat = '2026/凭证'"_s);
    const ProgramRun run = Danmere({u"1"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(PdfCount(), 3);
}

TEST_F(Demo, AMissingSqliteFileIsNamedAndNotCreated) {
    ASSERT_TRUE(QFile::rename(Db(), m_dir.filePath(u"moved.db"_s)));
    const ProgramRun run = Danmere({u"1"_s});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"quorbex.db"_s)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"不存在"_s)) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(Db())) << "the ODBC driver must not create an empty database";
    // A direct print that failed says why, not that the designer window cannot be shown.
    EXPECT_FALSE(run.err.contains(u"没有显示器"_s)) << run.err.toStdString();
}

TEST_F(Demo, MakeDemoKeepsAnExistingDemoUnlessForced) {
    const QByteArray changed = "a template the user changed";
    ASSERT_TRUE(WriteAll(Template(), changed));
    ProgramRun run = RunProgram(QStringLiteral(KARVELL_TOOL), {u"make-demo"_s, Dir()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"记账凭证.edj"_s)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"quorbex.db"_s)) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(u"--force"_s)) << run.err.toStdString();
    EXPECT_EQ(ReadAll(Template()), changed);

    run = RunProgram(QStringLiteral(KARVELL_TOOL), {u"make-demo"_s, Dir(), u"--force"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_NE(ReadAll(Template()), changed);
}

TEST(KarvellCommandLine, EveryCommandAnswersHelpAndNothingElseHappens) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const ProgramRun list = RunProgram(QStringLiteral(KARVELL_TOOL), {u"--help"_s});
    ASSERT_EQ(list.exitCode, 0);
    EXPECT_TRUE(list.OutText().contains(u"KARVELL_DB_PASSWORD"_s));
    QStringList names;
    for (const QString& line : list.OutText().split(u'\n'))
        if (line.startsWith(u"  karvell "_s)) names << line.mid(10).section(u' ', 0, 0);
    ASSERT_GE(names.size(), 8) << list.OutText().toStdString();
    for (const QString& name : std::as_const(names)) {
        SCOPED_TRACE(name.toStdString());
        const ProgramRun run = RunProgram(QStringLiteral(KARVELL_TOOL), {name, u"--help"_s},
                                          ProgramEnvironment(), dir.path());
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.OutText().startsWith(u"Usage: karvell "_s + name))
            << run.OutText().toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        << "help creates nothing (make-demo --help once made a folder \"--help\")";

    const ProgramRun version = RunProgram(QStringLiteral(KARVELL_TOOL), {u"--version"_s});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.OutText().startsWith(u"karvell "_s)) << version.OutText().toStdString();
}

TEST_F(Demo, NormalRunsWriteNoQtWarnings) {
    QProcessEnvironment env = ProgramEnvironment();
    env.remove(u"XDG_RUNTIME_DIR"_s); // as in a root shell or a cron job
    const ProgramRun run = RunProgram(QStringLiteral(KARVELL_TOOL), {u"dump"_s, Template()}, env);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST(KarvellCommandLine, ViewWithoutADisplayFailsWithAMessage) {
    QProcessEnvironment env = ProgramEnvironment();
    for (const QString& name : {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
        env.remove(name);
    const ProgramRun run = RunProgram(QStringLiteral(KARVELL_TOOL), {u"view"_s, u"any.edj"_s}, env);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(u"没有显示器"_s)) << run.err.toStdString();
}

} // namespace
