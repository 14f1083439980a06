// The voucher designer as a program: on the demo voucher, `danmere 1` prints every page as its
// own PDF job and ends by itself.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/program_runner.h"

namespace {

using karvell::test::ProgramRun;

ProgramRun RunProgram(const QString& program, const QStringList& args, const QString& workDir,
                      const QProcessEnvironment& env, int timeoutMs = 120000) {
    return karvell::test::RunProgram(program, args, env, workDir, timeoutMs);
}

QString PdfText(const QString& file) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {file, "-"});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(DanmereProgram, PrintsTheDemoVoucherPageByPageAndEnds) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString demo = dir.filePath(QStringLiteral("run"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("KARVELL_NO_PRINTERS"));
    env.remove(QStringLiteral("KARVELL_DB_PASSWORD"));

    const ProgramRun made =
        RunProgram(QStringLiteral(KARVELL_TOOL), {"make-demo", demo}, dir.path(), env);
    ASSERT_TRUE(made.finished);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    ASSERT_TRUE(QFile::exists(demo + QStringLiteral("/edj/记账凭证.edj")));

    const QString pdfDir = dir.filePath(QStringLiteral("pdf"));
    env.insert(QStringLiteral("ODBCSYSINI"), demo);
    env.insert(QStringLiteral("ODBCINI"), demo + QStringLiteral("/odbc.ini"));
    env.insert(QStringLiteral("KARVELL_PDF_DIR"), pdfDir);
    const ProgramRun printed = RunProgram(QStringLiteral(DANMERE_TOOL), {"1"}, demo, env);
    ASSERT_TRUE(printed.finished) << "danmere 1 did not end by itself";
    EXPECT_EQ(printed.exitCode, 0) << printed.err.toStdString();

    // The demo's 40 entries fill three pages; each page is its own job and file.
    const QStringList files = QDir(pdfDir).entryList({"*.pdf"}, QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 3) << printed.OutText().toStdString() << printed.err.toStdString();
    for (const QString& f : files)
        EXPECT_TRUE(printed.OutText().contains(f)) << "the program names each file it writes";
    // The settings file was created with its defaults.
    EXPECT_TRUE(QFile::exists(demo + QStringLiteral("/Quorbex.ini")));

    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) return;
    const QString first = PdfText(QDir(pdfDir).filePath(files.first()));
    for (const char* text : {"记账凭证", "华东精密机械有限公司", "本页合计", "第 1/3 页"})
        EXPECT_TRUE(first.contains(QString::fromUtf8(text))) << text;
    const QString last = PdfText(QDir(pdfDir).filePath(files.last()));
    for (const char* text : {"合计", "人民币壹佰肆拾玖万捌仟玖佰肆拾壹元捌角伍分", "第 3/3 页"})
        EXPECT_TRUE(last.contains(QString::fromUtf8(text))) << text;
}

TEST(DanmereProgram, WithoutTheDataSourceTheErrorIsShownAndNothingIsPrinted) {
    // The designer window would open after the error; without a display nobody could use it,
    // so the program says so and ends with an error.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ODBCSYSINI"), dir.path());
    env.insert(QStringLiteral("ODBCINI"), dir.filePath(QStringLiteral("odbc.ini")));
    env.insert(QStringLiteral("KARVELL_PDF_DIR"), dir.filePath(QStringLiteral("pdf")));
    const ProgramRun run = RunProgram(QStringLiteral(DANMERE_TOOL), {"1"}, dir.path(), env, 60000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("acc_Quorbex"))) << run.err.toStdString();
    EXPECT_FALSE(QDir(dir.filePath(QStringLiteral("pdf"))).exists());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Quorbex.ini"))));
}

} // namespace
