// Line breaking, heights, alignment and drawing of the DrawText stand-in.
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "platform/gbk.h"
#include "platform/logfont.h"
#include "platform/textlayout.h"

using namespace karvell;

namespace {

QByteArray G(const char* utf8) {
    return Gbk::Encode(QString::fromUtf8(utf8));
}

// Width of a text as the sum of its characters' advances in the default cell font.
int W(const char* utf8) {
    const QFontMetrics fm(FontFromLogFont(DefaultCellFont()));
    int w = 0;
    for (QChar c : QString::fromUtf8(utf8))
        w += fm.horizontalAdvance(c);
    return w;
}

QString Joined(const TextLayoutResult& r) {
    QStringList parts;
    for (const TextLine& l : r.lines)
        parts << l.text;
    return parts.join(u'|');
}

struct BreakCase {
    const char* name;
    const char* text;
    int width;
    const char* expected; // lines joined by '|'
    int lines;
};

} // namespace

TEST(TextLayout, BreaksLines) {
    const BreakCase cases[] = {
        {"crlf", "ab\r\ncd", 1000, "ab|cd", 2},
        {"lone lf", "ab\ncd", 1000, "ab|cd", 2},
        {"trailing crlf not counted", "ab\r\n", 1000, "ab", 1},
        {"only crlf", "\r\n", 1000, "", 1},
        {"empty paragraph kept", "ab\r\n\r\ncd", 1000, "ab||cd", 3},
        {"wrap at blank", "aaa bbb ccc", W("aaa bbb"), "aaa bbb|ccc", 2},
        {"blanks at break dropped", "aaa    bbb", W("aaa"), "aaa|bbb", 2},
        {"blank run wider than the line", "aa          bb", W("aa b"), "aa|bb", 2},
        {"leading blanks of paragraph kept", "  aa bb", W("  aa b"), "  aa|bb", 2},
        {"chinese between characters", "汉字汉字汉", W("汉字") + 1, "汉字|汉字|汉", 3},
        {"before chinese", "abc汉字", W("abc汉") - 1, "abc|汉字", 2},
        {"after chinese", "汉abc", W("汉ab"), "汉|abc", 2},
        {"long word cut where it stops fitting", "aaaaaaaa", W("aaa") + 1, "aaa|aaa|aa", 3},
        {"long word after short one", "bb aaaaaaaa", W("aaaa"), "bb|aaaa|aaaa", 3},
        {"too narrow: one character a line", "ab汉", 1, "a|b|汉", 3},
        {"fits exactly", "abc def", W("abc def"), "abc def", 1},
    };
    const LOGFONTA font = DefaultCellFont();
    for (const BreakCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TRect rect{5, 7, 5 + c.width, 65535};
        const TextLayoutResult r = TextLayout::Layout(font, G(c.text), rect, HAlign::Left);
        EXPECT_EQ(Joined(r), QString::fromUtf8(c.expected));
        ASSERT_EQ(r.lines.size(), c.lines);
        // Measuring and drawing share the breaking: CalcRect covers exactly these lines.
        const TRect calc = TextLayout::CalcRect(font, G(c.text), rect, HAlign::Left);
        EXPECT_EQ(calc.bottom - calc.top, c.lines * TextLayout::LineHeight(font));
        EXPECT_EQ(r.Height(), c.lines * r.lineHeight);
        for (const TextLine& l : r.lines)
            EXPECT_EQ(l.x, rect.left);
    }
}

TEST(TextLayout, EmptyTextHasNoLines) {
    const TRect rect{0, 10, 100, 65535};
    EXPECT_TRUE(
        TextLayout::Layout(DefaultCellFont(), QByteArray(), rect, HAlign::Left).lines.isEmpty());
    const TRect calc = TextLayout::CalcRect(DefaultCellFont(), QByteArray(), rect, HAlign::Left);
    EXPECT_EQ(calc.bottom, calc.top);
}

TEST(TextLayout, LineHeightIsFontHeight) {
    LOGFONTA small = DefaultCellFont();
    LOGFONTA big = DefaultCellFont();
    big.lfHeight = -40;
    const int hs = TextLayout::LineHeight(small);
    const int hb = TextLayout::LineHeight(big);
    EXPECT_GE(hs, 16);
    EXPECT_GT(hb, hs);
    const QFontMetrics fm(FontFromLogFont(big));
    EXPECT_EQ(hb, fm.ascent() + fm.descent());
    EXPECT_EQ(TextLayout::CharHeight(big), hb);
    const TRect calc =
        TextLayout::CalcRect(big, G("a\r\nb\r\nc"), TRect{0, 3, 500, 65535}, HAlign::Left);
    EXPECT_EQ(calc.bottom, 3 + 3 * hb);
}

