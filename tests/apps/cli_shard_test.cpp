// A batch split with --shard K/N and joined with karvell join gives the file the whole batch
// gives: the same text (pdftotext) and the same pixels (pdftoppm), also with more parts than
// vouchers. Bad shard arguments print nothing.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <gtest/gtest.h>

#include "demo_helpers.h"

using namespace apptest;

namespace {

// Five vouchers of the demo month, with their detail rows only.
const QString kMaster = QStringLiteral("select * from Month_Main order by 凭证号 limit 5");
const QString kDetail = QStringLiteral(
    "select * from Month_Detail where 凭证号 in (select 凭证号 from Month_Main order by 凭证号 "
    "limit 5) order by 凭证号, 序号");

QStringList Batch(const DemoDir& demo, const QString& pdf) {
    return {QStringLiteral("batch"),    demo.Template(),
            QStringLiteral("--db"),     demo.Database(),
            QStringLiteral("--master"), kMaster,
            QStringLiteral("--detail"), kDetail,
            QStringLiteral("--key"),    QStringLiteral("凭证号"),
            QStringLiteral("--pdf"),    pdf};
}

// Every page rendered at 20 dpi by poppler, in order; empty without pdftoppm.
QList<QImage> Pictures(const QString& pdf) {
    const QString dir = pdf + QStringLiteral(".pages");
    QDir().mkpath(dir);
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"), pdf,
                   dir + QStringLiteral("/p")});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) return {};
    QList<QImage> pages;
    QStringList names = QDir(dir).entryList({QStringLiteral("p-*.png")}, QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const QString& name : names)
        pages.append(QImage(dir + u'/' + name).convertToFormat(QImage::Format_RGB32));
    return pages;
}

TEST(KarvellShard, JoinedPartsEqualTheWholeBatch) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString whole = demo.Path(QStringLiteral("whole.pdf"));
    const ToolRun w = demo.Karvell(Batch(demo, whole));
    ASSERT_EQ(w.exitCode, 0) << w.err.toStdString();
    const QString wholeText = PdfText(whole);
    const QList<QImage> wholePages = Pictures(whole);
    ASSERT_GT(PdfPages(whole), 5);
    ASSERT_EQ(wholePages.size(), PdfPages(whole));

    for (const int parts : {1, 2, 3, 7}) { // 7: more parts than vouchers
        SCOPED_TRACE(parts);
        QStringList files;
        int vouchers = 0, empty = 0;
        for (int k = 1; k <= parts; ++k) {
            const QString part = demo.Path(QStringLiteral("part-%1-%2.pdf").arg(parts).arg(k));
            const ToolRun r = demo.Karvell(Batch(demo, part) +
                                           QStringList{QStringLiteral("--shard"),
                                                       QStringLiteral("%1/%2").arg(k).arg(parts),
                                                       QStringLiteral("--progress")});
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
            const QRegularExpression progress(QStringLiteral("^progress (\\d+)/(\\d+) pages=\\d+$"),
                                              QRegularExpression::MultilineOption);
            const auto m = progress.globalMatch(r.err);
            int last = 0;
            for (auto it = m; it.hasNext();)
                last = it.next().captured(1).toInt();
            vouchers += last;
            if (QFileInfo(part).size() == 0)
                ++empty;
            else
                EXPECT_GE(PdfPages(part), 1);
            files.append(part);
        }
        EXPECT_EQ(vouchers, 5) << "every voucher printed by exactly one part";
        EXPECT_EQ(empty > 0, parts > 5);

        const QString joined = demo.Path(QStringLiteral("joined-%1.pdf").arg(parts));
        const ToolRun j = demo.Karvell(QStringList{QStringLiteral("join"), joined} + files);
        ASSERT_EQ(j.exitCode, 0) << j.err.toStdString();
        EXPECT_EQ(PdfText(joined), wholeText);
        const QList<QImage> pages = Pictures(joined);
        ASSERT_EQ(pages.size(), wholePages.size());
        for (int p = 0; p < pages.size(); ++p)
            EXPECT_TRUE(pages[p] == wholePages[p]) << "page " << p + 1;
    }
}

TEST(KarvellShard, BadArgumentsPrintNothing) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString pdf = demo.Path(QStringLiteral("bad.pdf"));
    for (const QString& bad : QStringList{"0/3", "4/3", "a/b", "1/0", "3"}) {
        SCOPED_TRACE(bad.toStdString());
        const ToolRun r =
            demo.Karvell(Batch(demo, pdf) + QStringList{QStringLiteral("--shard"), bad});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("--shard 应为 K/N"))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(bad));
        EXPECT_FALSE(QFile::exists(pdf));
    }
    // Only PDF, OFD and spreadsheet parts are joined, all of the output's kind.
    const QString csv = demo.Path(QStringLiteral("month.csv"));
    const ToolRun c =
        demo.Karvell({QStringLiteral("join"), demo.Path(QStringLiteral("j.csv")), csv, csv});
    EXPECT_EQ(c.exitCode, 1);
    EXPECT_TRUE(c.err.contains(QStringLiteral("只能合并 PDF、OFD 或 XLSX"))) << c.err.toStdString();
    const ToolRun m = demo.Karvell({QStringLiteral("join"), demo.Path(QStringLiteral("j.xlsx")),
                                    demo.Path(QStringLiteral("part.pdf"))});
    EXPECT_EQ(m.exitCode, 1);
    EXPECT_TRUE(m.err.contains(QStringLiteral("须是同一种文件"))) << m.err.toStdString();
    EXPECT_FALSE(QFile::exists(demo.Path(QStringLiteral("j.xlsx"))));
}

} // namespace
