// The GBK codec: round trips, damaged bytes, unencodable characters and byte rules.
#include <gtest/gtest.h>

#include "platform/gbk.h"

using namespace karvell;

TEST(Gbk, RoundTripsChineseAndAscii) {
    const QString text = QString::fromUtf8("主表.金额 ABC，合计：１２３【摘要】€");
    const QByteArray bytes = Gbk::Encode(text);
    EXPECT_EQ(Gbk::Decode(bytes), text);
    EXPECT_EQ(Gbk::Encode(QString::fromUtf8("汉")), QByteArray("\xBA\xBA"));
    EXPECT_EQ(Gbk::Decode(QByteArray("\xCB\xCE\xCC\xE5")), QString::fromUtf8("宋体"));
}

TEST(Gbk, DamagedBytesBecomeReplacementCharacters) {
    struct Case {
        QByteArray bytes;
        QString expected;
    } cases[] = {
        {QByteArray("a\x81"), QStringLiteral("a\uFFFD")},      // lead byte at the end
        {QByteArray("\x81\x20z"), QStringLiteral("\uFFFD z")}, // trail byte out of range
        {QByteArray("\xBA\x7F\xBA\xBA"), QStringLiteral("\uFFFD\x7F\u6C49")},
        {QByteArray(), QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Gbk::Decode(c.bytes), c.expected) << c.bytes.toHex().constData();
}

TEST(Gbk, UnencodableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Gbk::Encode(QString::fromUtf8("a\u1234b")), QByteArray("a?b"));
    EXPECT_EQ(Gbk::Encode(QString::fromUtf8("x😀y")), QByteArray("x?y"));
    EXPECT_EQ(Gbk::Encode(QString(QChar(0xD800))), QByteArray("?")); // lone surrogate
}

TEST(Gbk, TruncatesAtCharacterBoundaries) {
    const QByteArray text = Gbk::Encode(QString::fromUtf8("a汉b字"));
    ASSERT_EQ(text.size(), 6);
    const int expected[] = {0, 1, 1, 3, 4, 4, 6, 6};
    for (int max = 0; max <= 7; ++max) {
        const QByteArray cut = Gbk::TruncateBytes(text, max);
        EXPECT_EQ(cut, text.left(expected[max])) << max;
        EXPECT_EQ(Gbk::Decode(cut).contains(QChar(0xFFFD)), false);
    }
}

TEST(Gbk, UpperIsByteWise) {
    // "\x81\x61" is one double-byte character whose second byte is 'a': it is upper-cased too,
    // byte by byte, while the other bytes of double-byte characters stay as they are.
    EXPECT_EQ(Gbk::Upper(QByteArray("ab\xBA\xBA"
                                    "cZ\x81\x61")),
              QByteArray("AB\xBA\xBA"
                         "CZ\x81\x41"));
    EXPECT_EQ(Gbk::Upper(QByteArray("\xE0\xFA{`")), QByteArray("\xE0\xFA{`"));
}

TEST(Gbk, LeadBytes) {
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(Gbk::IsLeadByte(uchar(b)), b >= 0x81 && b <= 0xFE) << b;
}

TEST(Gbk, ExtractBracketTextTakesTheBytesBetweenTheFirstBrackets) {
    const QByteArray open = Gbk::Encode(QStringLiteral("「")),
                     close = Gbk::Encode(QStringLiteral("」"));
    const struct {
        const char* text;
        const char* inside;
    } cases[] = {
        {"「日期」", "日期"},
        {"「会计科目信息（含核算项目）」", "会计科目信息（含核算项目）"},
        {"前「甲」中「乙」", "甲"},
        {"「」", ""},
        {"」反「", ""},
        {"没有括号", ""},
        {"「只开", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Gbk::Decode(
                      Gbk::ExtractBracketText(Gbk::Encode(QString::fromUtf8(c.text)), open, close)),
                  QString::fromUtf8(c.inside))
            << c.text;
}
