// The OFD parts' XML: numbers as the package has always written them, and markup that an
// XML reader gives back exactly, whatever a cell's text or a font's name holds.
#include <QXmlStreamReader>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <random>

#include "output/ofdxml.h"

namespace karvell {
namespace {

TEST(OfdXmlTest, NumbersHaveThreeDecimalsAndRoundHalfwayAwayFromZero) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {-0.0004, "0"}, // rounds to zero: no "-0"
        {2, "2"},
        {1.5, "1.5"},
        {0.125, "0.125"},
        {-12.3456, "-12.346"},
        {0.0625, "0.063"}, // exactly halfway: away from zero, not to even
        {-0.0625, "-0.063"},
        {1.0625, "1.063"},
        {0.3125, "0.313"},
        {0.1875, "0.188"},
        {0.0005, "0.001"}, // just above halfway in binary
        {210.0005, "210"}, // just below
        {1e15, "1000000000000000"},
        {std::numeric_limits<double>::quiet_NaN(), "0"},
        {std::numeric_limits<double>::infinity(), "0"},
    };
    for (const auto& c : cases) {
        QByteArray out = "x";
        AppendNum(out, c.value);
        EXPECT_EQ(out, QByteArray("x") + c.text) << c.value;
    }
}

// Numbers of every magnitude a page holds and beyond, against the C library's exact rounding
// (to even on the value's exact binary expansion), which the files follow but where a value
// is exactly halfway.
TEST(OfdXmlTest, NumbersAreTheExactlyRoundedThousandths) {
    std::mt19937_64 random(25);
    std::uniform_real_distribution<double> unit(-1, 1);
    int compared = 0;
    for (int i = 0; i < 300'000; ++i) {
        const double scale = std::pow(10.0, i % 16 - 3); // 0.001 to 1e12
        double v = unit(random) * scale;
        if (i % 3 == 0) v = std::round(v * 1000) / 1000 + (i % 2 ? 5e-4 : -5e-4); // near halfway
        if (std::fmod(v * 16, 2) != 0 && v * 16 == std::trunc(v * 16)) continue;  // exactly halfway
        char expected[400];
        std::snprintf(expected, sizeof expected, "%.3f", v);
        QByteArray e(expected);
        while (e.endsWith('0'))
            e.chop(1);
        if (e.endsWith('.')) e.chop(1);
        if (e == "-0") e = "0";
        QByteArray out;
        AppendNum(out, v);
        ASSERT_EQ(out, e) << std::hexfloat << v;
        ++compared;
    }
    EXPECT_GT(compared, 290'000);
}

TEST(OfdXmlTest, WritesElementsInTheNamespaceWithEmptyOnesClosedAtOnce) {
    OfdXml x("Page");
    x.Attr("ID", qint64(7));
    x.Start("Area");
    x.Nums("Box", {0, 0, 210, 297.5});
    x.End();
    x.Text("Empty", QString());
    x.Start("Open"); // ended by Finish
    EXPECT_EQ(x.Finish(),
              QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><ofd:Page )"
                         R"(xmlns:ofd="http://www.ofdspec.org/2016" ID="7">)"
                         R"(<ofd:Area Box="0 0 210 297.5"/><ofd:Empty></ofd:Empty><ofd:Open/>)"
                         "</ofd:Page>\n"));
}

TEST(OfdXmlTest, AReaderGetsTextsAndAttributesBackUnchanged) {
    const QString attribute = QStringLiteral("a&<>\"' b\tc\nd\re 宋体 𠀀");
    const QString text = QStringLiteral("1 < 2 & \"3\" > 0\t科目 𠀀");
    OfdXml x("Res");
    x.Start("Font");
    x.Attr("FontName", attribute);
    x.Characters(text);
    x.End();
    QXmlStreamReader reader(x.Finish());
    QString readAttribute, readText;
    while (reader.readNextStartElement()) {
        EXPECT_EQ(reader.namespaceUri(), QStringLiteral("http://www.ofdspec.org/2016"));
        if (reader.name() != QStringLiteral("Font")) continue;
        readAttribute = reader.attributes().value(QStringLiteral("FontName")).toString();
        readText = reader.readElementText();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(readAttribute, attribute);
    EXPECT_EQ(readText, text);
}

} // namespace
} // namespace karvell
