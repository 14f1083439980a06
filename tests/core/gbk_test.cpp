// The GBK codec completed to GB18030: round trips, four-byte codes, damaged bytes and byte
// rules.
#include <QList>
#include <QPair>
#include <QStringDecoder>
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

TEST(Gbk, CharactersOutsideGbkKeepTheirGb18030Codes) {
    // Expected bytes from the GB18030-2005 mapping tables (four-byte codes for the BMP by the
    // range table, beyond it by the linear formula).
    const QList<QPair<QString, QByteArray>> table = {
        {QString::fromUtf8("𠀀"), "95328236"},
        {QString::fromUtf8("䶮"), "fe9f"},
        {QString::fromUtf8("ሴ"), "8133bc34"},
        {QString::fromUtf8("ก"), "8132ce39"},
        {QString::fromUtf8("😀"), "9439fc36"},
        {QString(QChar(0x80)), "81308130"},
        {QString(QChar(0xFFFF)), "8431a439"},
        {QString::fromUcs4(U"\U0010FFFF", 1), "e3329a35"},
        {QString::fromUtf8("王𠀀䶮"), "cdf595328236fe9f"},
    };
    for (const auto& [text, hex] : table) {
        EXPECT_EQ(Gbk::Encode(text).toHex(), hex) << text.toStdString();
        EXPECT_EQ(Gbk::Decode(QByteArray::fromHex(hex)), text) << hex.constData();
    }
    EXPECT_EQ(Gbk::Encode(QString(QChar(0xD800))), QByteArray("?")); // lone surrogate
    // Four bytes that are no assigned code cost their lead byte, as damaged GBK does.
    EXPECT_EQ(Gbk::Decode(QByteArray::fromHex("8431a530")), QString::fromUtf8("\uFFFD1\uFFFD0"));
    EXPECT_EQ(Gbk::Decode(QByteArray::fromHex("e3329a36")), QString::fromUtf8("\uFFFD2\uFFFD6"));
}

TEST(Gbk, EveryCharacterGbkReadsReadsTheSame) {
    // Qt's own GBK converter as the independent reader: every pair it reads as one character
    // (private-use ones aside, which GB18030 gives real characters) reads the same here and
    // encodes back to the same bytes where that character has no other code.
    QStringDecoder gbk("GBK");
    ASSERT_TRUE(gbk.isValid());
    int compared = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char pair[2] = {char(lead), char(trail)};
            const QString expected = gbk.decode(QByteArrayView(pair, 2));
            gbk.resetState();
            if (expected.size() != 1 || expected[0].unicode() == 0xFFFD ||
                (expected[0].unicode() >= 0xE000 && expected[0].unicode() < 0xF900))
                continue;
            const QByteArray bytes(pair, 2);
            ASSERT_EQ(Gbk::Decode(bytes), expected) << bytes.toHex().constData();
            EXPECT_EQ(Gbk::Decode(Gbk::Encode(expected)), expected);
            ++compared;
        }
    }
    EXPECT_GT(compared, 21000);
}

TEST(Gbk, EveryCodeReadsBackAfterEncoding) {
    // Whatever a two- or four-byte code reads as is written so that it reads the same again.
    auto check = [](const QByteArray& bytes) {
        const QString text = Gbk::Decode(bytes);
        if (text.contains(QChar(0xFFFD))) return;
        EXPECT_EQ(Gbk::Decode(Gbk::Encode(text)), text) << bytes.toHex().constData();
    };
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            check(QByteArray{char(lead), char(trail)});
    for (int linear = 0; linear < 39420; ++linear) {
        const char bytes[4] = {char(0x81 + linear / 12600), char(0x30 + linear / 1260 % 10),
                               char(0x81 + linear / 10 % 126), char(0x30 + linear % 10)};
        check(QByteArray(bytes, 4));
    }
}

TEST(Gbk, EveryCharacterSurvivesEncoding) {
    // Every BMP character but the private-use ones GB18030 gives no code and the surrogates.
    int lost = 0;
    for (int c = 1; c < 0x10000; ++c) {
        if (QChar::isSurrogate(char32_t(c))) continue;
        const QString text{QChar(char16_t(c))};
        if (Gbk::Decode(Gbk::Encode(text)) != text) {
            EXPECT_TRUE(c >= 0xE000 && c < 0xF900) << std::hex << c;
            ++lost;
        }
    }
    EXPECT_LT(lost, 0xF900 - 0xE000);
    for (char32_t c : {0x10000U, 0x20000U, 0x2A6D6U, 0x1F600U, 0x10FFFFU}) {
        const QString text = QString::fromUcs4(&c, 1);
        EXPECT_EQ(Gbk::Encode(text).size(), 4);
        EXPECT_EQ(Gbk::Decode(Gbk::Encode(text)), text);
    }
}

TEST(Gbk, TruncatesAtCharacterBoundaries) {
    const QByteArray text = Gbk::Encode(QString::fromUtf8("a汉b字𠀀c"));
    ASSERT_EQ(text.size(), 11);
    const int expected[] = {0, 1, 1, 3, 4, 4, 6, 6, 6, 6, 10, 11, 11};
    for (int max = 0; max <= 12; ++max) {
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
