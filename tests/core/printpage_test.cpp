// A printed page's graphics state economy: on a printer (the PDF writer) every change of
// transform, pen, brush or clip is written into the page, so a page of bordered cells must cost
// one transform per cell text and one fill colour per cell, not a state per shape.
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QtEndian>
#include <functional>
#include <gtest/gtest.h>

#include "model/reportdocument.h"
#include "output/pdfsink.h"
#include "platform/gbk.h"
#include "platform/logfont.h"
#include "platform/printer.h"
#include "platform/textlayout.h"

using namespace karvell;

namespace {

// The page's content stream, inflated.
QByteArray PageContent(const QByteArray& pdf) {
    static const QRegularExpression stream(
        QStringLiteral("/Length (\\d+) 0 R\n/Filter /FlateDecode\n>>\nstream\n"));
    const auto m = stream.match(QString::fromLatin1(pdf));
    if (!m.hasMatch()) return {};
    // The length object follows the stream: "N 0 obj\nLENGTH\nendobj".
    const qsizetype data = m.capturedEnd();
    const qsizetype end = pdf.indexOf("\nendstream", data);
    QByteArray zlib(4, '\0');
    qToBigEndian<quint32>(quint32(16 * (end - data) + 1024), zlib.data());
    return qUncompress(zlib + pdf.mid(data, end - data));
}

TEST(PrintPage, APrinterGetsOneTransformPerTextAndOneColourPerCell) {
    TReportDocument doc;
    constexpr int kLines = 6, kCells = 5;
    doc.NewTable(kCells, kLines);
    for (TReportLine* line : doc.Lines)
        for (TReportCell* cell : line->Cells)
            cell->SetCellText(Gbk::Encode(QStringLiteral("摘要12")));
    doc.UpdateLines();

    TPdfSink sink(QString(), QString(), 600);
    sink.AddPage(doc, PageLayoutFor(DEVMODE{}, QMarginsF()));
    const QByteArray pdf = sink.TakeBytes();

    const QByteArray content = PageContent(pdf);
    ASSERT_FALSE(content.isEmpty());
    const qsizetype texts = content.count("BT\n");
    const qsizetype rects = content.count(" re\n");
    EXPECT_EQ(texts, kLines * kCells);
    EXPECT_GE(rects, 4 * kLines * kCells); // four borders a cell
    // The page's own matrix, then one for each text; the borders are drawn in device pixels.
    EXPECT_LE(content.count(" cm\n"), 1 + texts);
    // The border colour once a cell (a clip ends the graphics state it was set in), and once
    // for each text.
    EXPECT_LE(content.count(" scn\n"), 2 * kLines * kCells);
    EXPECT_LE(content.count("W* n\n"), texts); // one clip a text
}

TEST(PrintPage, APrinterGetsADigitColumnAmountAsOneTextAtItsColumns) {
    TReportDocument doc;
    doc.NewTable(1, 1);
    TReportCell* cell = doc.Lines[0]->Cells[0];
    cell->SetCellWidth(160); // eight columns of 20 px
    cell->SetCellText(Gbk::Encode(QStringLiteral("12345")));
    cell->SetCellDispFormat(Gbk::Encode(QStringLiteral("[金额线8]")));
    doc.UpdateLines();

    TPdfSink sink(QString(), QString(), 600);
    sink.AddPage(doc, PageLayoutFor(DEVMODE{}, QMarginsF()));
    const QByteArray content = PageContent(sink.TakeBytes());
    ASSERT_FALSE(content.isEmpty());
    EXPECT_EQ(content.count("BT\n"), 1);
    // The first glyph placed absolutely, each next one a column (20 document pixels) on.
    static const QRegularExpression td(QStringLiteral("(\\S+) (\\S+) Td <[0-9A-Fa-f]{4}> Tj\n"));
    QStringList steps;
    for (auto it = td.globalMatch(QString::fromLatin1(content)); it.hasNext();)
        steps << it.next().captured(1);
    ASSERT_EQ(steps.size(), 5);
    EXPECT_EQ(steps.mid(1), QStringList(4, QStringLiteral("20")));
}

// The glyphs and the steps between them ("dx dy Td <glyph> Tj") of a page's text, without the
// first glyph's absolute place.
QStringList GlyphSteps(const QByteArray& content) {
    static const QRegularExpression td(QStringLiteral("(\\S+ \\S+) Td (<[0-9A-Fa-f]{4}>) Tj\n"));
    QStringList steps;
    for (auto it = td.globalMatch(QString::fromLatin1(content)); it.hasNext();) {
        const auto m = it.next();
        steps << (steps.isEmpty() ? m.captured(2) : m.captured(0).trimmed());
    }
    return steps;
}

// Text the PDF writer gets as glyph runs must be the glyphs drawText draws, at its places.
TEST(PrintPage, KnownTextIsTheGlyphsDrawTextWouldDraw) {
    struct Case {
        const char* face;
        int pixels;
        const char* text;
    };
    const Case cases[] = {{"宋体", 16, "1,234,567.89"},
                          {"宋体", 16, "支付办公用品费用第12笔"},
                          {"宋体", 21, "2024-01-31 (一)"},
                          {"黑体", 15, "测试日期"},
                          {"楷体", 12, "合计：壹佰元整"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LOGFONTA lf{};
        lf.lfHeight = -c.pixels;
        SetFaceName(lf, QString::fromUtf8(c.face));
        const QString text = QString::fromUtf8(c.text);
        const auto page = [&](const std::function<void(QPainter&)>& draw) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            {
                QPdfWriter pdf(&buffer);
                pdf.setResolution(600);
                QPainter painter(&pdf);
                painter.scale(6.25, 6.25);
                draw(painter);
            }
            return PageContent(buffer.data());
        };
        const QByteArray viaLayout = page([&](QPainter& p) {
            TextLayout::Draw(p, lf, Gbk::Encode(text), TRect{10, 10, 600, 60}, HAlign::Left,
                             Qt::black);
        });
        const QByteArray viaDrawText = page([&](QPainter& p) {
            p.setFont(FontFromLogFont(lf));
            p.drawText(QPoint(10, 30), text);
        });
        const QStringList steps = GlyphSteps(viaLayout);
        EXPECT_EQ(steps.size(), text.size());
        EXPECT_EQ(steps, GlyphSteps(viaDrawText));
    }
}

} // namespace
