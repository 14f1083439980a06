// The stored LOGFONT: byte layout, defaults, face names and the fonts made from it.
#include <QFontInfo>
#include <QFontMetrics>
#include <cstring>
#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "platform/logfont.h"

using namespace karvell;

namespace {

int32_t I32At(const QByteArray& b, int offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uchar(b[offset + i]);
    return int32_t(v);
}

} // namespace

TEST(LogFont, FieldsSitAtTheirOffsets) {
    LOGFONTA f;
    f.lfHeight = -0x01020304;
    f.lfWidth = 0x05060708;
    f.lfEscapement = 900;
    f.lfOrientation = -900;
    f.lfWeight = 700;
    f.lfItalic = 0x11;
    f.lfUnderline = 0x12;
    f.lfStrikeOut = 0x13;
    f.lfCharSet = 0x86;
    f.lfOutPrecision = 0x15;
    f.lfClipPrecision = 0x16;
    f.lfQuality = 0x17;
    f.lfPitchAndFamily = 0x18;
    std::memset(f.lfFaceName, 'x', sizeof(f.lfFaceName)); // all 32 bytes, no NUL
    const QByteArray b = LogFontToBytes(f);
    ASSERT_EQ(b.size(), 60);
    const struct {
        int offset;
        int32_t value;
    } ints[] = {{0, -0x01020304}, {4, 0x05060708}, {8, 900}, {12, -900}, {16, 700}};
    for (const auto& i : ints)
        EXPECT_EQ(I32At(b, i.offset), i.value) << i.offset;
    EXPECT_EQ(b.mid(0, 4), QByteArray("\xFC\xFC\xFD\xFE", 4)); // little-endian
    EXPECT_EQ(b.mid(20, 8), QByteArray("\x11\x12\x13\x86\x15\x16\x17\x18"));
    EXPECT_EQ(b.mid(28), QByteArray(32, 'x'));
    EXPECT_TRUE(LogFontFromBytes(b.constData()) == f);
    EXPECT_EQ(FaceName(f), QString(32, u'x'));
}

TEST(LogFont, DefaultCellFont) {
    const QByteArray b = LogFontToBytes(DefaultCellFont());
    QByteArray expected(60, '\0');
    expected.replace(0, 4, QByteArray("\xF0\xFF\xFF\xFF", 4)); // -16
    expected[23] = 1;                                          // DEFAULT_CHARSET
    expected.replace(28, 4, QByteArray("\xCB\xCE\xCC\xE5"));   // 宋体 in GBK
    EXPECT_EQ(b.toHex(' '), expected.toHex(' '));
}

TEST(LogFont, FaceNameIsCutAtACharacterBoundary) {
    LOGFONTA f = DefaultCellFont();
    const QString longFace = QString::fromUtf8("一二三四五六七八九十甲乙丙丁戊己庚辛壬癸");
    SetFaceName(f, longFace);
    EXPECT_EQ(FaceName(f), longFace.left(15)); // 30 bytes; a 16th character would need 32
    EXPECT_EQ(f.lfFaceName[30], 0);
    EXPECT_EQ(f.lfFaceName[31], 0);
    SetFaceName(f, QStringLiteral("Arial"));
    EXPECT_EQ(FaceName(f), QStringLiteral("Arial"));
    EXPECT_EQ(QByteArray(f.lfFaceName + 5, 27), QByteArray(27, '\0'));
}

TEST(LogFont, MapsToQFont) {
    LOGFONTA f = DefaultCellFont();
    QFont font = FontFromLogFont(f);
    EXPECT_EQ(font.pixelSize(), 16);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_FALSE(font.italic() || font.underline() || font.strikeOut());
    f.lfWeight = 700;
    f.lfItalic = f.lfUnderline = f.lfStrikeOut = 1;
    f.lfHeight = -30;
    font = FontFromLogFont(f);
    EXPECT_EQ(font.pixelSize(), 30);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_TRUE(font.italic() && font.underline() && font.strikeOut());
    f.lfWeight = 300;
    EXPECT_EQ(FontFromLogFont(f).weight(), QFont::Light);
}

