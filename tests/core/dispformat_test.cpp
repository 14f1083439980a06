#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "format/dispformat.h"

using karvell::FormatFloat;

namespace {

struct FormatCase {
    const char* format; // GBK bytes
    double value;
    const char* expected; // UTF-8
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << '"' << c.format << "\" on " << c.value;
}

class FormatFloatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatFloatTest, Formats) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(FormatFloat(QByteArray(c.format), c.value).toStdString(), std::string(c.expected));
}

const FormatCase kCases[] = {
    // The formats the template editor offers.
    {"0,.00", 1000000.25, "1,000,000.25"},
    {"0,.000", -1234.5, "-1,234.500"},
    {"0,.0000", 1234567.891, "1,234,567.8910"},
    {"0.0", 0.05, "0.1"},
    {"0", 2.5, "3"},
    {"0", -2.5, "-3"},
    {"0", 0.4, "0"},
    {"0", -0.4, "0"}, // rounds to zero: no sign
    {"0", 1e20, "100000000000000000000"},
    // Half away from zero on decimal values, whatever their binary form.
    {"0.00", 12.125, "12.13"},
    {"0.00", 2.675, "2.68"},
    {"0.00", 1.005, "1.01"},
    {"0.00", -1.005, "-1.01"},
    {"0.00", 0.1 + 0.2, "0.30"},
    {"0.00", 30, "30.00"},
    {"0.00", 0, "0.00"},
    {"0.00", 9.995, "10.00"},
    // Three sections; a value rounding to zero takes the zero section.
    {"#,##0.00;(#,##0.00);\xc1\xe3", 1234.5, "1,234.50"},
    {"#,##0.00;(#,##0.00);\xc1\xe3", -1234.5, "(1,234.50)"},
    {"#,##0.00;(#,##0.00);\xc1\xe3", 0, "零"},
    {"#,##0.00;(#,##0.00);\xc1\xe3", -0.001, "零"},
    {"#,##0.00;(#,##0.00)", 0, "0.00"},
    {"0.00;;\xc1\xe3", -5, "-5.00"}, // empty negative section: positive with a minus
    {"0.00;(0.00);", 0, "0.00"},     // empty zero section: positive section
    {";(0)", -5, "(5)"},
    {";(0)", 5.5, "5.5"}, // empty positive section: general form
    // Optional digits.
    {"#", 0, ""},
    {"#", 5, "5"},
    {"#.##", 0.5, ".5"},
    {"#,###", 1234567, "1,234,567"},
    {"0.##", 1, "1"},
    {"0.##", 1.5, "1.5"},
    {"0.0#", 1, "1.0"},
    {"0.0#", 1.25, "1.25"},
    {"000", 7, "007"},
    {".00", 12.5, "12.50"},
    // Scientific notation.
    {"0.00E+00", 12345, "1.23E+04"},
    {"0.00E+00", -12345, "-1.23E+04"},
    {"0.00E+00", 0.000123, "1.23E-04"},
    {"0.00E+00", 9.999, "1.00E+01"},
    {"0.00E+00", 0, "0.00E+00"},
    {"0.0e-0", 12345, "1.2e4"},
    {"0.0e-0", 0.00123, "1.2e-3"},
    {"00.0E+0", 12345, "12.3E+3"},
    {"0E", 5, "5E"}, // "E" without sign and digits is text
    // Literal text keeps its place among the digits.
    {"0.00\"\xd4\xaa\"", 5, "5.00元"},
    {"'$'0.00", -5, "-$5.00"},
    {"\"a;b\"0", 5, "a;b5"},
    {"0-0", 5, "0-5"},
    {"0-0", 123, "12-3"},
    {"\xa3\xa4"
     "0.00",
     1.5, "￥1.50"},
    // General form.
    {"", 1000000.25, "1000000.25"},
    {"", 0.1, "0.1"},
    {"", 1.0 / 3, "0.333333333333333"},
    {"", 1e20, "1E20"},
    {"", -1.5e-7, "-1.5E-7"},
    {"", 0.0001, "0.0001"},
    {"", 123456789012345.0, "123456789012345"},
    {"", -0.0, "0"},
    {"", 30, "30"},
};

INSTANTIATE_TEST_SUITE_P(Cases, FormatFloatTest, ::testing::ValuesIn(kCases));

TEST(FormatFloat, NonFiniteValuesUseTheGeneralForm) {
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FormatFloat("0.00", -std::numeric_limits<double>::infinity()), "-INF");
}

TEST(FormatFloat, ManyFormatsStayCorrectPastTheCache) {
    // More distinct formats than the cache holds, then the first ones again.
    for (int round = 0; round < 2; ++round)
        for (int decimals = 0; decimals < 300; ++decimals) {
            const QByteArray format = "0." + QByteArray(decimals, '0');
            const QString text = FormatFloat(format, 1.5);
            ASSERT_EQ(text.size(), decimals == 0 ? 1 : 2 + decimals) << format.constData();
            ASSERT_TRUE(text.startsWith(decimals == 0 ? "2" : "1.5"));
        }
}

} // namespace
