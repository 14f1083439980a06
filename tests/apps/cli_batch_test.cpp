// karvell batch on the demo month, karvell calibrate and the form offset of the printing
// commands.
#include <QFile>
#include <gtest/gtest.h>

#include "demo_helpers.h"
#include "format/dispformat.h"
#include "platform/gbk.h"

using namespace apptest;

namespace {

const QString kDetail = QStringLiteral("select * from Month_Detail order by 凭证号, 序号");

QStringList Batch(const DemoDir& demo, const QString& masterSql, const QString& pdf) {
    return {QStringLiteral("batch"),    demo.Template(),
            QStringLiteral("--db"),     demo.Database(),
            QStringLiteral("--master"), masterSql,
            QStringLiteral("--detail"), kDetail,
            QStringLiteral("--key"),    QStringLiteral("凭证号"),
            QStringLiteral("--pdf"),    pdf};
}

TEST(KarvellBatch, EachVoucherGetsItsOwnPagesAndTotals) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    // A voucher whose key matches no detail rows prints with blank detail lines.
    ASSERT_TRUE(demo.Sql({QStringLiteral("insert into Month_Main (凭证号, 日期) values "
                                         "('记-9999', '2024年03月31日')")}));
    const QStringList keys = {"记-0001", "记-0002", "记-0003", "记-9999"};
    QList<int> lines;
    for (const QString& key : keys)
        lines << int(demo.Number(
            QStringLiteral("select count(*) from Month_Detail where 凭证号 = '%1'").arg(key)));
    ASSERT_NE(lines[0], lines[1]);
    ASSERT_EQ(lines[3], 0);

    const QString pdf = demo.Path(QStringLiteral("month.pdf"));
    // Four vouchers of the month, with the whole month's detail rows: the others' rows are
    // expected not to pair up.
    const ToolRun r = demo.Karvell(
        Batch(demo,
              QStringLiteral("select * from Month_Main where 凭证号 in ('%1') order by 凭证号")
                  .arg(keys.join(QStringLiteral("','"))),
              pdf) +
        QStringList{QStringLiteral("--allow-unmatched")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("注意：主表有 1 张凭证没有任何从表行，只印出了空白"
                                              "分录；凭证号：记-9999")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("凭证 4/4"))) << "the progress line";
    EXPECT_TRUE(r.out.contains(pdf));

    const QString text = PdfText(pdf);
    int pages = 0;
    for (int v = 0; v < keys.size(); ++v) {
        SCOPED_TRACE(keys[v].toStdString());
        const int shown = int(text.count(keys[v])); // once per page, in the header
        EXPECT_GE(shown, 1);
        EXPECT_TRUE(text.contains(QStringLiteral("第 %1/%1 页").arg(shown)));
        pages += shown;
        if (lines[v] == 0) continue;
        // The grand total in words, against the voucher's debits summed from the data.
        const double debit =
            demo.Number(QStringLiteral("select sum(借方金额) from Month_Detail where 凭证号 = '%1'")
                            .arg(keys[v]));
        const QString words = karvell::FormatFloat(
            karvell::Gbk::Encode(QStringLiteral("[人民币大写]")), std::round(debit * 100) / 100);
        EXPECT_TRUE(text.contains(words)) << words.toStdString();
    }
    EXPECT_EQ(PdfPages(pdf), pages);
}

TEST(KarvellBatch, NoMasterRowsLeaveNoFile) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString pdf = demo.Path(QStringLiteral("none.pdf"));
    const ToolRun r = demo.Karvell(
        Batch(demo, QStringLiteral("select * from Month_Main where 凭证号 = '无'"), pdf));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("主表查询没有返回任何记录"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST(FormOffset, MovesThePrintedPageByTheMillimetresGiven) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString plain = demo.Path(QStringLiteral("plain.pdf"));
    const QString moved = demo.Path(QStringLiteral("moved.pdf"));
    ASSERT_EQ(demo.Karvell({"print", demo.Template(), "--pdf", plain}).exitCode, 0);
    ASSERT_EQ(
        demo.Karvell({"print", demo.Template(), "--offset", "10,-5", "--pdf", moved}).exitCode, 0);
    const QImage a = PdfPicture(plain), b = PdfPicture(moved);
    if (a.isNull() || b.isNull()) GTEST_SKIP() << "pdftoppm is not installed";
    const QRect inkA = InkBox(a), inkB = InkBox(b);
    // 10 mm = 28.35 pt to the right, 5 mm = 14.17 pt up (one pixel per point).
    EXPECT_NEAR(inkB.left() - inkA.left(), 28.35, 1.5);
    EXPECT_NEAR(inkB.top() - inkA.top(), -14.17, 1.5);
    EXPECT_NEAR(inkB.width(), inkA.width(), 1.5);

    const ToolRun bad = demo.Karvell({"print", demo.Template(), "--offset", "10", "--pdf", moved});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("--offset"))) << bad.err.toStdString();
}

TEST(FormOffset, CalibrationSheetMovesWithTheOffset) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString plain = demo.Path(QStringLiteral("cal.pdf"));
    const QString moved = demo.Path(QStringLiteral("cal-moved.pdf"));
    ASSERT_EQ(demo.Karvell({"calibrate", "--pdf", plain}).exitCode, 0);
    ASSERT_EQ(demo.Karvell({"calibrate", "--offset", "4,6", "--pdf", moved}).exitCode, 0);
    EXPECT_TRUE(PdfText(plain).contains(QStringLiteral("(105, 150) mm")));
    const QImage a = PdfPicture(plain), b = PdfPicture(moved);
    if (a.isNull() || b.isNull()) GTEST_SKIP() << "pdftoppm is not installed";
    // The rulers start at the paper's corner; moved, they start 4 and 6 mm in.
    const QRect inkA = InkBox(a), inkB = InkBox(b);
    EXPECT_NEAR(inkB.left() - inkA.left(), 4 / 25.4 * 72, 1.5);
    EXPECT_NEAR(inkB.top() - inkA.top(), 6 / 25.4 * 72, 1.5);
}

} // namespace
