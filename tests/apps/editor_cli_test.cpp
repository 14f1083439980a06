// karvell-editor's command line: what it refuses before any window opens.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/program_runner.h"

using namespace karvell::test;

namespace {

ProgramRun RunEditor(const QStringList& args) {
    return RunProgram(QStringLiteral(EDITOR_TOOL), args, ProgramEnvironment(), QString(), 30000);
}

} // namespace

TEST(EditorCli, TemplatesThatCannotBeReadEndBeforeAnyWindow) {
    QTemporaryDir dir;
    const QString notTemplate = dir.filePath(QStringLiteral("plain.ept"));
    QFile f(notTemplate);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a template at all");
    f.close();
    struct Case {
        QString file;
        QString says;
    };
    for (const Case& c :
         {Case{dir.filePath(QStringLiteral("missing.ept")), QStringLiteral("missing.ept")},
          Case{notTemplate, QStringLiteral("打开报表错误")}}) {
        const ProgramRun run = RunEditor({c.file});
        ASSERT_TRUE(run.finished) << c.file.toStdString(); // no window waited for a user
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
    }
}

TEST(EditorCli, OptionsAreChecked) {
    const ProgramRun noDb = RunEditor({QStringLiteral("--dataset"), QStringLiteral("T1=select 1")});
    EXPECT_EQ(noDb.exitCode, 2);
    EXPECT_TRUE(noDb.err.contains(QStringLiteral("--dataset needs --db")));
    const ProgramRun bad = RunEditor({QStringLiteral("--dataset"), QStringLiteral("nosql"),
                                      QStringLiteral("--db"), QStringLiteral("x.db")});
    EXPECT_EQ(bad.exitCode, 2);
    const ProgramRun help = RunEditor({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.OutText().contains(QStringLiteral("[--dataset NAME=SQL]")));
}
