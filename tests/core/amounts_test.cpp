// Amounts on vouchers: exact decimal formatting and totals, the upper-case amount formats, the
// digit-column formats, the carried totals `SumPrev and `SumCarry, numbers that do not fit
// their cell, and values that are not numbers.
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "format/amountformat.h"
#include "format/dispformat.h"
#include "platform/messages.h"
#include "runtime_helpers.h"

using namespace karvell;
using namespace rtest;

namespace {

QString Fmt(const QString& format, double value, bool* overflow = nullptr) {
    return FormatFloat(G(format), value, overflow);
}

TEST(Amounts, UpperCaseFollowsTheBankRules) {
    const QList<std::pair<double, QString>> cases = {
        {16409.02, QStringLiteral("壹万陆仟肆佰零玖元零贰分")},
        {325.04, QStringLiteral("叁佰贰拾伍元零肆分")},
        {1409.50, QStringLiteral("壹仟肆佰零玖元伍角")},
        {6007.14, QStringLiteral("陆仟零柒元壹角肆分")},
        {532.00, QStringLiteral("伍佰叁拾贰元整")},
        {107000.53, QStringLiteral("壹拾万零柒仟元伍角叁分")},
        {0, QStringLiteral("零元整")},
        {0.05, QStringLiteral("伍分")},
        {10.00, QStringLiteral("壹拾元整")},
        {100000000.00, QStringLiteral("壹亿元整")},
        {100010000.00, QStringLiteral("壹亿零壹万元整")},
        {1000000.10, QStringLiteral("壹佰万元壹角")},
        {20.30, QStringLiteral("贰拾元叁角")},
        {0.29, QStringLiteral("贰角玖分")},
        {0.58, QStringLiteral("伍角捌分")},
        {1.15, QStringLiteral("壹元壹角伍分")},
        {4.35, QStringLiteral("肆元叁角伍分")},
        {1.005, QStringLiteral("壹元零壹分")},
        {200001000.00, QStringLiteral("贰亿零壹仟元整")},
        {999999999999.99,
         QStringLiteral("玖仟玖佰玖拾玖亿玖仟玖佰玖拾玖万玖仟玖佰玖拾玖元玖角玖分")},
        {-3025.6, QStringLiteral("负叁仟零贰拾伍元陆角")},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(Fmt(QStringLiteral("[大写]"), value), text) << value;

    EXPECT_EQ(Fmt(QStringLiteral("[大写角整]"), 1409.50), QStringLiteral("壹仟肆佰零玖元伍角整"));
    EXPECT_EQ(Fmt(QStringLiteral("[大写角整]"), 0.05), QStringLiteral("伍分"));
    EXPECT_EQ(Fmt(QStringLiteral("[人民币大写]"), -532), QStringLiteral("人民币负伍佰叁拾贰元整"));
    // Beyond 9999亿 there are no units: digits in the general form.
    EXPECT_EQ(Fmt(QStringLiteral("[大写]"), 1234567890123.45), QStringLiteral("1234567890123.45"));
    // Only the exact strings are the new formats.
    EXPECT_EQ(Fmt(QStringLiteral("[大写]0"), 5), QStringLiteral("[大写]5"));
}

TEST(Amounts, DigitTotalAndUpperCaseAgreeToTheCent) {
    // The cents come from the decimal the user entered, not from the binary value (0.29 is
    // 0.28999… as a double, 1.005 is 1.00499…).
    const QList<std::pair<double, QString>> cases = {
        {0.29, "0.29"}, {0.58, "0.58"}, {1.15, "1.15"}, {4.35, "4.35"}, {1.005, "1.01"}};
    for (const auto& [value, digits] : cases) {
        EXPECT_EQ(Fmt(QStringLiteral("0.00"), value), digits);
        EXPECT_EQ(Fmt(QStringLiteral("[金额线11]"), value),
                  QString(digits).remove(u'.').remove(QRegularExpression("^0+")));
    }
}

TEST(Amounts, LargeAmountsKeepTheirCents) {
    EXPECT_EQ(Fmt(QStringLiteral("0,.00"), 12345678901234.56),
              QStringLiteral("12,345,678,901,234.56"));
    EXPECT_EQ(Fmt(QStringLiteral("0,.00"), 9999999999999.99),
              QStringLiteral("9,999,999,999,999.99"));
    // Sums are exact: no binary noise reaches the rounding.
    Total sum;
    sum.Add(12345678901234.50);
    sum.Add(0.06);
    EXPECT_EQ(FormatDecimal(G("0,.00"), sum.Value()), QStringLiteral("12,345,678,901,234.56"));
    // Values beyond whole cents stay exact as well: 1.005 + 0.29 is 1.295, shown as 1.30.
    Total mixed;
    mixed.Add(1.005);
    mixed.Add(0.29);
    EXPECT_EQ(FormatDecimal(G("0.000"), mixed.Value()), QStringLiteral("1.295"));
    EXPECT_EQ(FormatDecimal(G("0.00"), mixed.Value()), QStringLiteral("1.30"));
    mixed.Add(1.295, -1);
    EXPECT_TRUE(mixed.IsZero());
    Total tenths;
    for (int i = 0; i < 10; ++i)
        tenths.Add(0.1);
    tenths.Add(1, -1);
    EXPECT_TRUE(tenths.IsZero());
}

TEST(Amounts, DigitColumnTexts) {
    struct Case {
        QString format;
        double value;
        QString text;
        bool overflow;
    };
    const QList<Case> cases = {
        {"[金额线11]", 0, "", false},
        {"[金额线11]", 0.05, "5", false},
        {"[金额线11]", 1234567.89, "123456789", false},
        {"[金额线11￥]", 1234567.89, QStringLiteral("￥123456789"), false},
        {"[金额线11]", -12.3, "-1230", false},
        {"[金额线11]", 1234567890.12, "123456789012", true},
        {"[金额线3]", 1.23, "123", false},
        {"[金额线2]", 1, "100", true},
        {"[金额线17]", 1, "100", true},
    };
    for (const Case& c : cases) {
        bool overflow = !c.overflow;
        EXPECT_EQ(Fmt(c.format, c.value, &overflow), c.text) << c.format.toStdString() << c.value;
        EXPECT_EQ(overflow, c.overflow) << c.format.toStdString() << c.value;
    }
    const AmountFormat f = ParseAmountFormat(G(QStringLiteral("[金额线13￥]")));
    EXPECT_TRUE(f.ValidColumns());
    EXPECT_EQ(f.columns, 13);
    EXPECT_TRUE(f.yuanSign);
    EXPECT_EQ(ParseAmountFormat(G("0,.00")).style, AmountStyle::None);
    EXPECT_EQ(ExtraFunctions(), (QList<QString>{"SumPrev()", "SumCarry()"}));
    EXPECT_TRUE(ExtraDisplayFormats().contains(QStringLiteral("[金额线11￥]")));
}

// Three pages of ten records each: a 承前页 line in the header, a 过次页 line and the page
// total in the page footer, the grand total in the last footer.
struct CarriedRun {
    QTemporaryDir dir;
    std::unique_ptr<TDataSet> ds;
    TReportRunTime rt;
    QList<double> amounts;
    explicit CarriedRun(int records) {
        TemplateBuilder b;
        b.pageHeight = 50 + 20 + 200 + 40 + 50;
        b.Line({{QStringLiteral("承前页"), 100}, {"`SumPrev(2)", 200, "0.00"}})
            .Line({{"#D.n", 100}, {"#D.a", 200, "0.00"}})
            .Line({{QStringLiteral("过次页"), 100}, {"`SumCarry(2)", 200, "0.00"}})
            .Line({{QStringLiteral("本页"), 100}, {"`SumPage(2)", 200, "0.00"}})
            .Line({{QStringLiteral("合计"), 100}, {"`SumAll(2)", 200, "[大写]"}});
        QVector<QVector<QVariant>> rows;
        for (int i = 0; i < records; ++i) {
            amounts << (i * 37 % 101) + 0.01 * (i * 13 % 100);
            rows.append({i + 1, amounts.last()});
        }
        ds = MakeDataSet("D", {{"n", FieldKind::Numeric}, {"a", FieldKind::Numeric}}, rows);
        rt.SetReportFile(b.Save(dir));
        rt.SetDataSet("D", ds.get());
    }
    QString Sum(int from, int to) const { // records [from, to)
        qint64 cents = 0;
        for (int i = from; i < to; ++i)
            cents += std::llround(amounts[i] * 100);
        return QString::asprintf("%lld.%02lld", cents / 100, cents % 100);
    }
};

TEST(Amounts, CarriedTotalsOverThreePages) {
    CarriedRun run(25);
    ScriptedMessages messages;
    const int count = run.rt.BuildPages(false, 0);
    ASSERT_EQ(count, 3);
    run.rt.BuildPages(true, count);
    const std::vector<Page> pages = ReadPages(run.rt);
    ASSERT_EQ(pages.size(), 3u);
    const int perPage = 10;
    for (int p = 0; p < 3; ++p) {
        const Page& page = pages[p];
        const int first = p * perPage, end = std::min(25, first + perPage);
        const QString prev = p == 0 ? QString() : run.Sum(0, first);
        EXPECT_EQ(page.LineText(0), QStringLiteral("承前页|") + prev) << p;
        const int footer = page.FooterLineIndex();
        EXPECT_EQ(footer, 1 + end - first);
        const QString carry = p == 2 ? QString() : run.Sum(0, end);
        // The 过次页 line stays in the page footer; on the last page nothing is carried.
        EXPECT_EQ(page.LineText(footer), QStringLiteral("过次页|") + carry) << p;
        EXPECT_EQ(page.LineText(footer + 1), QStringLiteral("本页|") + run.Sum(first, end)) << p;
    }
    EXPECT_EQ(pages[0].LineCount(), 1 + 10 + 2);
    EXPECT_EQ(pages[2].LineCount(), 1 + 5 + 3);
    EXPECT_TRUE(pages[2].LineText(pages[2].LineCount() - 1).startsWith(QStringLiteral("合计|")));
    EXPECT_TRUE(run.rt.Outcome.Notes.isEmpty());
}

TEST(Amounts, CarriedTotalsHaveTheirOwnMessages) {
    TReportRunTime rt;
    ScriptedMessages messages;
    TReportCell cell;
    for (const char* text : {"`SumPrev(2+)", "`SumCarry()", "`SumPrev(0)"}) {
        cell.CellText = text;
        EXPECT_EQ(rt.PageText(&cell, 1, 1), QByteArray()) << text;
    }
    EXPECT_EQ(rt.Outcome.Notes,
              QStringList({QStringLiteral("统计时发生错误，请检查`SumPrev()设置是否正确"),
                           QStringLiteral("统计时发生错误，请检查`SumCarry()设置是否正确"),
                           QStringLiteral("模板中`SumPrev()括号内参数不应为零")}));
}

// A detail line with a narrow amount cell and its total.
struct NarrowRun {
    QTemporaryDir dir;
    std::unique_ptr<TDataSet> ds;
    TReportRunTime rt;
    QStringList warnings;
    NarrowRun(const QString& format, const QVector<QVector<QVariant>>& rows) {
        TemplateBuilder b;
        b.Line({{"#D.a", 60, format}}).Line({{"`SumAll(1)", 60, format}});
        ds = MakeDataSet("D", {{"a", FieldKind::Numeric}}, rows);
        rt.SetReportFile(b.Save(dir));
        rt.SetDataSet("D", ds.get());
        rt.OnWarning = [this](const QString& w) { warnings << w; };
    }
};

TEST(Amounts, NumbersThatDoNotFitShowHashesAcrossTheCell) {
    NarrowRun run(QStringLiteral("0,.00"), {{5007274000.00}, {14.34}});
    const int count = run.rt.BuildPages(false, 0);
    EXPECT_TRUE(run.warnings.isEmpty()) << "the count pass says nothing";
    run.rt.BuildPages(true, count);
    const std::vector<Page> pages = ReadPages(run.rt);
    ASSERT_EQ(pages.size(), 1u);
    const QString big = pages[0].LineText(0), small = pages[0].LineText(1),
                  total = pages[0].LineText(2);
    EXPECT_EQ(small, QStringLiteral("14.34"));
    for (const QString& cut : {big, total}) {
        EXPECT_FALSE(cut.isEmpty());
        EXPECT_EQ(cut, QString(cut.size(), u'#')) << cut.toStdString();
    }
    ASSERT_EQ(run.warnings.size(), 2);
    EXPECT_TRUE(run.warnings[1].contains(QStringLiteral("5,007,274,014.34")));
}

TEST(Amounts, DigitColumnsOverflowToHashesInEveryColumn) {
    NarrowRun run(QStringLiteral("[金额线5]"), {{123.45}, {1000}});
    run.rt.BuildPages(true, run.rt.BuildPages(false, 0));
    const std::vector<Page> pages = ReadPages(run.rt);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].LineText(0), QStringLiteral("12345"));
    EXPECT_EQ(pages[0].LineText(1), QStringLiteral("#####"));
    EXPECT_EQ(pages[0].LineText(2), QStringLiteral("#####"));
    // The page keeps the digit-column format, which the painter reads; other formats stay out.
    EXPECT_EQ(U(pages[0].data->lines[0]->Cells[0]->CellDispFormat), QStringLiteral("[金额线5]"));
}

TEST(Amounts, NotANumberStopsTheRun) {
    // NaN and infinities from a database are no amounts: neither shown ("NAN") nor totalled.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const QString& format : {QString(), QStringLiteral("0.00")}) {
        for (const double bad : {nan, inf, -inf}) {
            NarrowRun run(format, {{1.0}, {bad}});
            ScriptedMessages messages;
            try {
                run.rt.BuildPages(false, 0);
                ADD_FAILURE() << "accepted " << bad;
            } catch (const KarvellError& e) {
                EXPECT_TRUE(e.message().contains(QStringLiteral("第 2 条记录")))
                    << e.message().toStdString();
            }
        }
    }
}

} // namespace
