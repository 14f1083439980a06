// The template stream: byte layout, positions, old versions, texts, merges and pictures.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>

#include "model/reportdocument.h"
#include "model_helpers.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/textlayout.h"
#include "stream_helpers.h"

namespace karvell {
namespace {

using test::At;
using test::CellSpec;
using test::CheckInvariants;
using test::Crafter;
using test::G;
using test::I32;
using test::LetterPrinter;
using test::Lines;
using test::Load;
using test::MakeBmp;
using test::Pos;
using test::PositionOf;
using test::Save;
using test::Select;
using test::SmallDocument;

class StreamTest : public ::testing::Test {
protected:
    LetterPrinter printer; // paper 0 (custom), portrait, 2794 × 2032 tenths of a millimetre
    ScriptedMessages messages;
};

struct Field {
    int offset;
    int32_t value;
    int size = 4;
};

void ExpectFields(const QByteArray& bytes, const std::vector<Field>& fields) {
    for (const Field& f : fields) {
        ASSERT_LE(f.offset + f.size, bytes.size());
        const int32_t v = f.size == 1   ? uint8_t(bytes[f.offset])
                          : f.size == 2 ? qFromLittleEndian<uint16_t>(bytes.constData() + f.offset)
                                        : I32(bytes, f.offset);
        EXPECT_EQ(v, f.value) << "at offset " << f.offset;
    }
}

TEST_F(StreamTest, EmptyDocumentIs79Bytes) {
    TReportDocument doc;
    const QByteArray bytes = Save(doc);
    ASSERT_EQ(bytes.size(), 79);
    ExpectFields(bytes, {{0, 0xAA57, 2}, {2, 100},   {6, 768}, {10, 1056}, {14, 77}, {18, 77},
                         {22, 38},       {26, 58},   {30, 20}, {34, 20},   {38, 10}, {42, 15},
                         {46, 1, 1},     {47, 2000}, {51, 1},  {55, 0},    {59, 0},  {63, 1},
                         {67, 2794},     {71, 2032}, {75, 0}});
}

TEST_F(StreamTest, OneCellDocumentIs296Bytes) {
    TReportDocument doc;
    doc.NewTable(1, 1);
    const QByteArray bytes = Save(doc);
    ASSERT_EQ(bytes.size(), 296);
    const int h = TextLayout::LineHeight(DefaultCellFont()) + 4;
    const int c = 95; // the cell record
    ExpectFields(bytes, {{55, 1},
                         {59, 1},
                         {63, 0},
                         {67, h},
                         {71, 0},
                         {75, 77},
                         {79, 77},
                         {83, 77},
                         {87, 77 + 653},
                         {91, 77 + h},
                         {c, 5},
                         {c + 4, 0},
                         {c + 8, 77},
                         {c + 12, 653},
                         {c + 16, 77},
                         {c + 28, 77 + h},
                         {c + 32, 83},
                         {c + 36, 79},
                         {c + 40, 724},
                         {c + 44, 79 + h - 4},
                         {c + 48, 0},
                         {c + 52, h},
                         {c + 56, 0},
                         {c + 60, 1, 1},
                         {c + 61, 1},
                         {c + 75, 1, 1},
                         {c + 76, 1},
                         {c + 80, 0},
                         {c + 84, 0},
                         {c + 88, 0xFFFFFF},
                         {c + 92, 0},
                         {c + 96, 1},
                         {c + 100, 0},
                         {c + 104, 0},
                         {c + 108, 0, 1},
                         {c + 109, -16},
                         {c + 109 + 23, 1, 1},
                         {c + 169, -1},
                         {c + 173, -1},
                         {c + 177, 0},
                         {276, 0},
                         {280, 1},
                         {284, 2794},
                         {288, 2032},
                         {292, 0}});
    EXPECT_EQ(bytes.mid(c + 109 + 28, 5), G("宋体") + '\0');
}

TEST_F(StreamTest, ZoomIsStoredAs100AndTheShownZoomStays) {
    TReportDocument doc;
    doc.SetZoom(60);
    const QSize shown = doc.WindowSize();
    const QByteArray bytes = Save(doc);
    EXPECT_EQ(I32(bytes, 2), 100);
    // Saving changes neither what the window shows nor how clicks are read.
    EXPECT_EQ(doc.Zoom, 60);
    EXPECT_EQ(doc.WindowSize(), shown);
}

TEST_F(StreamTest, WritesAtAPositionAndLeavesLongerContentBehind) {
    TReportDocument doc;
    QByteArray data(500, 'z');
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadWrite);
    doc.SaveToStream(buffer, 7);
    EXPECT_EQ(data.size(), 500);
    EXPECT_EQ(data.left(7), QByteArray(7, 'z'));
    EXPECT_EQ(data.mid(86), QByteArray(500 - 86, 'z'));
    TReportDocument other;
    other.NewTable(2, 2);
    EXPECT_TRUE(other.LoadFromStream(buffer, 7));
    EXPECT_TRUE(other.Lines.isEmpty());
}

TEST_F(StreamTest, OldVersionsLoadAndAreWrittenAs0xAA57) {
    const struct {
        uint16_t magic;
        bool formats, pictures;
    } cases[] = {{0xAA55, false, false}, {0xAA56, true, false}, {0xAA57, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.magic);
        Lines lines = SmallDocument();
        if (!c.pictures) lines[0][1].bmp.clear();
        Crafter crafter;
        TReportDocument doc;
        ASSERT_TRUE(Load(doc, crafter.Build(c.magic, lines)));
        EXPECT_TRUE(CheckInvariants(doc).empty());
        EXPECT_EQ(At(doc, 0, 0)->CellText, G("合并"));
        EXPECT_EQ(At(doc, 0, 0)->CellDispFormat, c.formats ? QByteArray("0.00") : QByteArray());
        EXPECT_EQ(At(doc, 0, 1)->HasBitmap, c.pictures);
        EXPECT_EQ(At(doc, 1, 1)->CellText, "y"); // the records after them were found
        const QByteArray saved = Save(doc);
        EXPECT_EQ(qFromLittleEndian<uint16_t>(saved.constData()), 0xAA57);
        TReportDocument again;
        ASSERT_TRUE(Load(again, saved));
        EXPECT_EQ(Save(again), saved);
        EXPECT_EQ(At(again, 0, 0)->CellDispFormat, At(doc, 0, 0)->CellDispFormat);
    }
}

TEST_F(StreamTest, TextsEndAtTheFirstZeroByte) {
    Lines lines(1, std::vector<CellSpec>(1));
    lines[0][0].text = QByteArray("AB\0CD", 5);
    lines[0][0].format = QByteArray("0\0.00", 5);
    Crafter crafter;
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, crafter.Build(0xAA57, lines)));
    EXPECT_EQ(At(doc, 0, 0)->CellText, "AB");
    EXPECT_EQ(At(doc, 0, 0)->CellDispFormat, "0");
}

