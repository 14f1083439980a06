// karvell batch pairs master and detail rows by their exact keys and says, after printing,
// which rows did not pair up; its exit status tells a clean run from one with warnings.
#include <QFile>
#include <gtest/gtest.h>

#include "demo_helpers.h"

using namespace apptest;

namespace {

// Master and detail tables with the demo template's fields and a key column of the given type.
QStringList CreateTables(const QString& keyType) {
    return {QStringLiteral("create table BM(凭证号 %1, 日期 text, 单位名称 text, 附件数 integer, "
                           "制单 text, 复核 text, 记账 text)")
                .arg(keyType),
            QStringLiteral("create table BD(凭证号 %1, 序号 integer, 摘要 text, 科目 text, "
                           "借方金额 numeric(18,2), 贷方金额 numeric(18,2))")
                .arg(keyType)};
}

QString Master(const QString& key) {
    return QStringLiteral(
               "insert into BM values(%1, '2024年03月31日', '单位', 1, '甲', '乙', '丙')")
        .arg(key);
}

QString Detail(const QString& key, const QString& summary) {
    return QStringLiteral("insert into BD values(%1, 1, '%2', '库存现金', 10.00, 10.00)")
        .arg(key, summary);
}

ToolRun Batch(const DemoDir& demo, const QString& pdf, const QStringList& more = {}) {
    return demo.Karvell(QStringList{"batch", demo.Template(), "--db", demo.Database(), "--master",
                                    "select * from BM order by rowid", "--detail",
                                    "select * from BD order by rowid", "--key", "凭证号", "--pdf",
                                    pdf} +
                        more);
}

TEST(BatchKeys, EachVoucherGetsExactlyTheDetailRowsOfItsKey) {
    const struct {
        const char* name;
        const char* type;
        QStringList keys; // SQL literals; every one a voucher of its own
    } cases[] = {
        // Equal as 15-digit floating-point numbers, two vouchers all the same.
        {"16-digit integers", "integer", {"2024033100000001", "2024033100000002"}},
        {"19-digit integers", "bigint", {"9223372036854775806", "9223372036854775807"}},
        {"text", "varchar(20)", {"'00123'", "'123'", "'记-1'", "'记-1 '", "'記-1'"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DemoDir demo;
        ASSERT_TRUE(demo.Ok());
        QStringList sql = CreateTables(QString::fromLatin1(c.type));
        for (int i = 0; i < c.keys.size(); ++i) {
            sql << Master(c.keys[i]) << Detail(c.keys[i], QStringLiteral("第%1张甲").arg(i))
                << Detail(c.keys[i], QStringLiteral("第%1张乙").arg(i));
        }
        QString error;
        ASSERT_TRUE(demo.Sql(sql, &error)) << error.toStdString();
        const QString pdf = demo.Path(QStringLiteral("keys.pdf"));
        const ToolRun r = Batch(demo, pdf);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("警告"))) << r.err.toStdString();
        const QStringList pages = PdfText(pdf).split(u'\f', Qt::SkipEmptyParts);
        ASSERT_EQ(pages.size(), c.keys.size());
        for (int page = 0; page < pages.size(); ++page) {
            for (int i = 0; i < c.keys.size(); ++i) {
                const bool own = i == page;
                for (const char* half : {"甲", "乙"}) {
                    const QString summary =
                        QStringLiteral("第%1张").arg(i) + QString::fromUtf8(half);
                    EXPECT_EQ(pages[page].contains(summary), own)
                        << "page " << page << ": " << summary.toStdString();
                }
            }
        }
    }
}

TEST(BatchKeys, RowsThatDoNotPairUpAreToldWithTheirExitStatus) {
    const QString k1 = QStringLiteral("2024033100000001"), k2 = QStringLiteral("2024033100000002");
    const struct {
        const char* name;
        QStringList sql; // added to two vouchers of two lines each
        int printed;     // detail lines printed
        int pages;
        QStringList told; // in the warning, after the lead word
    } cases[] = {
        {"every row pairs up", {}, 4, 2, {}},
        {"detail rows of no voucher",
         {Detail(QStringLiteral("777"), QStringLiteral("孤一")),
          Detail(QStringLiteral("NULL"), QStringLiteral("孤二")),
          Detail(QStringLiteral("''"), QStringLiteral("孤三")),
          Detail(QStringLiteral("'  '"), QStringLiteral("孤四"))},
         4,
         2,
         {QStringLiteral("从表有 4 行"), QStringLiteral("777"), QStringLiteral("（空）")}},
        {"a key given to two master rows",
         {Master(k2)},
         4,
         2,
         {QStringLiteral("重复：") + k2, QStringLiteral("其余 1 行没有打印")}},
        {"master rows without detail rows, null and blank keys among them",
         {Master(QStringLiteral("2024033100000003")), Master(QStringLiteral("NULL")),
          Master(QStringLiteral("'  '")), Detail(QStringLiteral("NULL"), QStringLiteral("孤五"))},
         4,
         5,
         {QStringLiteral("主表有 3 张凭证没有任何从表行"), QStringLiteral("2024033100000003"),
          QStringLiteral("从表有 1 行")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DemoDir demo;
        ASSERT_TRUE(demo.Ok());
        QStringList sql = CreateTables(QStringLiteral("integer"));
        for (const QString& k : {k1, k2})
            sql << Master(k) << Detail(k, QStringLiteral("正常"))
                << Detail(k, QStringLiteral("正常"));
        QString error;
        ASSERT_TRUE(demo.Sql(sql + c.sql, &error)) << error.toStdString();
        for (const bool allowed : {false, true}) {
            SCOPED_TRACE(allowed ? "--allow-unmatched" : "plain");
            const QString pdf = demo.Path(QStringLiteral("month.pdf"));
            const ToolRun r =
                Batch(demo, pdf, allowed ? QStringList{"--allow-unmatched"} : QStringList{});
            EXPECT_EQ(r.exitCode, c.told.isEmpty() || allowed ? 0 : 3) << r.err.toStdString();
            const QString text = PdfText(pdf);
            EXPECT_EQ(PdfPages(pdf), c.pages);
            EXPECT_EQ(text.count(QStringLiteral("正常")), c.printed) << "each row printed once";
            EXPECT_FALSE(text.contains(QStringLiteral("孤"))) << "rows of no voucher";
            const QString lead = allowed ? QStringLiteral("注意：") : QStringLiteral("警告：");
            EXPECT_EQ(r.err.contains(lead), !c.told.isEmpty()) << r.err.toStdString();
            EXPECT_FALSE(r.err.contains(allowed ? QStringLiteral("警告") : QStringLiteral("注意")))
                << r.err.toStdString();
            for (const QString& t : c.told)
                EXPECT_TRUE(r.err.contains(t)) << t.toStdString() << "\n" << r.err.toStdString();
            QFile::remove(pdf);
        }
    }
}

} // namespace
