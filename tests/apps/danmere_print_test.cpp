// `danmere 1` on damaged data: nothing is printed when a value is not a number or a column is
// missing, and the program then ends with an error and the reason; the form offset of
// "Quorbex.ini" moves what is printed; `karvell expand` refuses the same data through ODBC.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "demo_helpers.h"

using namespace apptest;

namespace {

const QString kOdbc = QStringLiteral("Provider=MSDASQL.1;Data Source=acc_Quorbex");

QStringList PdfFiles(const DemoDir& demo) {
    return QDir(demo.Path(QStringLiteral("pdf"))).entryList({"*.pdf"}, QDir::Files, QDir::Name);
}

TEST(DanmereDirectPrint, RefusesDataThatWouldPrintAWrongVoucher) {
    struct Case {
        const char* name;
        QStringList sql;
        QStringList mentions;
    };
    const QList<Case> cases = {
        {"text in an amount",
         {"update Quorbex_Detail set 借方金额 = 'abc' where 序号 = 3"},
         {QStringLiteral("形成报表时发生错误"), QStringLiteral("abc"), QStringLiteral("借方金额"),
          QStringLiteral("第 3 条记录")}},
        {"missing column",
         {"alter table Quorbex_Detail drop column 贷方金额"},
         {QStringLiteral("形成报表时发生错误"), QStringLiteral("贷方金额")}},
        {"a date that is no calendar date",
         {QStringLiteral("create table m as select * from Quorbex_Main"),
          QStringLiteral("drop table Quorbex_Main"),
          QStringLiteral("create table Quorbex_Main (凭证号 varchar(20), 日期 date, 单位名称 "
                         "varchar(60), 附件数 integer, 制单 varchar(20), 复核 varchar(20), 记账 "
                         "varchar(20))"),
          QStringLiteral("insert into Quorbex_Main select 凭证号, '2024-02-30', 单位名称, 附件数, "
                         "制单, 复核, 记账 from m")},
         {QStringLiteral("2024-02-30"), QStringLiteral("日期"), QStringLiteral("第 1 条记录")}},
        {"a text where the total reads amounts",
         {QStringLiteral("update Quorbex_Detail set 贷方金额 = '1,000.00' where 序号 = 4")},
         {QStringLiteral("1,000.00"), QStringLiteral("贷方金额"), QStringLiteral("第 4 条记录")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DemoDir demo;
        ASSERT_TRUE(demo.Ok());
        QString error;
        ASSERT_TRUE(demo.Sql(c.sql, &error)) << error.toStdString();
        const ToolRun r = demo.Danmere({"1"});
        ASSERT_TRUE(r.finished);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(PdfFiles(demo).isEmpty()) << PdfFiles(demo).join(' ').toStdString();
        // The reason the program ends with (the design's boxes are among the mentions).
        EXPECT_TRUE(r.err.contains(QStringLiteral("凭证未能完整打印"))) << r.err.toStdString();
        for (const QString& m : c.mentions)
            EXPECT_TRUE(r.err.contains(m)) << m.toStdString() << "\n" << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("没有显示器")));
    }
}

TEST(DanmereDirectPrint, KarvellExpandRefusesTheSameDataThroughOdbc) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    ASSERT_TRUE(demo.Sql({"update Quorbex_Detail set 借方金额 = 'abc' where 序号 = 3"}));
    const QString pdf = demo.Path(QStringLiteral("x.pdf"));
    for (const QString& db : {demo.Database(), kOdbc}) {
        SCOPED_TRACE(db.toStdString());
        const ToolRun r =
            demo.Karvell({"expand", demo.Template(), "--db", db, "--dataset",
                          QStringLiteral("主表=select * from Quorbex_Main"), "--dataset",
                          QStringLiteral("从表=select * from Quorbex_Detail"), "--pdf", pdf});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("abc"))) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(pdf));
    }
}

TEST(DanmereDirectPrint, FormOffsetFromTheSettingsMovesThePrint) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    ASSERT_EQ(demo.Danmere({"1"}).exitCode, 0);
    const QString first = demo.Path(QStringLiteral("pdf/") + PdfFiles(demo).value(0));
    const QString plain = demo.Path(QStringLiteral("plain.pdf"));
    ASSERT_TRUE(QFile::rename(first, plain));
    QDir(demo.Path(QStringLiteral("pdf"))).removeRecursively();

    QFile ini(demo.Path(QStringLiteral("Quorbex.ini")));
    ASSERT_TRUE(ini.open(QIODevice::Append));
    ini.write("OffsetX=-3\r\nOffsetY=7.5\r\n"); // the section the designer wrote last
    ini.close();
    ASSERT_EQ(demo.Danmere({"1"}).exitCode, 0);
    const QString moved = demo.Path(QStringLiteral("pdf/") + PdfFiles(demo).value(0));
    const QImage a = PdfPicture(plain), b = PdfPicture(moved);
    if (a.isNull() || b.isNull()) GTEST_SKIP() << "pdftoppm is not installed";
    const QRect inkA = InkBox(a), inkB = InkBox(b);
    EXPECT_NEAR(inkB.left() - inkA.left(), -3 / 25.4 * 72, 1.5);
    EXPECT_NEAR(inkB.top() - inkA.top(), 7.5 / 25.4 * 72, 1.5);
}

} // namespace