TEST_F(StreamTest, UnknownMagicIsAnErrorAndKeepsTheDocument) {
    for (const QByteArray& magic :
         {QByteArray(2, '\0'), QByteArray("\x57\xAB"), QByteArray("BM")}) {
        TReportDocument doc;
        doc.NewTable(2, 2);
        Select(doc, {{1, 1}});
        const QByteArray before = Save(doc);
        Crafter crafter;
        QByteArray bytes = crafter.Build(0xAA57, SmallDocument());
        bytes.replace(0, 2, magic);
        try {
            Load(doc, bytes);
            ADD_FAILURE() << "loaded a stream with the magic " << magic.toHex().constData();
        } catch (const KarvellError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("格式不正确"));
        }
        EXPECT_EQ(Save(doc), before);
        EXPECT_EQ(doc.FocusCell, At(doc, 1, 1));
    }
}

TEST_F(StreamTest, OwnerWithANegativeIndexIsNone) {
    Lines lines(3, std::vector<CellSpec>(1));
    lines[1][0].owner = {2, -1};
    lines[2][0].owner = {-1, 0};
    Crafter crafter;
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, crafter.Build(0xAA57, lines)));
    EXPECT_EQ(At(doc, 1, 0)->OwnerCell, nullptr);
    EXPECT_EQ(At(doc, 2, 0)->OwnerCell, nullptr);
}

TEST_F(StreamTest, MergesSurviveARoundTrip) {
    // Owned cells in a stored order that is not line order, and a block made by editing.
    Lines lines(4, std::vector<CellSpec>(2));
    lines[0][1].owned = {{3, 1}, {1, 1}, {2, 1}};
    for (int i = 1; i < 4; ++i)
        lines[i][1].owner = {0, 1};
    Crafter crafter;
    TReportDocument doc;
    ASSERT_TRUE(Load(doc, crafter.Build(0xAA57, lines)));
    Select(doc, {{1, 0}, {2, 0}});
    doc.CombineCell();
    auto merges = [](const TReportDocument& d) {
        std::vector<std::pair<Pos, std::vector<Pos>>> all;
        for (const TReportLine* line : d.Lines)
            for (const TReportCell* cell : line->Cells)
                if (cell->OwnedCellCount()) {
                    all.push_back({PositionOf(d, cell), {}});
                    for (const TReportCell* o : cell->OwnedCells) {
                        EXPECT_EQ(o->OwnerCell, cell);
                        all.back().second.push_back(PositionOf(d, o));
                    }
                }
        return all;
    };
    const auto expected = std::vector<std::pair<Pos, std::vector<Pos>>>{
        {{0, 1}, {{3, 1}, {1, 1}, {2, 1}}}, {{1, 0}, {{2, 0}}}};
    EXPECT_EQ(merges(doc), expected);
    TReportDocument again;
    ASSERT_TRUE(Load(again, Save(doc)));
    EXPECT_EQ(merges(again), expected);
    EXPECT_EQ(Save(again), Save(doc));
}

TEST_F(StreamTest, PicturesRoundTripByteForByte) {
    const QByteArray bmps[] = {MakeBmp(3, 2, 1, 0), MakeBmp(5, 3, 4, 3), MakeBmp(2, 2, 8, 0),
                               MakeBmp(3, 1, 24, 0)};
    for (const QByteArray& bmp : bmps) {
        Lines lines(1, std::vector<CellSpec>(1));
        lines[0][0].text = "t";
        lines[0][0].format = "0.0";
        lines[0][0].bmp = bmp;
        Crafter crafter;
        TReportDocument doc;
        ASSERT_TRUE(Load(doc, crafter.Build(0xAA57, lines)));
        const QImage& image = At(doc, 0, 0)->CellBitmap->image;
        EXPECT_EQ(image.size(), QSize(I32(bmp, 18), I32(bmp, 22)));
        const QByteArray saved = Save(doc);
        EXPECT_EQ(saved.size(), 296 + 1 + 3 + bmp.size());
        EXPECT_EQ(saved.mid(95 + 109 + 4, bmp.size()), bmp);
    }
}

} // namespace
} // namespace karvell