TEST(LogFont, PositiveHeightIsTheCellHeight) {
    for (int h : {12, 16, 23, 40, 75}) {
        LOGFONTA f = DefaultCellFont();
        f.lfHeight = h;
        QFont font = FontFromLogFont(f);
        EXPECT_LE(QFontMetrics(font).height(), h) << h;
        font.setPixelSize(font.pixelSize() + 1);
        EXPECT_GT(QFontMetrics(font).height(), h) << h;
    }
}

TEST(LogFont, WindowsFacesResolveToInstalledFaces) {
    const struct {
        const char* face;
        const char* family;
    } cases[] = {
        {"宋体", "AR PL UMing CN"},         {"新宋体", "AR PL UMing CN"},
        {"SimSun", "AR PL UMing CN"},       {"楷体_GB2312", "AR PL UKai CN"},
        {"KaiTi", "AR PL UKai CN"},         {"黑体", "Noto Sans CJK SC"},
        {"SimHei", "Noto Sans CJK SC"},     {"No Such Face 42", "AR PL UMing CN"},
        {"AR PL UKai CN", "AR PL UKai CN"},
    };
    for (const auto& c : cases) {
        LOGFONTA f = DefaultCellFont();
        SetFaceName(f, QString::fromUtf8(c.face));
        EXPECT_EQ(QFontInfo(FontFromLogFont(f)).family(), QString::fromUtf8(c.family)) << c.face;
    }
    EXPECT_TRUE(WindowsFaceNames().contains(QString::fromUtf8("宋体")));
    // The substitution table also serves code that names a Windows face directly.
    EXPECT_TRUE(QFont::substitutes(QString::fromUtf8("楷体"))
                    .contains(QStringLiteral("AR PL UKai CN"), Qt::CaseInsensitive));
}

TEST(LogFont, FromQFontKeepsWindowsFaceOfTheSameFamily) {
    const LOGFONTA base = DefaultCellFont();
    QFont chosen(QStringLiteral("AR PL UMing CN"));
    chosen.setPointSize(9);
    chosen.setBold(true);
    chosen.setUnderline(true);
    LOGFONTA f = LogFontFromFont(chosen, base);
    EXPECT_EQ(f.lfHeight, -12);
    EXPECT_EQ(f.lfWeight, 700);
    EXPECT_EQ(f.lfUnderline, 1);
    EXPECT_EQ(f.lfItalic, 0);
    EXPECT_EQ(FaceName(f), QString::fromUtf8("宋体"));
    EXPECT_EQ(f.lfCharSet, base.lfCharSet);
    QFont kai(QStringLiteral("AR PL UKai CN"));
    kai.setPixelSize(20);
    f = LogFontFromFont(kai, base);
    EXPECT_EQ(f.lfHeight, -20);
    EXPECT_EQ(FaceName(f), QStringLiteral("AR PL UKai CN"));
}

TEST(LogFont, PointSizesAndTheFormattingBarsLogFont) {
    const struct {
        int lfHeight;
        int points;
    } sizes[] = {{-16, 12}, {16, 12}, {-21, 15}, {-12, 9}, {-96, 72}, {0, 0}, {-1, 0}};
    for (const auto& s : sizes) {
        LOGFONTA f;
        f.lfHeight = s.lfHeight;
        EXPECT_EQ(PointSizeOf(f), s.points) << s.lfHeight;
    }
    EXPECT_EQ(MulDiv(14, 96, 72), 19);
    EXPECT_EQ(MulDiv(-14, 96, 72), -19);
    EXPECT_EQ(MulDiv(9, 96, 72), 12);
    EXPECT_EQ(MulDiv(1, 2, 0), -1);

    const LOGFONTA bar = BarLogFont(QStringLiteral("黑体"), 14, true, true, false);
    EXPECT_EQ(bar.lfHeight, -19);
    EXPECT_EQ(bar.lfWidth, 0);
    EXPECT_EQ(bar.lfWeight, 700);
    EXPECT_EQ(bar.lfItalic, 1);
    EXPECT_EQ(bar.lfUnderline, 0);
    EXPECT_EQ(bar.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(FaceName(bar), QStringLiteral("黑体"));
    EXPECT_EQ(BarLogFont(QStringLiteral("宋体"), 9, false, false, true).lfWeight, 400);
}
