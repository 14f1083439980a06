// Report functions: page numbers, page and running totals with their column lists, date, time
// and variables.
#include <QDate>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/messages.h"
#include "runtime_helpers.h"

using namespace karvell;
using namespace rtest;

namespace {

const QString kMalformed = QStringLiteral("统计时发生错误，请检查`Sumpage()设置是否正确");
const QString kZero = QStringLiteral("模板中`Sumpage()括号内参数不应为零");

QString PageTextOf(TReportRunTime& rt, const QString& text, int page, int count,
                   const QString& format = QString()) {
    TReportCell cell;
    cell.CellText = G(text);
    cell.CellDispFormat = G(format);
    return U(rt.PageText(&cell, page, count));
}

TEST(RuntimeFunctions, PageNumbers) {
    TReportRunTime rt;
    const QList<std::pair<QString, QString>> cases = {
        {"`PageNum", QStringLiteral("第 2 页")},
        {"`PageNum/", QStringLiteral("第 2/5 页")},
        {"`pagenum-", QStringLiteral("第 5-2 页")},
        {"`PageNum ", "`PageNum "}, // only the whole text is a function
        {"`PageNumX", "`PageNumX"},
        {"`SumX(3)", "`SumX(3)"},
        {QStringLiteral("页码"), QStringLiteral("页码")},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(PageTextOf(rt, text, 2, 5), expected) << text.toStdString();
}

struct SumCase {
    QString text;
    QString format;
    QString result;
    QStringList messages;
};

TEST(RuntimeFunctions, PageTotalsFollowTheColumnList) {
    // Column 3 holds 10 + 20, column 4 holds 1 + 2.
    TReportRunTime rt;
    rt.PageTotals[2] = 30;
    rt.PageTotals[3] = 3;
    rt.PageTotals[40] = 7;
    const QList<SumCase> cases = {
        {"`SumPage(3)", "", "30", {}},
        {"`SumPage(3+4)", "", "33", {}},
        {"`SumPage(3-4)", "", "27", {}},
        {"`SumPage(3-4+4)", "", "30", {}},
        {"`SumPage(3)", "0.00", "30.00", {}},
        {QStringLiteral("`SumPage(3)元"), "", "30", {}},
        {"`sumpage( 3+ 4)", "", "33", {}},
        {"`SumPage(41)", "", "7", {}},
        {"`SumPage(42)", "0.00", "", {}},
        {"`SumPage(4-4)", "0.00", "", {}},
        {"`SumPage(1)", "0.00", "", {}},
        {"`SumPage(0)", "", "", {kZero}},
        {"`SumPage(0+3)", "", "30", {kZero}},
        {"`SumPage(3-0)", "", "30", {kZero}},
        {"`SumPage()", "", "", {kMalformed}},
        {"`SumPage(3+)", "", "", {kMalformed}},
        {"`SumPage(3++4)", "", "", {kMalformed}},
        {"`SumPage(+3)", "", "", {kMalformed}},
        {"`SumPage(3 )", "", "", {kMalformed}},
        {"`SumPage(a)", "", "", {kMalformed}},
        {"`SumPage(0+x)", "", "", {kZero, kMalformed}},
        {"`SumPage(99999999999)", "", "", {kMalformed}},
        {"`SumPage(3", "", "", {kMalformed}},
    };
    for (const SumCase& c : cases) {
        rt.Outcome.Notes.clear();
        EXPECT_EQ(PageTextOf(rt, c.text, 1, 1, c.format), c.result) << c.text.toStdString();
        EXPECT_EQ(rt.Outcome.Notes, c.messages) << c.text.toStdString();
    }
}

TEST(RuntimeFunctions, RunningTotalsUseTheirOwnTableAndMessages) {
    TReportRunTime rt;
    rt.PageTotals[0] = 1;
    rt.RunningTotals[0] = 100;
    EXPECT_EQ(PageTextOf(rt, "`sumall(1)", 1, 1), "100");
    EXPECT_EQ(PageTextOf(rt, "`SumAll(1+0", 1, 1), "");
    EXPECT_EQ(PageTextOf(rt, "`SumAll(0)", 1, 1), "");
    EXPECT_EQ(rt.Outcome.Notes,
              QStringList({QStringLiteral("统计时发生错误，请检查`SumAll()设置是否正确"),
                           QStringLiteral("模板中`SumAll()括号内参数不应为零")}));
}

TEST(RuntimeFunctions, TotalsOfAPageFromARun) {
    // Amounts 10, 20 in column 3 and 1, 2 in column 4 on one page.
    QTemporaryDir dir;
    TemplateBuilder b;
    b.Line({{"a"}, {"b"}, {"#D.x"}, {"#D.y"}})
        .Line({{"`SumPage(3)", 90},
               {"`SumPage(3+4)", 90},
               {"`SumPage(3-4)", 90},
               {"`SumPage(3-4+4)", 90, "0.00"}});
    auto ds = MakeDataSet("D", {{"x", FieldKind::Numeric}, {"y", FieldKind::Numeric}},
                          {{10, 1}, {20, 2}, {QVariant(), QStringLiteral("备注")}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet("D", ds.get());
    EXPECT_EQ(rt.BuildPages(false, 0), 0); // y "备注" is not a number: the run stops
    ASSERT_EQ(rt.Outcome.Notes.size(), 1);

    auto clean = MakeDataSet("D", {{"x", FieldKind::Numeric}, {"y", FieldKind::Numeric}},
                             {{10, 1}, {20, 2}, {QVariant(), QVariant()}});
    rt.SetDataSet("D", clean.get());
    EXPECT_EQ(rt.BuildPages(true, 1), 0);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    const Page page = ReadPage(rt.PageStreams[0]);
    EXPECT_EQ(page.LineText(page.FooterLineIndex()), "30|33|27|30.00");
}

TEST(RuntimeFunctions, DateTimeAndVariables) {
    TReportRunTime rt;
    SetShortDateFormat(QStringLiteral("yyyy/M/d"));
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    EXPECT_EQ(U(rt.EvalFunction("`Date")), today);
    EXPECT_EQ(ShortDateFormat(), QStringLiteral("yyyy-MM-dd"));
    const QRegularExpression time(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    EXPECT_TRUE(time.match(U(rt.EvalFunction("`TIME"))).hasMatch());
    const QString dateTime = U(rt.EvalFunction("`datetime"));
    EXPECT_TRUE(dateTime.startsWith(today + u' ')) << dateTime.toStdString();
    EXPECT_TRUE(time.match(dateTime.mid(11)).hasMatch());

    EXPECT_EQ(rt.EvalFunction("`Title"), QByteArray());
    rt.SetVarValue("Title", G(QStringLiteral("月报")));
    EXPECT_EQ(U(rt.EvalFunction("`Title")), QStringLiteral("月报"));
    EXPECT_EQ(U(rt.EvalFunction("`TITLE")), QStringLiteral("月报"));
    rt.SetVarValue("date", "D");
    EXPECT_EQ(rt.EvalFunction("`Date"), "D"); // a variable replaces the date
    EXPECT_EQ(rt.EvalFunction("Title"), QByteArray());
    EXPECT_EQ(rt.EvalFunction("`"), QByteArray());
}

TEST(RuntimeFunctions, FillTimeFunctionsAndDateFields) {
    // `Date in the header sets the short date format, so the date field below shows it.
    QTemporaryDir dir;
    TemplateBuilder b;
    b.Line({{"`Date", 100}}).Line({{"@M.d", 100}}).Line({{"`Title", 100}});
    b.Line({{"`PageNum-", 100}});
    auto ds = MakeDataSet("M", {{"d", FieldKind::Other}}, {{QDate(2024, 3, 5)}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    rt.SetDataSet("M", ds.get());
    rt.SetVarValue("title", G(QStringLiteral("月报")));
    SetShortDateFormat(QStringLiteral("yyyy/M/d"));
    rt.BuildPages(true, 3);
    ASSERT_EQ(rt.PageStreams.size(), 1);
    EXPECT_EQ(ReadPage(rt.PageStreams[0]).AllLines(),
              QStringList({QDate::currentDate().toString("yyyy-MM-dd"), "2024-03-05",
                           QStringLiteral("月报"), QStringLiteral("第 3-1 页")}));
}

} // namespace
