// The demo voucher printed from the same rows stored under every declared type, through every
// SQLite path: always the same grand total and upper-case line. Data is printed as it stands
// (functions, rare characters), and values that cannot be printed stop the print.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "demo_helpers.h"

using namespace apptest;

namespace {

const QString kOdbc = QStringLiteral("Provider=MSDASQL.1;Data Source=acc_Quorbex");
const QString kGrandTotal = QStringLiteral("合计149894185149894185");
const QString kUpperCase = QStringLiteral("人民币壹佰肆拾玖万捌仟玖佰肆拾壹元捌角伍分");

// The text of a PDF as laid out, without blanks: digit columns read as one number.
QString LayoutText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput())
        .remove(QRegularExpression(QStringLiteral("\\s")));
}

QStringList ExpandArgs(const DemoDir& demo, const QString& db, const QString& pdf) {
    return {QStringLiteral("expand"),    demo.Template(),
            QStringLiteral("--db"),      db,
            QStringLiteral("--dataset"), QStringLiteral("主表=select * from Quorbex_Main"),
            QStringLiteral("--dataset"), QStringLiteral("从表=select * from Quorbex_Detail"),
            QStringLiteral("--pdf"),     pdf};
}

// The detail table rebuilt from a copy "t" of its rows by the given statements.
QStringList Rebuild(const QStringList& statements) {
    return QStringList{QStringLiteral("create table t as select * from Quorbex_Detail"),
                       QStringLiteral("drop table Quorbex_Detail")} +
           statements + QStringList{QStringLiteral("drop table t")};
}

QStringList PdfFiles(const DemoDir& demo) {
    QDir dir(demo.Path(QStringLiteral("pdf")));
    QStringList files;
    for (const QString& f : dir.entryList({"*.pdf"}, QDir::Files, QDir::Name))
        files << dir.filePath(f);
    return files;
}

TEST(ExactValues, EveryDeclaredTypeAndFirstRowPrintsTheSameTotals) {
    const QString columns = QStringLiteral("序号, 摘要, 科目, 借方金额, 贷方金额");
    const QString copy = QStringLiteral("insert into Quorbex_Detail select * from t");
    auto typed = [&](const QString& type) {
        return Rebuild({QStringLiteral("create table Quorbex_Detail(序号 integer, 摘要 text, 科目 "
                                       "text, 借方金额 %1, 贷方金额 %1)")
                            .arg(type),
                        copy});
    };
    struct Case {
        const char* name;
        QStringList sql;
        bool danmere; // also printed by the designer
    };
    const QList<Case> cases = {
        {"as made (numeric(18,2))", {}, false},
        {"no declared type",
         Rebuild({QStringLiteral("create table Quorbex_Detail(%1)").arg(columns), copy}), true},
        {"NUM from create table as select",
         Rebuild({QStringLiteral("create table Quorbex_Detail as select * from t")}), true},
        {"INTEGER holding fractions", typed(QStringLiteral("INTEGER")), true},
        {"BIGINT", typed(QStringLiteral("BIGINT")), false},
        {"DECIMAL", typed(QStringLiteral("DECIMAL")), false},
        {"dec(18,2)", typed(QStringLiteral("dec(18,2)")), false},
        {"REAL", typed(QStringLiteral("REAL")), false},
        // A computed column whose first row is null.
        {"computed, null first",
         Rebuild({QStringLiteral("create table d as select * from t"),
                  QStringLiteral("create view Quorbex_Detail as select 序号, 摘要, 科目, "
                                 "借方金额*1 as 借方金额, 贷方金额*1 as 贷方金额 from d "
                                 "order by 借方金额 is not null, 序号")}),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DemoDir demo;
        ASSERT_TRUE(demo.Ok());
        QString error;
        ASSERT_TRUE(demo.Sql(c.sql, &error)) << error.toStdString();
        for (const QString& db : {demo.Database(), kOdbc}) {
            SCOPED_TRACE(db.toStdString());
            const QString pdf = demo.Path(QStringLiteral("x.pdf"));
            QFile::remove(pdf);
            const ToolRun r = demo.Karvell(ExpandArgs(demo, db, pdf));
            ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
            const QString text = LayoutText(pdf);
            EXPECT_TRUE(text.contains(kGrandTotal)) << text.right(400).toStdString();
            EXPECT_TRUE(text.contains(kUpperCase));
        }
        if (!c.danmere) continue;
        const ToolRun r = demo.Danmere({"1"});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QStringList pdfs = PdfFiles(demo);
        ASSERT_EQ(pdfs.size(), 3);
        const QString last = LayoutText(pdfs.last());
        EXPECT_TRUE(last.contains(kGrandTotal)) << last.right(400).toStdString();
        EXPECT_TRUE(last.contains(kUpperCase));
    }
}

TEST(ExactValues, DataIsPrintedAsItStands) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    ASSERT_TRUE(demo.Sql({
        QStringLiteral("update Quorbex_Main set 单位名称 = '`PageNum/' || '华东䶮𠀀机械'"),
        QStringLiteral("update Quorbex_Detail set 摘要 = '`SumAll(3)' where 序号 = 1"),
        QStringLiteral("update Quorbex_Detail set 摘要 = '报销' || char(0) || '差旅费' "
                       "where 序号 = 2"),
    }));
    for (const QString& db : {demo.Database(), kOdbc}) {
        SCOPED_TRACE(db.toStdString());
        const QString pdf = demo.Path(QStringLiteral("x.pdf"));
        QFile::remove(pdf);
        const ToolRun r = demo.Karvell(ExpandArgs(demo, db, pdf));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QString text = PdfText(pdf);
        EXPECT_TRUE(text.contains(QStringLiteral("`PageNum/华东䶮")))
            << text.left(300).toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("`SumAll(3)")));
        // The SQLite ODBC driver ends a text at a NUL; read directly, the rest is printed.
        EXPECT_TRUE(
            text.contains(db == kOdbc ? QStringLiteral("报销") : QStringLiteral("报销差旅费")));
        EXPECT_TRUE(LayoutText(pdf).contains(kGrandTotal));
    }
    // The page keeps the rare character as its four-byte code (the fonts here may have no
    // glyph for it, so the PDF text cannot show it).
    const ToolRun json = demo.Karvell(
        {QStringLiteral("expand"), demo.Template(), QStringLiteral("--db"), demo.Database(),
         QStringLiteral("--dataset"), QStringLiteral("主表=select * from Quorbex_Main"),
         QStringLiteral("--dataset"), QStringLiteral("从表=select * from Quorbex_Detail"),
         QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_TRUE(json.out.contains(QStringLiteral("`PageNum/华东䶮𠀀机械")));
}

TEST(ExactValues, AGbkTemplateIsSavedByteForByte) {
    DemoDir demo;
    ASSERT_TRUE(demo.Ok());
    const QString copy = demo.Path(QStringLiteral("copy.edj"));
    const ToolRun r = demo.Karvell({QStringLiteral("convert"), demo.Template(), copy});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile a(demo.Template()), b(copy);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray original = a.readAll();
    EXPECT_GT(original.size(), 1000);
    EXPECT_EQ(b.readAll(), original);
}

} // namespace
