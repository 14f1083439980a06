// CSV and JSON data sets on the command line: the demo voucher and a batch of the month print
// the same text from files that sqlite3 itself exported as from the database; a faulty file
// prints nothing and names the file, the line and the field.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include "demo_helpers.h"

using namespace apptest;

namespace {

// The rows of a query as the sqlite3 shell writes them ("csv" with a header line, or "json").
bool Export(const DemoDir& demo, const QString& mode, const QString& sql, const QString& file) {
    QProcess p;
    p.setStandardOutputFile(file);
    p.start(QStringLiteral("sqlite3"),
            {mode == QLatin1String("csv") ? QStringLiteral("-csv") : QStringLiteral("-json"),
             QStringLiteral("-header"), demo.Database(), sql});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QStringList Expand(const DemoDir& demo, const QString& master, const QString& detail,
                   const QString& pdf) {
    QStringList args = {QStringLiteral("expand"), demo.Template()};
    if (!master.contains(QLatin1Char(':')) || !detail.contains(QLatin1Char(':')))
        args << QStringLiteral("--db") << demo.Database();
    return args << QStringLiteral("--dataset") << QStringLiteral("主表=") + master
                << QStringLiteral("--dataset") << QStringLiteral("从表=") + detail
                << QStringLiteral("--add-space") << QStringLiteral("--pdf") << pdf;
}

const QString kMaster = QStringLiteral("select * from Quorbex_Main");
const QString kDetail = QStringLiteral("select * from Quorbex_Detail order by 序号");

TEST(FileDataSets, CsvAndJsonPrintTheVoucherAsSqliteDoes) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const ToolRun sql = demo.Karvell(Expand(demo, kMaster, kDetail, demo.Path("sql.pdf")));
    ASSERT_EQ(sql.exitCode, 0) << sql.err.toStdString();
    const QString expected = PdfText(demo.Path("sql.pdf"));
    ASSERT_TRUE(expected.contains(QStringLiteral("记-0087")));
    ASSERT_TRUE(expected.contains(QStringLiteral("提取现金")));

    for (const QString& mode : {QStringLiteral("csv"), QStringLiteral("json")}) {
        SCOPED_TRACE(mode.toStdString());
        const QString main = demo.Path(QStringLiteral("main.") + mode);
        const QString detail = demo.Path(QStringLiteral("detail.") + mode);
        ASSERT_TRUE(Export(demo, mode, kMaster, main));
        ASSERT_TRUE(Export(demo, mode, kDetail, detail));
        const QString pdf = demo.Path(mode + QStringLiteral(".pdf"));
        const ToolRun r = demo.Karvell(
            Expand(demo, mode + QLatin1Char(':') + main, mode + QLatin1Char(':') + detail, pdf));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(PdfText(pdf), expected);
    }
}

TEST(FileDataSets, BatchTakesMasterAndDetailFromFiles) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString master = QStringLiteral("select * from Month_Main where 凭证号 <= '记-0004' "
                                          "order by 凭证号");
    const QString detail = QStringLiteral("select * from Month_Detail where 凭证号 <= '记-0004' "
                                          "order by 凭证号, 序号");
    const auto batch = [&](const QString& m, const QString& d, const QString& pdf) {
        return demo.Karvell({QStringLiteral("batch"), demo.Template(), QStringLiteral("--db"),
                             demo.Database(), QStringLiteral("--master"), m,
                             QStringLiteral("--detail"), d, QStringLiteral("--key"),
                             QStringLiteral("凭证号"), QStringLiteral("--pdf"), pdf});
    };
    const ToolRun sql = batch(master, detail, demo.Path("sql.pdf"));
    ASSERT_EQ(sql.exitCode, 0) << sql.err.toStdString();
    const QString expected = PdfText(demo.Path("sql.pdf"));
    ASSERT_TRUE(expected.contains(QStringLiteral("记-0004")));

    ASSERT_TRUE(Export(demo, QStringLiteral("json"), master, demo.Path("m.json")));
    ASSERT_TRUE(Export(demo, QStringLiteral("csv"), detail, demo.Path("d.csv")));
    // No --db: both sides are files.
    const ToolRun r =
        demo.Karvell({QStringLiteral("batch"), demo.Template(), QStringLiteral("--master"),
                      QStringLiteral("json:") + demo.Path("m.json"), QStringLiteral("--detail"),
                      QStringLiteral("csv:") + demo.Path("d.csv"), QStringLiteral("--key"),
                      QStringLiteral("凭证号"), QStringLiteral("--pdf"), demo.Path("files.pdf")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(PdfText(demo.Path("files.pdf")), expected);
}

struct Faulty {
    const char* name;
    QByteArray detail; // the detail file (CSV), with the demo's master from the database
    const char* said;  // the message after "数据文件 FILE "
};

TEST(FileDataSets, AFaultyFilePrintsNothingAndSaysWhere) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const Faulty cases[] = {
        {"ragged", "序号,摘要,科目,借方金额,贷方金额\n1,a,b,1.00,\n2,a,b\n",
         "第 3 行：有 3 个字段，而第一行有 5 个字段名"},
        {"bad quote", "序号,摘要,科目,借方金额,贷方金额\n1,\"a\"b,c,1.00,\n",
         "第 2 行：第 2 个字段的结束引号后还有字符"},
        {"field missing", "序号,摘要,科目,借方金额\n1,a,b,1.00\n",
         "第 1 行：没有模板使用的字段 贷方金额（第一行的字段名中没有）"},
    };
    for (const Faulty& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = demo.Path("bad.csv");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.detail);
        f.close();
        const QString pdf = demo.Path("bad.pdf");
        const ToolRun r = demo.Karvell(Expand(demo, kMaster, QStringLiteral("csv:") + file, pdf));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(
            r.err.contains(QStringLiteral("数据文件 %1 %2").arg(file, QString::fromUtf8(c.said))))
            << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(pdf));
        EXPECT_TRUE(r.out.isEmpty());
    }
    // A data file is an input like the database: never written over.
    ASSERT_TRUE(Export(demo, QStringLiteral("csv"), kDetail, demo.Path("d.csv")));
    const ToolRun r = demo.Karvell(
        Expand(demo, kMaster, QStringLiteral("csv:") + demo.Path("d.csv"), demo.Path("d.csv")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("就是输入文件"))) << r.err.toStdString();
    QFile kept(demo.Path("d.csv"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readLine().startsWith("\"序号\""));
}

} // namespace
