// The numbers a spreadsheet gets from produced cells, their number formats, and sheet names.
#include <gtest/gtest.h>

#include "output/xlsxnumbers.h"
#include "output/xlsxsink.h"
#include "platform/gbk.h"

using namespace karvell;

namespace {

QByteArray Gbk(const char* utf8) {
    return Gbk::Encode(QString::fromUtf8(utf8));
}

TEST(XlsxNumbers, DisplayFormatsBecomeSpreadsheetFormats) {
    const struct {
        const char* display;
        const char* excel;
    } cases[] = {
        {"0,.00", "#,##0.00"},
        {"0.00", "0.00"},
        {"#,##0.00", "#,##0.00"},
        {"0", "0"},
        {"0.00%", "0.00\"%\""}, // the page shows the value as it is, with a percent sign
        {"0.00E+00", "0.00E+00"},
        {"0.00;(0.00);\"-\"", "0.00;\"(\"0.00\")\";\"-\""},
        {"￥0,.00元", "\"￥\"#,##0.00\"元\""},
        {"0.00;", "0.00;-0.00"}, // an empty negative section is the positive one, signed
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExcelNumberFormat(QString::fromUtf8(c.display)), QString::fromUtf8(c.excel))
            << c.display;
}

TEST(XlsxNumbers, TextsReadBackOnlyWhenTheFormatGivesThemAgain) {
    const struct {
        const char* format;
        const char* text;
        bool number;
        double value;
        const char* excel;
    } cases[] = {
        {"0,.00", "1,234,567.80", true, 1234567.8, "#,##0.00"},
        {"0,.00", "-12.50", true, -12.5, "#,##0.00"},
        {"0.00;(0.00)", "(3.25)", true, -3.25, "0.00;\"(\"0.00\")\""},
        {"0.00E+00", "1.23E+05", true, 123000, "0.00E+00"},
        {"0.00%", "12.50%", true, 12.5, "0.00\"%\""},
        {"[金额线11]", "123456", true, 1234.56, "0.00"},
        {"[金额线11￥]", "-￥5000", true, -50, "0.00"},
        {"0,.00", "0087", false, 0, ""},   // a code in a text column
        {"0,.00", "1234.5", false, 0, ""}, // not what the format writes
        {"0.00", "张三", false, 0, ""},
        {"[金额线11]", "亿千百十万千百十元角分", false, 0, ""},
        {"[金额线11]", "###########", false, 0, ""}, // an overflow
        {"[大写]", "壹佰元整", false, 0, ""},
        {"", "123", true, 123, ""}, // a numeric column without a format: the general form
        {"", "-0.5", true, -0.5, ""},
        {"", "0087", false, 0, ""},                       // not the general form of a number
        {"", "2024033100000001", false, 0, ""},           // more digits than a spreadsheet keeps
        {"0,.00", "12,345,678,901,234.56", false, 0, ""}, // 16 digits
        {"0,.00", "1,234,567,890,123.45", true, 1234567890123.45, "#,##0.00"},
    };
    for (const auto& c : cases) {
        const auto n = NumberOfCell(QString::fromUtf8(c.text), Gbk(c.format));
        ASSERT_EQ(n.has_value(), c.number) << c.format << " " << c.text;
        if (!n) continue;
        EXPECT_DOUBLE_EQ(n->value, c.value) << c.text;
        EXPECT_EQ(n->format, QString::fromUtf8(c.excel)) << c.text;
    }
}

TEST(XlsxNumbers, SheetNamesFollowTheSpreadsheetRules) {
    const struct {
        const char* wanted;
        QStringList taken;
        const char* name;
    } cases[] = {
        {"记-0001", {}, "记-0001"},
        {"a[b]:c*d?e/f\\g", {}, "a_b__c_d_e_f_g"},
        {"记-0001", {"记-0001"}, "记-0001(2)"},
        {"ABC", {"abc", "ABC(2)"}, "ABC(3)"},
        {"", {}, "Sheet"},
        {"'quoted'", {}, "quoted"},
        {"0123456789012345678901234567890123", {}, "0123456789012345678901234567890"},
        {"0123456789012345678901234567890123",
         {"0123456789012345678901234567890"},
         "0123456789012345678901234567(2)"},
    };
    for (const auto& c : cases) {
        const QString name = TXlsxSink::SheetName(QString::fromUtf8(c.wanted), c.taken);
        EXPECT_EQ(name, QString::fromUtf8(c.name)) << c.wanted;
        EXPECT_LE(name.size(), 31);
    }
}

} // namespace