TEST(TextLayout, AlignsEachLine) {
    const LOGFONTA font = DefaultCellFont();
    const TRect rect{10, 0, 10 + W("aaaa bbbbbbb"), 65535};
    struct Case {
        HAlign align;
        int x0, x1;
    } cases[] = {
        {HAlign::Left, 10, 10},
        {HAlign::Center, 10 + (rect.Width() - W("ab")) / 2, 10 + (rect.Width() - W("aaaa")) / 2},
        {HAlign::Right, rect.right - W("ab"), rect.right - W("aaaa")},
    };
    for (const Case& c : cases) {
        // The second line wraps; the blank at its break does not count in its width.
        const TextLayoutResult r =
            TextLayout::Layout(font, G("ab\r\naaaa bbbbbbbb"), rect, c.align);
        ASSERT_EQ(r.lines.size(), 3);
        EXPECT_EQ(r.lines[0].x, c.x0);
        EXPECT_EQ(r.lines[1].x, c.x1);
        EXPECT_EQ(r.lines[1].width, W("aaaa"));
    }
    EXPECT_EQ(HAlignFromInt(5), HAlign::Left);
    EXPECT_EQ(HAlignFromInt(1), HAlign::Center);
    EXPECT_EQ(HAlignFromInt(2), HAlign::Right);
}

namespace {

// Rows of the image that hold any non-white pixel between x0 and x1.
QList<int> InkedRows(const QImage& img, int x0, int x1) {
    QList<int> rows;
    for (int y = 0; y < img.height(); ++y)
        for (int x = x0; x < x1; ++x)
            if (img.pixel(x, y) != qRgb(255, 255, 255)) {
                rows << y;
                break;
            }
    return rows;
}

} // namespace

TEST(TextLayout, DrawsClippedWithoutPartialLastLine) {
    const LOGFONTA font = DefaultCellFont();
    const int lh = TextLayout::LineHeight(font);
    QImage img(200, 200, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        // Room for one and a half lines: the second line must not appear at all.
        TextLayout::Draw(p, font, G("汉汉\r\n汉汉"), TRect{20, 20, 120, 20 + lh + lh / 2},
                         HAlign::Left, Qt::black);
        // Right-aligned text too wide for its rectangle is clipped at the rectangle.
        TextLayout::Draw(p, font, G("汉"), TRect{150, 100, 160, 100 + lh}, HAlign::Right,
                         Qt::black);
    }
    const QList<int> rows = InkedRows(img, 0, 140);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_GE(rows.first(), 20);
    EXPECT_LT(rows.last(), 20 + lh);
    // Nothing outside [150, 160) in the second drawing's rows.
    for (int y = 100; y < 100 + lh; ++y) {
        for (int x = 140; x < 200; ++x) {
            if (x < 150 || x >= 160) {
                ASSERT_EQ(img.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
            }
        }
    }
    EXPECT_FALSE(InkedRows(img, 150, 160).isEmpty());
}

TEST(TextLayout, DrawsAtTheLaidOutPosition) {
    const LOGFONTA font = DefaultCellFont();
    const int lh = TextLayout::LineHeight(font);
    for (HAlign align : {HAlign::Left, HAlign::Right}) {
        QImage img(300, 60, QImage::Format_RGB32);
        img.fill(Qt::white);
        const TRect rect{10, 10, 290, 10 + lh};
        {
            QPainter p(&img);
            TextLayout::Draw(p, font, G("汉"), rect, align, Qt::black);
        }
        const TextLine line = TextLayout::Layout(font, G("汉"), rect, align).lines.value(0);
        int minX = 300, maxX = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != qRgb(255, 255, 255)) {
                    minX = qMin(minX, x);
                    maxX = qMax(maxX, x);
                }
        EXPECT_GE(minX, line.x);
        EXPECT_LT(maxX, line.x + line.width);
    }
}

TEST(TextLayout, CharactersTheFaceDrawsNothingForComeFromTheFallbackFaces) {
    // 䶮 (U+4DAE) is claimed by some Kai faces without an outline; it must still show, in its
    // own advance, between its neighbours, whatever face the cell names.
    for (const char* face : {"楷体_GB2312", "宋体", "黑体"}) {
        SCOPED_TRACE(face);
        LOGFONTA font = DefaultCellFont();
        SetFaceName(font, QString::fromUtf8(face));
        font.lfHeight = -24;
        const QByteArray text = G("言䶮言");
        ASSERT_EQ(Gbk::Decode(text), QString::fromUtf8("言䶮言"));
        const int lh = TextLayout::LineHeight(font);
        QImage img(300, lh + 20, QImage::Format_RGB32);
        img.fill(Qt::white);
        const TRect rect{10, 10, 290, 10 + lh};
        {
            QPainter p(&img);
            TextLayout::Draw(p, font, text, rect, HAlign::Left, Qt::black);
        }
        const QFontMetrics fm(FontFromLogFont(font));
        const int x0 = 10 + fm.horizontalAdvance(QString::fromUtf8("言"));
        const int x1 = x0 + fm.horizontalAdvance(QString::fromUtf8("䶮"));
        EXPECT_GT(InkedRows(img, x0 + 1, x1 - 1).size(), lh / 3);
    }
}
