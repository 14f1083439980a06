// karvell expand --pdf of a long voucher, written by two threads into parts joined into one file:
// every page once, in order, and no progress lines for a run this short.
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Result {
    int exitCode = -1;
    QByteArray out, err;
};

Result Exec(const QString& program, const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    process.setProcessEnvironment(env);
    process.start(program, args);
    Result r;
    if (!process.waitForFinished(120000)) return r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput();
    for (const QByteArray& line : process.readAllStandardError().split('\n'))
        if (!line.startsWith("QStandardPaths:") && !line.isEmpty()) r.err += line + '\n';
    return r;
}

TEST(CliExpandPdf, ALongVoucherHasEveryPageOnceInOrder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tool = QStringLiteral(KARVELL_TOOL);
    ASSERT_EQ(Exec(tool, {u"make-demo"_s, dir.path()}).exitCode, 0);
    // The demo's detail records twelve times over.
    const QStringList expand = {
        u"expand"_s,
        dir.filePath(u"edj/记账凭证.edj"_s),
        u"--db"_s,
        dir.filePath(u"quorbex.db"_s),
        u"--dataset"_s,
        u"主表=select * from Quorbex_Main"_s,
        u"--dataset"_s,
        u"从表=with recursive n(i) as (select 1 union all select i + 1 from n where i < 12) "
        "select d.* from Quorbex_Detail d, n order by n.i"_s,
        u"--pdf"_s,
        dir.filePath(u"long.pdf"_s)};
    const Result r = Exec(tool, expand);
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.constData();

    const QByteArray info = Exec(u"pdfinfo"_s, {dir.filePath(u"long.pdf"_s)}).out;
    const qsizetype at = info.indexOf("Pages:");
    ASSERT_GE(at, 0);
    const int pages = info.mid(at + 6, info.indexOf('\n', at) - at - 6).trimmed().toInt();
    EXPECT_GE(pages, 20); // enough for two threads
    const QList<QByteArray> texts =
        Exec(u"pdftotext"_s, {dir.filePath(u"long.pdf"_s), u"-"_s}).out.split('\f');
    ASSERT_EQ(texts.size(), pages + 1); // a form feed ends every page
    for (int p = 1; p <= pages; ++p) {
        const QString text = QString::fromUtf8(texts[p - 1]);
        EXPECT_TRUE(text.contains(u"第 %1/%2 页"_s.arg(p).arg(pages))) << p;
        EXPECT_TRUE(text.contains(u"记-0087"_s)) << p;
    }
}

} // namespace
