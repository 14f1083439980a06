// The ink of text known without shaping must be exactly where the painter's own shaping puts
// the glyphs: checked against Qt's text layout on a PDF writer, glyph by glyph.
#include <QBuffer>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRawFont>
#include <QTextLayout>
#include <gtest/gtest.h>

#include "platform/logfont.h"
#include "platform/textink.h"

using namespace karvell;

namespace {

QFont FontOf(const char* face, int pixels, int weight = 400, bool italic = false,
             bool underline = false) {
    LOGFONTA lf{};
    lf.lfHeight = -pixels;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    SetFaceName(lf, QString::fromUtf8(face));
    return FontFromLogFont(lf);
}

// The ink box of the text as Qt lays it out on the device: every glyph's outline (as designed)
// at the place Qt's shaping gives it, in the face Qt chose.
QRectF ShapedInk(const QFont& font, QPaintDevice* device, const QString& text, bool* oneFace) {
    QTextLayout layout(text, font, device);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QRectF box;
    const QList<QGlyphRun> runs = layout.glyphRuns();
    *oneFace = runs.size() == 1;
    for (const QGlyphRun& run : runs) {
        QRawFont raw = run.rawFont();
        QFont unhinted = font;
        unhinted.setHintingPreference(QFont::PreferNoHinting);
        QRawFont outlines = QRawFont::fromFont(unhinted, QFontDatabase::SimplifiedChinese);
        outlines.setPixelSize(raw.pixelSize());
        *oneFace = *oneFace && outlines.familyName() == raw.familyName() &&
                   outlines.styleName() == raw.styleName();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            const QPainterPath path = outlines.pathForGlyph(glyphs[i]);
            if (!path.isEmpty()) box |= path.controlPointRect().translated(positions[i]);
        }
    }
    // The layout's origin is the line's top; the painter's is the baseline.
    return box.translated(0, -layout.lineAt(0).ascent());
}

TEST(TextInk, KnownInkIsWhereShapingPutsTheGlyphs) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(600);
    const char* faces[] = {"宋体", "黑体", "AR PL UMing CN", "DejaVu Sans", "楷体"};
    const char* texts[] = {"0",          "1234567.89", "-12,345.00", "金额合计", "摘要：收到货款。",
                           "2024-01-31", "AV",         "office",     "Ta Yo To", "ABC xyz 123",
                           "（一）",     "¥ 100",      "a\u0301",    "①②",       "V.A.T"};
    int known = 0;
    for (const char* face : faces) {
        for (const int pixels : {12, 16, 21}) {
            for (const int weight : {400, 700}) {
                const QFont font = FontOf(face, pixels, weight);
                TextInk ink(font, &pdf);
                for (const char* utf8 : texts) {
                    const QString text = QString::fromUtf8(utf8);
                    const std::optional<QRectF> box = ink.Of(text);
                    if (!box) continue;
                    ++known;
                    bool oneFace = false;
                    const QRectF shaped = ShapedInk(font, &pdf, text, &oneFace);
                    SCOPED_TRACE(QStringLiteral("%1 %2px w%3 “%4”")
                                     .arg(QString::fromUtf8(face))
                                     .arg(pixels)
                                     .arg(weight)
                                     .arg(text)
                                     .toStdString());
                    EXPECT_TRUE(oneFace);
                    EXPECT_NEAR(box->left(), shaped.left(), 1e-9);
                    EXPECT_NEAR(box->right(), shaped.right(), 1e-9);
                    EXPECT_NEAR(box->top(), shaped.top(), 1e-9);
                    EXPECT_NEAR(box->bottom(), shaped.bottom(), 1e-9);
                }
            }
        }
    }
    // Figures and ideographs in the common Song face are known, or nothing is gained.
    EXPECT_GT(known, 50);
}

TEST(TextInk, WhatShapingOrThePainterMayChangeIsUnknown) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setResolution(600);
    // The plain case first: the cases below differ from it in one thing each.
    TextInk plain(FontOf("宋体", 16), &pdf);
    ASSERT_TRUE(plain.Of(QStringLiteral("123.45")));
    ASSERT_TRUE(plain.Of(QStringLiteral("金额")));
    EXPECT_TRUE(plain.Of(QString())->isNull());
    EXPECT_TRUE(plain.Of(QStringLiteral("  "))->isNull());

    struct Case {
        const char* name;
        QFont font;
        const char* text;
    };
    const Case cases[] = {
        {"a kerning pair", FontOf("黑体", 16), "AV"},
        {"a ligature", FontOf("黑体", 16), "office"},
        {"a face whose ideographs come from another", FontOf("DejaVu Sans", 16), "123"},
        {"a combining mark", FontOf("宋体", 16), "a\u0301"},
        {"a character from another face", FontOf("宋体", 16), "\u0E01"},
        {"a control character", FontOf("宋体", 16), "1\t2"},
        {"a surrogate pair", FontOf("宋体", 16), "\U00020000"},
        {"underlined text", FontOf("宋体", 16, 400, false, true), "123"},
        {"bold made from a regular face", FontOf("宋体", 16, 700), "123"},
        {"italic made from an upright face", FontOf("宋体", 16, 400, true), "123"},
    };
    for (const Case& c : cases) {
        TextInk ink(c.font, &pdf);
        EXPECT_FALSE(ink.Of(QString::fromUtf8(c.text))) << c.name;
    }
}

} // namespace
